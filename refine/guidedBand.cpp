// Starting matte of the band solve: a confidence-weighted guided filter, each
// window fitting target ~ a' * colour + b, each pixel taking its windows' mean fit.
#include <algorithm>

#include "bandRefine.h"

namespace pairseek {
namespace {

using Grid = std::vector<double>;

// Sums over the (2*radius+1)^2 window around each element of a rows x cols grid,
// clipped at its borders; running sums keep the cost independent of the radius.
void boxSum(Grid& x, std::ptrdiff_t rows, std::ptrdiff_t cols, std::ptrdiff_t radius, Grid& running) {
    running.resize(static_cast<std::size_t>(std::max(rows, cols) + 1));
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        double* column = x.data() + c * rows;
        running[0] = 0;
        for (std::ptrdiff_t r = 0; r < rows; ++r) running[static_cast<std::size_t>(r + 1)] = running[static_cast<std::size_t>(r)] + column[r];
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            column[r] = running[static_cast<std::size_t>(std::min(r + radius, rows - 1) + 1)] -
                        running[static_cast<std::size_t>(std::max(r - radius, std::ptrdiff_t{0}))];
    }
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        running[0] = 0;
        for (std::ptrdiff_t c = 0; c < cols; ++c) running[static_cast<std::size_t>(c + 1)] = running[static_cast<std::size_t>(c)] + x[static_cast<std::size_t>(r + c * rows)];
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            x[static_cast<std::size_t>(r + c * rows)] =
                running[static_cast<std::size_t>(std::min(c + radius, cols - 1) + 1)] -
                running[static_cast<std::size_t>(std::max(c - radius, std::ptrdiff_t{0}))];
    }
}

}  // namespace

std::vector<double> guidedBand(const RefineInput& in, int radius, double epsilon) {
    const std::ptrdiff_t rows = in.rows, cols = in.cols, planeSize = rows * cols;
    std::ptrdiff_t r0 = rows, r1 = -1, c0 = cols, c1 = -1, nU = 0;
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            if (in.unknownMask[r + c * rows]) {
                r0 = std::min(r0, r), r1 = std::max(r1, r), c0 = std::min(c0, c), c1 = std::max(c1, c);
                ++nU;
            }
    std::vector<double> alpha(static_cast<std::size_t>(nU));
    if (nU == 0) return alpha;
    r0 = std::max(r0 - radius, std::ptrdiff_t{0});
    r1 = std::min(r1 + radius, rows - 1);
    c0 = std::max(c0 - radius, std::ptrdiff_t{0});
    c1 = std::min(c1 + radius, cols - 1);
    const std::ptrdiff_t h = r1 - r0 + 1, w = c1 - c0 + 1;
    const auto size = static_cast<std::size_t>(h * w);

    // Weighted moments: weight, its products with colour, target and colour pairs.
    enum Moment { W, WR, WG, WB, WP, WPR, WPG, WPB, WRR, WRG, WRB, WGG, WGB, WBB, Moments };
    std::vector<Grid> m(Moments, Grid(size));
    Grid red(size), green(size), blue(size);
    std::ptrdiff_t u = 0;
    for (std::ptrdiff_t c = 0; c < w; ++c)
        for (std::ptrdiff_t r = 0; r < h; ++r) {
            const std::ptrdiff_t p = (r0 + r) + (c0 + c) * rows;
            const auto k = static_cast<std::size_t>(r + c * h);
            double weight = 1, target = in.knownAlpha[p];
            if (in.unknownMask[p]) {
                // The floor keeps every window's fit defined.
                weight = in.confidence[u] + 1e-3;
                target = in.target[u];
                ++u;
            }
            const double R = in.image[p], G = in.image[p + planeSize], B = in.image[p + 2 * planeSize];
            red[k] = R, green[k] = G, blue[k] = B;
            const double wR = weight * R, wG = weight * G, wP = weight * target;
            m[W][k] = weight, m[WR][k] = wR, m[WG][k] = wG, m[WB][k] = weight * B, m[WP][k] = wP;
            m[WPR][k] = wP * R, m[WPG][k] = wP * G, m[WPB][k] = wP * B;
            m[WRR][k] = wR * R, m[WRG][k] = wR * G, m[WRB][k] = wR * B;
            m[WGG][k] = wG * G, m[WGB][k] = wG * B, m[WBB][k] = weight * B * B;
        }
    Grid running;
    for (Grid& g : m) boxSum(g, h, w, radius, running);

    // Each window's fit, then the mean over the windows holding each pixel.
    Grid& ar = m[WPR];
    Grid& ag = m[WPG];
    Grid& ab = m[WPB];
    Grid& b = m[WP];
    Grid& count = m[WRR];
    for (std::size_t k = 0; k < size; ++k) {
        const double W0 = m[W][k];
        const double mr = m[WR][k] / W0, mg = m[WG][k] / W0, mb = m[WB][k] / W0, mp = m[WP][k] / W0;
        const double pr = m[WPR][k] / W0 - mr * mp, pg = m[WPG][k] / W0 - mg * mp, pb = m[WPB][k] / W0 - mb * mp;
        const double srr = m[WRR][k] / W0 - mr * mr + epsilon, srg = m[WRG][k] / W0 - mr * mg;
        const double srb = m[WRB][k] / W0 - mr * mb, sgg = m[WGG][k] / W0 - mg * mg + epsilon;
        const double sgb = m[WGB][k] / W0 - mg * mb, sbb = m[WBB][k] / W0 - mb * mb + epsilon;
        const double c11 = sgg * sbb - sgb * sgb, c12 = srb * sgb - srg * sbb, c13 = srg * sgb - srb * sgg;
        const double c22 = srr * sbb - srb * srb, c23 = srb * srg - srr * sgb, c33 = srr * sgg - srg * srg;
        const double det = srr * c11 + srg * c12 + srb * c13;
        const double a1 = (c11 * pr + c12 * pg + c13 * pb) / det;
        const double a2 = (c12 * pr + c22 * pg + c23 * pb) / det;
        const double a3 = (c13 * pr + c23 * pg + c33 * pb) / det;
        ar[k] = a1, ag[k] = a2, ab[k] = a3, b[k] = mp - a1 * mr - a2 * mg - a3 * mb;
        count[k] = 1;
    }
    for (Grid* g : {&ar, &ag, &ab, &b, &count}) boxSum(*g, h, w, radius, running);

    u = 0;
    for (std::ptrdiff_t c = 0; c < w; ++c)
        for (std::ptrdiff_t r = 0; r < h; ++r) {
            const std::ptrdiff_t p = (r0 + r) + (c0 + c) * rows;
            if (!in.unknownMask[p]) continue;
            const auto k = static_cast<std::size_t>(r + c * h);
            const double value = (ar[k] * red[k] + ag[k] * green[k] + ab[k] * blue[k] + b[k]) / count[k];
            alpha[static_cast<std::size_t>(u++)] = std::min(std::max(value, 0.0), 1.0);
        }
    return alpha;
}

}  // namespace pairseek
