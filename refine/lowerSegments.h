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
// starting at its diagonal, rows increasing. `inner` and `values` hold outer[n]
// entries, left uninitialised for the assembly's parts to touch first; the
// diagonal's are kept apart, in double (they carry the data term, much smaller
// than the Laplacian's entries), its slots in `values` unused. The solver keeps
// the others in float: summed in float they take half the fresh memory.
struct LowerTriangle {
    std::ptrdiff_t n = 0;
    std::vector<int> outer;
    std::unique_ptr<int[]> inner;
    std::unique_ptr<float[]> values;
    std::vector<double> diagonal;
};

// The same matrix scaled to a unit diagonal, in segments, its entries below the
// diagonal rounded to float (conjugateGradient.h). Its diagonal must be positive.
class SegmentedMatrix {
public:
    // Consumes the triangle: its entries, scaled, move down over the diagonal's slots.
    explicit SegmentedMatrix(LowerTriangle&& triangle);

    LowerSegments view() const;

private:
    std::ptrdiff_t n_;
    std::vector<double> root_;
    std::vector<int> firstColumn_, firstRun_, runOffset_;
    std::vector<std::uint8_t> runLength_;
    std::unique_ptr<float[]> values_;   // the triangle's, the scaled entries now at its start
};

}  // namespace pairseek
