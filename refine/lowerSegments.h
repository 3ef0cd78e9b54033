// The band matrix between its assembly and its solve: compressed columns while
// the windows add into it, then the solver's segments (conjugateGradient.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "conjugateGradient.h"

namespace pairseek {

// The lower triangle of a symmetric n x n matrix in compressed columns, each
// starting at its diagonal entry, rows increasing. `inner` and `values` hold
// outer[n] entries, left uninitialised for the assembly's parts to touch first.
struct LowerTriangle {
    std::ptrdiff_t n = 0;
    std::vector<int> outer;
    std::unique_ptr<int[]> inner;
    std::unique_ptr<double[]> values;
};

// The same matrix scaled to a unit diagonal, in segments, its entries below the
// diagonal rounded to float (conjugateGradient.h). Its diagonal must be positive.
class SegmentedMatrix {
public:
    // Consumes the triangle: the float entries take the place of its double ones.
    explicit SegmentedMatrix(LowerTriangle&& triangle);

    LowerSegments view() const;

private:
    std::ptrdiff_t n_;
    std::vector<double> root_;
    std::vector<int> firstColumn_, firstRun_, runOffset_;
    std::vector<std::uint8_t> runLength_;
    std::unique_ptr<double[]> storage_;   // the triangle's, the float entries now at its start
};

}  // namespace pairseek
