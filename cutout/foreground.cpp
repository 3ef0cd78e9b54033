// Foreground and background colours from an image and its alpha, coarse to
// fine. Each pixel minimises, per channel,
//   (a F + (1 - a) B - I)^2 + sum over 4-neighbours j of (wF_j (F - F_j)^2 + wB_j (B - B_j)^2)
// with the neighbours' current values held: a 2 x 2 system shared by the three
// channels. Sweeps of these updates (Gauss-Seidel) carry colours a few pixels;
// the coarser levels of the pyramid carry them across the band first. A few
// sweeps, not a converged solve: measured on the synthetic cases, the converged
// colours follow the matte's errors further.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <thread>

#include "cutout.h"
#include "hugePages.h"

namespace pairseek {
namespace {

struct Level {
    std::ptrdiff_t rows = 0, cols = 0;
    const double* image = nullptr;   // rows x cols x 3
    const double* alpha = nullptr;   // rows x cols
};

std::ptrdiff_t halved(std::ptrdiff_t side) { return (side + 1) / 2; }

// The next coarser level into `storage` (4 values a pixel): each pixel the
// mean of its (up to) 2 x 2 children.
Level halve(const Level& fine, double* storage, const ParallelFor& parallel) {
    Level coarse;
    coarse.rows = halved(fine.rows);
    coarse.cols = halved(fine.cols);
    const std::ptrdiff_t n = coarse.rows * coarse.cols, fineN = fine.rows * fine.cols;
    double* image = storage;
    double* alpha = storage + 3 * n;
    inColumnParts(coarse.cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c)
            for (std::ptrdiff_t r = 0; r < coarse.rows; ++r) {
                const std::ptrdiff_t r0 = 2 * r, c0 = 2 * c;
                const std::ptrdiff_t r1 = std::min(r0 + 1, fine.rows - 1), c1 = std::min(c0 + 1, fine.cols - 1);
                // At an odd edge a child repeats: the mean stays that of the pixels present.
                const std::ptrdiff_t children[4] = {r0 + c0 * fine.rows, r1 + c0 * fine.rows, r0 + c1 * fine.rows,
                                                    r1 + c1 * fine.rows};
                const std::ptrdiff_t i = r + c * coarse.rows;
                double a = 0;
                for (std::ptrdiff_t child : children) a += fine.alpha[child];
                alpha[i] = a / 4;
                for (std::ptrdiff_t k = 0; k < 3; ++k) {
                    double v = 0;
                    for (std::ptrdiff_t child : children) v += fine.image[child + k * fineN];
                    image[i + k * n] = v / 4;
                }
            }
    });
    coarse.image = image;
    coarse.alpha = alpha;
    return coarse;
}

double clampUnit(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Pixel i's new F and B (three planes n apart) from its image colour, its
// alpha and those of its neighbours.
inline void update(std::ptrdiff_t i, const std::ptrdiff_t* neighbours, int count, const double* image,
                   const double* alpha, std::ptrdiff_t n, const ForegroundOptions& options, double* fg, double* bg) {
    const double a = alpha[i];
    double weightF = 0, weightB = 0, sumF[3] = {0, 0, 0}, sumB[3] = {0, 0, 0};
    for (int m = 0; m < count; ++m) {
        const std::ptrdiff_t j = neighbours[m];
        const double step = std::fabs(a - alpha[j]);
        const double wF = options.regularization + options.foregroundGradient * step;
        const double wB = options.regularization + options.backgroundGradient * step;
        weightF += wF;
        weightB += wB;
        for (std::ptrdiff_t k = 0; k < 3; ++k) {
            sumF[k] += wF * fg[j + k * n];
            sumB[k] += wB * bg[j + k * n];
        }
    }
    if (a >= 1) {
        for (std::ptrdiff_t k = 0; k < 3; ++k) {
            fg[i + k * n] = image[i + k * n];
            bg[i + k * n] = clampUnit(sumB[k] / weightB);
        }
    } else if (a <= 0) {
        for (std::ptrdiff_t k = 0; k < 3; ++k) {
            fg[i + k * n] = clampUnit(sumF[k] / weightF);
            bg[i + k * n] = image[i + k * n];
        }
    } else {
        const double b = 1 - a;
        const double m00 = a * a + weightF, m01 = a * b, m11 = b * b + weightB;
        const double det = m00 * m11 - m01 * m01;   // a^2 WB + b^2 WF + WF WB > 0
        for (std::ptrdiff_t k = 0; k < 3; ++k) {
            const double v = image[i + k * n];
            const double r0 = a * v + sumF[k], r1 = b * v + sumB[k];
            fg[i + k * n] = clampUnit((m11 * r0 - m01 * r1) / det);
            bg[i + k * n] = clampUnit((m00 * r1 - m01 * r0) / det);
        }
    }
}

// Rows per block of a parallel sweep: fewer and the waits cost more than the work.
constexpr std::ptrdiff_t blockRows = 256;

// One Gauss-Seidel sweep over a level (at least 2 pixels), forward or backward
// in memory order: each pixel sees the values its predecessors just took.
// Shared out as a wavefront: the rows, in sweep order, fall into one block per
// lane, and a block sweeps a column once the block before it has. A pixel then
// reads its neighbours in the state the sequential sweep leaves them in (the
// row before it already updated, the row after it not yet), so the colours do
// not depend on the lanes.
void sweep(const Level& level, double* fg, double* bg, const ForegroundOptions& options, bool backward,
           const ParallelFor& parallel, int lanes) {
    const std::ptrdiff_t rows = level.rows, cols = level.cols, n = rows * cols;
    const std::ptrdiff_t blocks = std::max<std::ptrdiff_t>(1, std::min<std::ptrdiff_t>(lanes, rows / blockRows));
    std::unique_ptr<std::atomic<std::ptrdiff_t>[]> columnsDone(new std::atomic<std::ptrdiff_t>[blocks]);
    for (std::ptrdiff_t b = 0; b < blocks; ++b) columnsDone[b].store(0, std::memory_order_relaxed);
    forParts(parallel, blocks, [&](std::ptrdiff_t b) {
        const std::ptrdiff_t first = b * rows / blocks, last = (b + 1) * rows / blocks;
        for (std::ptrdiff_t cStep = 0; cStep < cols; ++cStep) {
            // Parts start in order, so the block before is running or done: the wait ends.
            if (b > 0)
                while (columnsDone[b - 1].load(std::memory_order_acquire) <= cStep) std::this_thread::yield();
            const std::ptrdiff_t c = backward ? cols - 1 - cStep : cStep;
            for (std::ptrdiff_t rStep = first; rStep < last; ++rStep) {
                const std::ptrdiff_t r = backward ? rows - 1 - rStep : rStep;
                const std::ptrdiff_t i = r + c * rows;
                std::ptrdiff_t neighbours[4];
                int count = 0;
                if (r > 0) neighbours[count++] = i - 1;
                if (r + 1 < rows) neighbours[count++] = i + 1;
                if (c > 0) neighbours[count++] = i - rows;
                if (c + 1 < cols) neighbours[count++] = i + rows;
                update(i, neighbours, count, level.image, level.alpha, n, options, fg, bg);
            }
            columnsDone[b].store(cStep + 1, std::memory_order_release);
        }
    });
}

// Nearest-parent copy of a coarse level's colours (3 planes) onto the next finer grid.
void enlarge(const Level& coarse, const double* from, const Level& fine, double* to, const ParallelFor& parallel) {
    const std::ptrdiff_t n = fine.rows * fine.cols, coarseN = coarse.rows * coarse.cols;
    inColumnParts(fine.cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t k = 0; k < 3; ++k)
            for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c) {
                const double* parents = from + (c / 2) * coarse.rows + k * coarseN;
                double* column = to + c * fine.rows + k * n;
                for (std::ptrdiff_t r = 0; r < fine.rows; ++r) column[r] = parents[r / 2];
            }
    });
}

}  // namespace

ForegroundEstimate estimateForeground(const double* image, const double* alpha, std::ptrdiff_t rows,
                                      std::ptrdiff_t cols, const ForegroundOptions& options,
                                      const ParallelFor& parallel, int lanes) {
    const auto weight = [](double v) { return v >= 0 && std::isfinite(v); };
    if (!(options.regularization > 0 && std::isfinite(options.regularization)))
        throw std::invalid_argument("foreground regularization must be a finite number > 0");
    if (!weight(options.foregroundGradient) || !weight(options.backgroundGradient))
        throw std::invalid_argument("foreground gradient weights must be finite numbers >= 0");
    if (options.coarseIterations < 0 || options.fineIterations < 0)
        throw std::invalid_argument("foreground iteration counts must be >= 0");
    if (rows < 0 || cols < 0) throw std::invalid_argument("image rows and cols must be >= 0");

    const std::ptrdiff_t n = rows * cols;
    ForegroundEstimate out;
    resizeAdvised(out.foreground, static_cast<std::size_t>(3 * n), parallel);
    resizeAdvised(out.background, static_cast<std::size_t>(3 * n), parallel);

    // The pyramid: halve until both sides are at most 2, so that every level but
    // a 1 x 1 image has neighbours. One block holds the coarser levels' image and
    // alpha (4 values a pixel) and the colours of levels 1 and 2 (6 values a
    // pixel; level l works in the block of level 1 or 2 by parity).
    std::vector<Level> levels(1);
    levels[0] = {rows, cols, image, alpha};
    std::ptrdiff_t pyramidSize = 0;
    for (std::ptrdiff_t r = rows, c = cols; r > 2 || c > 2;) {
        r = halved(r);
        c = halved(c);
        pyramidSize += 4 * r * c;
    }
    const std::ptrdiff_t n1 = halved(rows) * halved(cols), n2 = halved(halved(rows)) * halved(halved(cols));
    const std::size_t blockSize = static_cast<std::size_t>(pyramidSize + 6 * (n1 + n2));
    std::unique_ptr<double[]> block(new double[blockSize]);
    preferHugePages(block.get(), blockSize * sizeof(double));
    double* next = block.get();
    while (levels.back().rows > 2 || levels.back().cols > 2) {
        levels.push_back(halve(levels.back(), next, parallel));
        next += 4 * levels.back().rows * levels.back().cols;
    }
    double* const work[3][2] = {{out.foreground.data(), out.background.data()},
                                {next, next + 3 * n1},
                                {next + 6 * n1, next + 6 * n1 + 3 * n2}};
    const auto colours = [&](std::size_t l) { return work[l == 0 ? 0 : 2 - l % 2]; };

    // The coarsest level starts at its own colours; every finer one from its parent.
    const std::size_t coarsest = levels.size() - 1;
    {
        const Level& level = levels[coarsest];
        const std::ptrdiff_t levelN = level.rows * level.cols;
        std::copy(level.image, level.image + 3 * levelN, colours(coarsest)[0]);
        std::copy(level.image, level.image + 3 * levelN, colours(coarsest)[1]);
    }
    if (n < 2) return out;   // a single pixel has no neighbours: F = B = its colour
    for (std::size_t l = coarsest + 1; l-- > 0;) {
        const Level& level = levels[l];
        double* const* fgBg = colours(l);
        if (l < coarsest) {
            const double* const* parent = colours(l + 1);
            enlarge(levels[l + 1], parent[0], level, fgBg[0], parallel);
            enlarge(levels[l + 1], parent[1], level, fgBg[1], parallel);
        }
        const int iterations = l == 0 ? options.fineIterations : options.coarseIterations;
        for (int t = 0; t < iterations; ++t) sweep(level, fgBg[0], fgBg[1], options, t % 2 == 1, parallel, lanes);
    }
    // The known pixels hold the image exactly, whatever the iteration counts; the
    // others move the least (F and B along (alpha, 1 - alpha)) that makes their
    // blend the image, unless that leaves [0, 1].
    inColumnParts(cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t k = 0; k < 3; ++k)
            for (std::ptrdiff_t i = firstColumn * rows; i < lastColumn * rows; ++i) {
                const std::size_t at = static_cast<std::size_t>(i + k * n);
                if (alpha[i] >= 1) out.foreground[at] = image[i + k * n];
                if (alpha[i] <= 0) out.background[at] = image[i + k * n];
                if (alpha[i] > 0 && alpha[i] < 1) {
                    const double a = alpha[i], b = 1 - a;
                    const double d = (image[i + k * n] - a * out.foreground[at] - b * out.background[at]) / (a * a + b * b);
                    out.foreground[at] = clampUnit(out.foreground[at] + a * d);
                    out.background[at] = clampUnit(out.background[at] + b * d);
                }
            }
    });
    return out;
}

}  // namespace pairseek
