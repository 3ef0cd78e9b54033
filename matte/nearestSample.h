// Exact Euclidean distance from grid cells to the nearest of a set of sample
// positions, and which sample that is: the search's first pair and its scales.
#pragma once

#include <cstdint>
#include <vector>

#include "parallelFor.h"

namespace pairseek {

// One grid cell's nearest sample: its index in the list (0-based) and distance.
struct NearestSample {
    std::int32_t index;
    double distance;
};

// For every cell of `cells` (column-major linear indices into a rows x cols grid)
// the nearest of the samples at `samplePositions` (0-based row, col pairs, inside
// the grid; at least one). Among equally near samples the one with the smallest
// column, then the smallest row, wins. Linear in the grid: nearest within each
// column, then the lower envelope of parabolas along each row, in integers; the
// columns, then the rows, in parts on `parallel`.
std::vector<NearestSample> nearestSamples(std::ptrdiff_t rows, std::ptrdiff_t cols,
                                          const std::vector<std::ptrdiff_t>& sampleCells,
                                          const std::vector<std::ptrdiff_t>& cells, const ParallelFor& parallel = {});

// The same into the caller's arrays, one entry per cell: no list of pairs.
void nearestSamples(std::ptrdiff_t rows, std::ptrdiff_t cols, const std::vector<std::ptrdiff_t>& sampleCells,
                    const std::vector<std::ptrdiff_t>& cells, std::int32_t* index, double* distance,
                    const ParallelFor& parallel = {});

}  // namespace pairseek
