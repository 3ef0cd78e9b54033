// Closed-form matting on a grid `factor` times coarser as the band solve's start.
#include "coarseStart.h"

#include <algorithm>
#include <cstdint>

#include "blockGrid.h"

namespace pairseek {
namespace {

// The coarse band: mean colours, which cells are unknown and the known cells' alpha.
struct CoarseGrid {
    std::ptrdiff_t rows, cols;
    std::vector<double> image, knownAlpha;
    std::vector<std::uint8_t> unknownMask;
};

CoarseGrid coarseGrid(const RefineInput& in, std::ptrdiff_t factor, const ParallelFor& parallel) {
    CoarseGrid grid;
    grid.rows = (in.rows + factor - 1) / factor;
    grid.cols = (in.cols + factor - 1) / factor;
    const std::ptrdiff_t cells = grid.rows * grid.cols, plane = in.rows * in.cols;
    grid.image.assign(static_cast<std::size_t>(3 * cells), 0.0);
    grid.knownAlpha.assign(static_cast<std::size_t>(cells), 0.0);
    grid.unknownMask.assign(static_cast<std::size_t>(cells), 0);
    // Each coarse column is summed by one part, pixel by pixel in column-major order.
    inColumnParts(grid.cols, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        std::vector<double> low(static_cast<std::size_t>(grid.rows)), high(low.size());
        for (std::ptrdiff_t gc = first; gc < last; ++gc) {
            std::fill(low.begin(), low.end(), 2.0);
            std::fill(high.begin(), high.end(), -1.0);
            const std::ptrdiff_t cell0 = gc * grid.rows, cellCols = std::min(in.cols, (gc + 1) * factor) - gc * factor;
            for (std::ptrdiff_t c = gc * factor; c < gc * factor + cellCols; ++c)
                for (std::ptrdiff_t r = 0; r < in.rows; ++r) {
                    const std::ptrdiff_t p = r + c * in.rows, gr = r / factor;
                    const auto cell = static_cast<std::size_t>(cell0 + gr);
                    for (std::ptrdiff_t k = 0; k < 3; ++k) grid.image[cell + static_cast<std::size_t>(k * cells)] += in.image[p + k * plane];
                    if (in.unknownMask[p]) {
                        grid.unknownMask[cell] = 1;
                    } else {
                        low[static_cast<std::size_t>(gr)] = std::min(low[static_cast<std::size_t>(gr)], in.knownAlpha[p]);
                        high[static_cast<std::size_t>(gr)] = std::max(high[static_cast<std::size_t>(gr)], in.knownAlpha[p]);
                    }
                }
            for (std::ptrdiff_t gr = 0; gr < grid.rows; ++gr) {
                const auto g = static_cast<std::size_t>(gr), cell = static_cast<std::size_t>(cell0 + gr);
                const auto pixels = static_cast<double>((std::min(in.rows, (gr + 1) * factor) - gr * factor) * cellCols);
                for (std::ptrdiff_t k = 0; k < 3; ++k) grid.image[cell + static_cast<std::size_t>(k * cells)] /= pixels;
                // A cell whose known pixels disagree (foreground beside background) is an edge: unknown.
                if (low[g] != high[g]) grid.unknownMask[cell] = 1;
                if (!grid.unknownMask[cell]) grid.knownAlpha[cell] = low[g];
            }
        }
    });
    return grid;
}

}  // namespace

std::vector<double> coarseStart(const RefineInput& in, const CoarseStartParams& params, const ParallelFor& parallel) {
    const std::ptrdiff_t factor = std::max(params.factor, 1);
    const std::vector<std::ptrdiff_t> firstUnknown = unknownBefore(in.unknownMask, in.rows, 0, 0, in.rows, in.cols);
    std::vector<double> start(static_cast<std::size_t>(firstUnknown.back()));
    if (start.empty()) return start;

    CoarseGrid grid = coarseGrid(in, factor, parallel);
    const auto coarseUnknown = static_cast<std::size_t>(std::count(grid.unknownMask.begin(), grid.unknownMask.end(), 1));
    const std::vector<double> none(coarseUnknown, 0.0);
    RefineParams solve;
    solve.tolerance = params.tolerance;
    solve.maxIterations = params.maxIterations;
    solve.startTie = params.startTie;
    const std::vector<double> solved =
        refineBand({grid.image.data(), grid.unknownMask.data(), grid.knownAlpha.data(), none.data(), none.data(),
                    grid.rows, grid.cols},
                   solve, parallel);
    std::vector<double>& alpha = grid.knownAlpha;
    for (std::size_t cell = 0, u = 0; cell < alpha.size(); ++cell)
        if (grid.unknownMask[cell]) alpha[cell] = solved[u++];

    // Bilinear between cell centres, clamped at the grid's edges; the rows' weights
    // are the same in every column.
    const std::vector<Interpolation> down = interpolations(in.rows, factor, grid.rows);
    inColumnParts(in.cols, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        for (std::ptrdiff_t c = first; c < last; ++c) {
            const Interpolation across = interpolation(c, factor, grid.cols);
            std::ptrdiff_t u = firstUnknown[static_cast<std::size_t>(c)];
            for (std::ptrdiff_t r = 0; r < in.rows; ++r)
                if (in.unknownMask[r + c * in.rows])
                    start[static_cast<std::size_t>(u++)] = interpolated(alpha.data(), grid.rows, down[static_cast<std::size_t>(r)], across);
        }
    });
    return start;
}

}  // namespace pairseek
