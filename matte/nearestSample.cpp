// Separable exact distance transform with the nearest sample's identity.
#include "nearestSample.h"

#include <cmath>
#include <limits>

#include "matting.h"

namespace pairseek {
namespace {

constexpr std::int64_t none = std::numeric_limits<std::int64_t>::max();

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

}  // namespace

std::vector<NearestSample> nearestSamples(std::ptrdiff_t rows, std::ptrdiff_t cols,
                                          const std::vector<std::ptrdiff_t>& sampleCells,
                                          const std::vector<std::ptrdiff_t>& cells) {
    const auto grid = static_cast<std::size_t>(rows * cols);
    // Per cell: the sample there (-1 none), then along each column the nearest
    // sample row (the upper of two equally near) and its squared distance.
    std::vector<std::int32_t> sampleAt(grid, -1);
    for (std::size_t i = 0; i < sampleCells.size(); ++i)
        sampleAt[static_cast<std::size_t>(sampleCells[i])] = static_cast<std::int32_t>(i);

    std::vector<std::int32_t> nearRow(grid, -1);
    std::vector<std::int64_t> columnGap2(grid, none);
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        const std::ptrdiff_t base = c * rows;
        std::ptrdiff_t last = -1;
        for (std::ptrdiff_t r = 0; r < rows; ++r) {   // nearest above or here
            if (sampleAt[static_cast<std::size_t>(base + r)] >= 0) last = r;
            if (last >= 0) {
                nearRow[static_cast<std::size_t>(base + r)] = static_cast<std::int32_t>(last);
                columnGap2[static_cast<std::size_t>(base + r)] = (r - last) * (r - last);
            }
        }
        std::ptrdiff_t next = -1;
        for (std::ptrdiff_t r = rows - 1; r >= 0; --r) {   // strictly nearer below
            if (sampleAt[static_cast<std::size_t>(base + r)] >= 0) next = r;
            const auto at = static_cast<std::size_t>(base + r);
            if (next >= 0 && (next - r) * (next - r) < columnGap2[at]) {
                nearRow[at] = static_cast<std::int32_t>(next);
                columnGap2[at] = (next - r) * (next - r);
            }
        }
    }

    // Along each row the lower envelope of the parabolas (q - c)^2 + gap2(c): the
    // best column per cell. On a tie the left parabola keeps the column.
    std::vector<std::int32_t> bestCol(grid, -1);
    std::vector<std::int64_t> apex(static_cast<std::size_t>(cols)), lift(static_cast<std::size_t>(cols));
    std::vector<Crossing> start(static_cast<std::size_t>(cols) + 1);
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        std::ptrdiff_t depth = 0;
        for (std::ptrdiff_t q = 0; q < cols; ++q) {
            const std::int64_t gap2 = columnGap2[static_cast<std::size_t>(r + q * rows)];
            if (gap2 == none) continue;
            const std::int64_t level = gap2 + q * q;
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
            start[at] = depth == 0 ? Crossing{0, 0} : cross;
            ++depth;
        }
        std::ptrdiff_t k = 0;
        for (std::ptrdiff_t q = 0; q < cols && depth > 0; ++q) {
            while (k + 1 < depth && before(start[static_cast<std::size_t>(k + 1)], Crossing{q, 1})) ++k;
            bestCol[static_cast<std::size_t>(r + q * rows)] = static_cast<std::int32_t>(apex[static_cast<std::size_t>(k)]);
        }
    }

    std::vector<NearestSample> nearest(cells.size(), NearestSample{-1, std::numeric_limits<double>::infinity()});
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::ptrdiff_t cell = cells[i], r = cell % rows, q = cell / rows;
        const std::int32_t c = bestCol[static_cast<std::size_t>(cell)];
        if (c < 0) continue;
        const auto column = static_cast<std::size_t>(r + c * rows);
        const std::int64_t dc = q - c;
        nearest[i].index = sampleAt[static_cast<std::size_t>(nearRow[column] + c * rows)];
        nearest[i].distance = std::sqrt(static_cast<double>(dc * dc + columnGap2[column]));
    }
    return nearest;
}

}  // namespace pairseek
