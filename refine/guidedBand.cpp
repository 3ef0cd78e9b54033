// Starting matte of the band solve: a confidence-weighted guided filter, each
// window fitting target ~ a' * colour + b, each pixel taking its windows' mean fit.
// It runs on blocks of pixels (the fast guided filter): the moments are summed
// per block, the windows are squares of blocks, and each unknown pixel takes the
// windows' mean fit interpolated between the block centres. A start need not be
// exact, the solve corrects it; it has to be close and cheap, and per block the
// windows' work is a sixteenth of what it is per pixel.
#include <algorithm>
#include <cmath>
#include <functional>

#include "bandRefine.h"
#include "blockGrid.h"
#include "hugePages.h"

namespace pairseek {
namespace {

// Weighted moments: weight, its products with colour, target and colour pairs.
enum Moment { W, WR, WG, WB, WP, WPR, WPG, WPB, WRR, WRG, WRB, WGG, WGB, WBB, Moments };
// A window's fit: target ~ ar * R + ag * G + ab * B + b.
enum Fit { AR, AG, AB, B0, Fits };

constexpr std::ptrdiff_t blockSide = 4;
// Block columns per part of the per-pixel steps.
constexpr std::ptrdiff_t partBlocks = 64;

// Sums of a rows x cols plane (column-major) over the squares of side 2 * radius + 1
// around each element, clipped to the plane: running sums down the columns, then along the rows.
void boxSum(double* plane, std::ptrdiff_t rows, std::ptrdiff_t cols, std::ptrdiff_t radius, std::vector<double>& running) {
    running.resize(static_cast<std::size_t>(std::max(rows, cols) + 1));
    double* sum = running.data();
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        double* x = plane + c * rows;
        sum[0] = 0;
        for (std::ptrdiff_t r = 0; r < rows; ++r) sum[r + 1] = sum[r] + x[r];
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            x[r] = sum[std::min(r + radius, rows - 1) + 1] - sum[std::max(r - radius, std::ptrdiff_t{0})];
    }
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        sum[0] = 0;
        for (std::ptrdiff_t c = 0; c < cols; ++c) sum[c + 1] = sum[c] + plane[r + c * rows];
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            plane[r + c * rows] = sum[std::min(c + radius, cols - 1) + 1] - sum[std::max(c - radius, std::ptrdiff_t{0})];
    }
}

struct Box {
    std::ptrdiff_t r0, c0, rows, cols;   // within the image
};

class BlockGuidedFilter {
public:
    BlockGuidedFilter(const RefineInput& in, const Box& box, std::ptrdiff_t radius, double epsilon)
        : in_(in), box_(box), rows_((box.rows + blockSide - 1) / blockSide), cols_((box.cols + blockSide - 1) / blockSide),
          radius_(std::max<std::ptrdiff_t>(1, (radius + blockSide / 2) / blockSide)), epsilon_(epsilon),
          down_(interpolations(box.rows, blockSide, rows_)) {
        resizeAdvised(moments_, static_cast<std::size_t>(Moments * blocks()));
        resizeAdvised(fits_, static_cast<std::size_t>(Fits * blocks()));
    }

    // Block columns per part of the steps over blocks or pixels.
    std::ptrdiff_t parts() const { return (cols_ + partBlocks - 1) / partBlocks; }

    // Each block's moments, for the block columns of `part`.
    void sumMoments(std::ptrdiff_t part, const std::vector<std::ptrdiff_t>& firstUnknown) {
        const std::ptrdiff_t planeSize = in_.rows * in_.cols, n = blocks();
        for (std::ptrdiff_t bc = part * partBlocks; bc < std::min(cols_, (part + 1) * partBlocks); ++bc) {
            const std::ptrdiff_t cFirst = bc * blockSide, cLast = std::min(box_.cols, cFirst + blockSide);
            std::ptrdiff_t next[blockSide];   // list index of each pixel column's next unknown pixel
            for (std::ptrdiff_t c = cFirst; c < cLast; ++c) next[c - cFirst] = firstUnknown[static_cast<std::size_t>(c)];
            for (std::ptrdiff_t br = 0; br < rows_; ++br) {
                double m[Moments] = {};
                for (std::ptrdiff_t c = cFirst; c < cLast; ++c) {
                    std::ptrdiff_t& u = next[c - cFirst];
                    for (std::ptrdiff_t r = br * blockSide; r < std::min(box_.rows, (br + 1) * blockSide); ++r) {
                        const std::ptrdiff_t p = pixel(r, c);
                        double weight = 1, target = in_.knownAlpha[p];
                        if (in_.unknownMask[p]) {
                            // The floor keeps every window's fit defined.
                            weight = in_.confidence[u] + 1e-3;
                            target = in_.target[u];
                            ++u;
                        }
                        const double R = in_.image[p], G = in_.image[p + planeSize], B = in_.image[p + 2 * planeSize];
                        const double wR = weight * R, wG = weight * G, wB = weight * B, wP = weight * target;
                        m[W] += weight, m[WR] += wR, m[WG] += wG, m[WB] += wB;
                        m[WP] += wP, m[WPR] += wP * R, m[WPG] += wP * G, m[WPB] += wP * B;
                        m[WRR] += wR * R, m[WRG] += wR * G, m[WRB] += wR * B;
                        m[WGG] += wG * G, m[WGB] += wG * B, m[WBB] += wB * B;
                    }
                }
                for (int k = 0; k < Moments; ++k) moments_[static_cast<std::size_t>(k * n + br + bc * rows_)] = m[k];
            }
        }
    }

    // Window sums of one moment plane.
    void sumWindows(std::ptrdiff_t moment) {
        std::vector<double> running;
        boxSum(&moments_[static_cast<std::size_t>(moment * blocks())], rows_, cols_, radius_, running);
    }

    // The mean over its windows of one fit plane, at each block.
    void averageWindows(std::ptrdiff_t fit) {
        std::vector<double> running;
        double* plane = &fits_[static_cast<std::size_t>(fit * blocks())];
        boxSum(plane, rows_, cols_, radius_, running);
        for (std::ptrdiff_t bc = 0; bc < cols_; ++bc) {
            const std::ptrdiff_t across = std::min(bc + radius_, cols_ - 1) - std::max(bc - radius_, std::ptrdiff_t{0}) + 1;
            for (std::ptrdiff_t br = 0; br < rows_; ++br) {
                const std::ptrdiff_t down = std::min(br + radius_, rows_ - 1) - std::max(br - radius_, std::ptrdiff_t{0}) + 1;
                plane[br + bc * rows_] /= static_cast<double>(down * across);
            }
        }
    }

    // Each window's fit, for the block columns of `part`.
    void fit(std::ptrdiff_t part) {
        const std::ptrdiff_t n = blocks();
        const double* s = moments_.data();
        double* f = fits_.data();
        for (std::ptrdiff_t b = part * partBlocks * rows_; b < std::min(cols_, (part + 1) * partBlocks) * rows_; ++b) {
            const double W0 = s[W * n + b];
            const double mr = s[WR * n + b] / W0, mg = s[WG * n + b] / W0, mb = s[WB * n + b] / W0;
            const double mp = s[WP * n + b] / W0;
            const double pr = s[WPR * n + b] / W0 - mr * mp, pg = s[WPG * n + b] / W0 - mg * mp;
            const double pb = s[WPB * n + b] / W0 - mb * mp;
            const double srr = s[WRR * n + b] / W0 - mr * mr + epsilon_, srg = s[WRG * n + b] / W0 - mr * mg;
            const double srb = s[WRB * n + b] / W0 - mr * mb, sgg = s[WGG * n + b] / W0 - mg * mg + epsilon_;
            const double sgb = s[WGB * n + b] / W0 - mg * mb, sbb = s[WBB * n + b] / W0 - mb * mb + epsilon_;
            const double c11 = sgg * sbb - sgb * sgb, c12 = srb * sgb - srg * sbb, c13 = srg * sgb - srb * sgg;
            const double c22 = srr * sbb - srb * srb, c23 = srb * srg - srr * sgb, c33 = srr * sgg - srg * srg;
            const double det = srr * c11 + srg * c12 + srb * c13;
            const double ar = (c11 * pr + c12 * pg + c13 * pb) / det;
            const double ag = (c12 * pr + c22 * pg + c23 * pb) / det;
            const double ab = (c13 * pr + c23 * pg + c33 * pb) / det;
            f[AR * n + b] = ar, f[AG * n + b] = ag, f[AB * n + b] = ab;
            f[B0 * n + b] = mp - ar * mr - ag * mg - ab * mb;
        }
    }

    // The unknown pixels of the block columns of `part`: the windows' mean fit,
    // interpolated between block centres; clamped.
    void write(std::ptrdiff_t part, const std::vector<std::ptrdiff_t>& firstUnknown, double* alpha) const {
        const std::ptrdiff_t planeSize = in_.rows * in_.cols, n = blocks();
        for (std::ptrdiff_t c = part * partBlocks * blockSide; c < std::min(box_.cols, (part + 1) * partBlocks * blockSide); ++c) {
            const Interpolation across = interpolation(c, blockSide, cols_);
            std::ptrdiff_t u = firstUnknown[static_cast<std::size_t>(c)];
            for (std::ptrdiff_t r = 0; r < box_.rows; ++r) {
                const std::ptrdiff_t p = pixel(r, c);
                if (!in_.unknownMask[p]) continue;
                const Interpolation& down = down_[static_cast<std::size_t>(r)];
                double fit[Fits];
                for (int k = 0; k < Fits; ++k) fit[k] = interpolated(&fits_[static_cast<std::size_t>(k * n)], rows_, down, across);
                const double value = fit[AR] * in_.image[p] + fit[AG] * in_.image[p + planeSize] +
                                     fit[AB] * in_.image[p + 2 * planeSize] + fit[B0];
                alpha[u++] = std::min(std::max(value, 0.0), 1.0);
            }
        }
    }

private:
    std::ptrdiff_t blocks() const { return rows_ * cols_; }
    std::ptrdiff_t pixel(std::ptrdiff_t r, std::ptrdiff_t c) const { return (box_.r0 + r) + (box_.c0 + c) * in_.rows; }

    const RefineInput& in_;
    Box box_;
    std::ptrdiff_t rows_, cols_;   // blocks
    std::ptrdiff_t radius_;        // in blocks
    double epsilon_;
    std::vector<Interpolation> down_;      // each box row's place between block centres
    std::vector<double> moments_, fits_;   // planes of blocks
};

}  // namespace

std::vector<double> guidedBand(const RefineInput& in, int radius, double epsilon, const ParallelFor& parallel) {
    const std::ptrdiff_t rows = in.rows, cols = in.cols;
    std::ptrdiff_t r0 = rows, r1 = -1, c0 = cols, c1 = -1, nU = 0;
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            if (in.unknownMask[r + c * rows]) {
                r0 = std::min(r0, r), r1 = std::max(r1, r), c0 = std::min(c0, c), c1 = std::max(c1, c);
                ++nU;
            }
    std::vector<double> alpha;
    resizeAdvised(alpha, static_cast<std::size_t>(nU), parallel);
    if (nU == 0) return alpha;
    r0 = std::max(r0 - radius, std::ptrdiff_t{0});
    r1 = std::min(r1 + radius, rows - 1);
    c0 = std::max(c0 - radius, std::ptrdiff_t{0});
    c1 = std::min(c1 + radius, cols - 1);
    const Box box{r0, c0, r1 - r0 + 1, c1 - c0 + 1};
    const std::vector<std::ptrdiff_t> firstUnknown = unknownBefore(in.unknownMask, rows, r0, c0, box.rows, box.cols);
    // Parts fixed by the box, each summing in its own fixed order: the same
    // matte on any number of threads.
    BlockGuidedFilter filter(in, box, radius, epsilon);
    forParts(parallel, filter.parts(), [&](std::ptrdiff_t part) { filter.sumMoments(part, firstUnknown); });
    forParts(parallel, Moments, [&](std::ptrdiff_t plane) { filter.sumWindows(plane); });
    forParts(parallel, filter.parts(), [&](std::ptrdiff_t part) { filter.fit(part); });
    forParts(parallel, Fits, [&](std::ptrdiff_t plane) { filter.averageWindows(plane); });
    forParts(parallel, filter.parts(), [&](std::ptrdiff_t part) { filter.write(part, firstUnknown, alpha.data()); });
    return alpha;
}

}  // namespace pairseek
