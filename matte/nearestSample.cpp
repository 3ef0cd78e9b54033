// Separable exact distance transform with the nearest sample's identity.
#include "nearestSample.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "hugePages.h"
#include "matting.h"

namespace pairseek {
namespace {

// A crossing point num / den of two parabolas, den > 0; den = 0 stands for -infinity.
struct Crossing {
    std::int64_t num, den;
};

// a < b for crossings (a may be -infinity).
bool before(const Crossing& a, const Crossing& b) {
    if (a.den == 0) return b.den != 0;
    if (b.den == 0) return false;
    return a.num * b.den < b.num * a.den;
}

// Rows per part of the transform's second step (the first runs in parts of columns).
constexpr std::ptrdiff_t partRows = 64;

// The transform in place over two planes: `index` starts as the sample at each
// cell (-1 none) and ends as the nearest sample; `gap2` ends as the squared
// distance to it. Gap is 32-bit where every squared distance fits, so a cell
// costs 8 bytes in all. Columns, then rows, are independent of each other.
template <class Gap>
void transform(std::ptrdiff_t rows, std::ptrdiff_t cols, std::int32_t* index, Gap* gap2, const ParallelFor& parallel) {
    constexpr Gap far = std::numeric_limits<Gap>::max();
    // Along each column the nearest sample (the upper of two equally near).
    inColumnParts(cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c) {
            std::int32_t* idx = index + c * rows;
            Gap* g = gap2 + c * rows;
            std::ptrdiff_t last = -1;
            std::int32_t lastIndex = -1;
            for (std::ptrdiff_t r = 0; r < rows; ++r) {   // nearest above or here
                if (idx[r] >= 0) last = r, lastIndex = idx[r];
                idx[r] = lastIndex;
                g[r] = last >= 0 ? static_cast<Gap>((r - last) * (r - last)) : far;
            }
            std::ptrdiff_t next = -1;
            std::int32_t nextIndex = -1;
            for (std::ptrdiff_t r = rows - 1; r >= 0; --r) {   // strictly nearer below
                if (g[r] == 0) next = r, nextIndex = idx[r];
                if (next >= 0 && (next - r) * (next - r) < g[r]) {
                    idx[r] = nextIndex;
                    g[r] = static_cast<Gap>((next - r) * (next - r));
                }
            }
        }
    });

    // Along each row the lower envelope of the parabolas (q - c)^2 + gap2(c): the
    // best column per cell. On a tie the left parabola keeps the column. The
    // envelope keeps its parabolas' samples, so the row is overwritten in place.
    inParts(rows, partRows, parallel, [&](std::ptrdiff_t firstRow, std::ptrdiff_t lastRow) {
        std::vector<std::int64_t> apex(static_cast<std::size_t>(cols)), lift(static_cast<std::size_t>(cols));
        std::vector<std::int32_t> apexIndex(static_cast<std::size_t>(cols));
        std::vector<Crossing> start(static_cast<std::size_t>(cols) + 1);
        for (std::ptrdiff_t r = firstRow; r < lastRow; ++r) {
            std::ptrdiff_t depth = 0;
            for (std::ptrdiff_t q = 0; q < cols; ++q) {
                const Gap gap = gap2[r + q * rows];
                if (gap == far) continue;
                const std::int64_t level = static_cast<std::int64_t>(gap) + q * q;
                Crossing cross{0, 0};
                while (depth > 0) {
                    const auto top = static_cast<std::size_t>(depth - 1);
                    cross = {level - lift[top], 2 * (q - apex[top])};
                    if (before(start[top], cross)) break;
                    --depth;   // the new parabola is lower from where the top one started
                }
                const auto at = static_cast<std::size_t>(depth);
                apex[at] = q;
                lift[at] = level;
                apexIndex[at] = index[r + q * rows];
                start[at] = depth == 0 ? Crossing{0, 0} : cross;
                ++depth;
            }
            std::ptrdiff_t k = 0;
            for (std::ptrdiff_t q = 0; q < cols && depth > 0; ++q) {
                while (k + 1 < depth && before(start[static_cast<std::size_t>(k + 1)], Crossing{q, 1})) ++k;
                const auto top = static_cast<std::size_t>(k);
                const std::int64_t dc = q - apex[top];
                index[r + q * rows] = apexIndex[top];
                gap2[r + q * rows] = static_cast<Gap>(dc * dc + lift[top] - apex[top] * apex[top]);
            }
        }
    });
}

// Cells per part of the answers' gathering.
constexpr std::ptrdiff_t partCells = 1 << 16;

template <class Gap>
void nearestWith(std::ptrdiff_t rows, std::ptrdiff_t cols, const std::vector<std::ptrdiff_t>& sampleCells,
                 const std::vector<std::ptrdiff_t>& cells, std::int32_t* nearestIndex, double* distance,
                 const ParallelFor& parallel) {
    // Both planes are filled in parts (the transform writes every cell of gap2).
    const auto grid = static_cast<std::size_t>(rows * cols);
    const std::unique_ptr<std::int32_t[]> index = unsetOnHugePages<std::int32_t>(grid, parallel);
    const std::unique_ptr<Gap[]> gap2 = unsetOnHugePages<Gap>(grid, parallel);
    inColumnParts(cols, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        std::fill(index.get() + first * rows, index.get() + last * rows, std::int32_t{-1});
    });
    for (std::size_t i = 0; i < sampleCells.size(); ++i)
        index[static_cast<std::size_t>(sampleCells[i])] = static_cast<std::int32_t>(i);
    transform(rows, cols, index.get(), gap2.get(), parallel);
    const auto n = static_cast<std::ptrdiff_t>(cells.size());
    inParts(n, partCells, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(last); ++i) {
            const auto cell = static_cast<std::size_t>(cells[i]);
            nearestIndex[i] = sampleCells.empty() ? -1 : index[cell];
            distance[i] = sampleCells.empty() ? std::numeric_limits<double>::infinity()
                                              : std::sqrt(static_cast<double>(gap2[cell]));
        }
    });
}

}  // namespace

void nearestSamples(std::ptrdiff_t rows, std::ptrdiff_t cols, const std::vector<std::ptrdiff_t>& sampleCells,
                    const std::vector<std::ptrdiff_t>& cells, std::int32_t* index, double* distance,
                    const ParallelFor& parallel) {
    // The largest squared distance, and the marker of "no sample in this column" above it.
    const std::int64_t reach2 = static_cast<std::int64_t>(rows) * rows + static_cast<std::int64_t>(cols) * cols;
    if (reach2 < std::numeric_limits<std::int32_t>::max())
        nearestWith<std::int32_t>(rows, cols, sampleCells, cells, index, distance, parallel);
    else
        nearestWith<std::int64_t>(rows, cols, sampleCells, cells, index, distance, parallel);
}

std::vector<NearestSample> nearestSamples(std::ptrdiff_t rows, std::ptrdiff_t cols,
                                          const std::vector<std::ptrdiff_t>& sampleCells,
                                          const std::vector<std::ptrdiff_t>& cells, const ParallelFor& parallel) {
    std::vector<std::int32_t> index(cells.size());
    std::vector<double> distance(cells.size());
    nearestSamples(rows, cols, sampleCells, cells, index.data(), distance.data(), parallel);
    std::vector<NearestSample> nearest(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) nearest[i] = {index[i], distance[i]};
    return nearest;
}

}  // namespace pairseek
