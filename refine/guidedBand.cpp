// Starting matte of the band solve: a confidence-weighted guided filter, each
// window fitting target ~ a' * colour + b, each pixel taking its windows' mean fit.
// Both box filters slide along the columns, so the working storage is a few
// columns, not planes of the image: fresh memory pages are what such a call costs.
#include <algorithm>
#include <functional>

#include "bandRefine.h"

namespace pairseek {
namespace {

// Weighted moments: weight, its products with colour, target and colour pairs.
enum Moment { W, WR, WG, WB, WP, WPR, WPG, WPB, WRR, WRG, WRB, WGG, WGB, WBB, Moments };
// A window's fit: target ~ ar * R + ag * G + ab * B + b.
enum Fit { AR, AG, AB, B0, Fits };

// Box columns per part of the filter; each part first slides over the 2 * radius
// columns before it.
constexpr std::ptrdiff_t guidedColumns = 512;

struct Box {
    std::ptrdiff_t r0, c0, rows, cols;   // within the image
};

// Sums of each of `planes` stacked columns of length n over the rows r - radius .. r + radius.
void columnBoxSum(double* column, std::ptrdiff_t planes, std::ptrdiff_t n, std::ptrdiff_t radius,
                  std::vector<double>& running) {
    for (std::ptrdiff_t q = 0; q < planes; ++q) {
        double* x = column + q * n;
        running[0] = 0;
        for (std::ptrdiff_t r = 0; r < n; ++r) running[static_cast<std::size_t>(r + 1)] = running[static_cast<std::size_t>(r)] + x[r];
        for (std::ptrdiff_t r = 0; r < n; ++r)
            x[r] = running[static_cast<std::size_t>(std::min(r + radius, n - 1) + 1)] -
                   running[static_cast<std::size_t>(std::max(r - radius, std::ptrdiff_t{0}))];
    }
}

class GuidedFilter {
public:
    // firstUnknown[c]: the list index of the first unknown pixel in box column c
    // (every unknown pixel lies in the box), one entry more for the end.
    GuidedFilter(const RefineInput& in, const Box& box, std::ptrdiff_t radius, double epsilon,
                 const std::vector<std::ptrdiff_t>& firstUnknown)
        : in_(in), box_(box), radius_(radius), epsilon_(epsilon), ringSize_(2 * radius + 2),
          firstUnknown_(firstUnknown), moments_(Moments * h()), momentSums_(Moments * h()),
          fitSums_(Fits * h()), ring_(static_cast<std::size_t>(Fits * h() * ringSize_)),
          running_(static_cast<std::size_t>(h() + 1)) {}

    // Box columns from .. to - 1. The sums slide from `from` on, started from the
    // columns before it that its windows reach: run(0, cols) slides over the box.
    void run(std::ptrdiff_t from, std::ptrdiff_t to, double* alpha) {
        const std::ptrdiff_t cols = box_.cols;
        const std::ptrdiff_t firstFit = std::max(from - radius_, std::ptrdiff_t{0});
        for (std::ptrdiff_t c = std::max(firstFit - radius_, std::ptrdiff_t{0}); c <= std::min(firstFit + radius_ - 1, cols - 1); ++c)
            addMoments(c, 1);
        std::ptrdiff_t produced = firstFit;   // fits of columns firstFit .. produced - 1 are in the ring and in fitSums_
        for (std::ptrdiff_t out = from; out < to; ++out) {
            for (; produced <= std::min(out + radius_, cols - 1); ++produced) produceFit(produced);
            if (out - radius_ - 1 >= firstFit) addFit(out - radius_ - 1, -1);
            writeColumn(out, alpha);
        }
    }

private:
    std::ptrdiff_t h() const { return box_.rows; }
    std::ptrdiff_t pixel(std::ptrdiff_t r, std::ptrdiff_t c) const { return (box_.r0 + r) + (box_.c0 + c) * in_.rows; }
    double* ringColumn(std::ptrdiff_t c) { return &ring_[static_cast<std::size_t>((c % ringSize_) * Fits * h())]; }

    // Adds (sign 1) or removes (-1) box column c's moments, summed over its rows' windows.
    void addMoments(std::ptrdiff_t c, double sign) {
        const std::ptrdiff_t n = h(), planeSize = in_.rows * in_.cols;
        std::ptrdiff_t u = firstUnknown_[static_cast<std::size_t>(c)];
        double* m = moments_.data();
        for (std::ptrdiff_t r = 0; r < n; ++r) {
            const std::ptrdiff_t p = pixel(r, c);
            double weight = 1, target = in_.knownAlpha[p];
            if (in_.unknownMask[p]) {
                // The floor keeps every window's fit defined.
                weight = in_.confidence[u] + 1e-3;
                target = in_.target[u];
                ++u;
            }
            const double R = in_.image[p], G = in_.image[p + planeSize], B = in_.image[p + 2 * planeSize];
            const double wR = weight * R, wG = weight * G, wP = weight * target;
            m[W * n + r] = weight, m[WR * n + r] = wR, m[WG * n + r] = wG, m[WB * n + r] = weight * B;
            m[WP * n + r] = wP, m[WPR * n + r] = wP * R, m[WPG * n + r] = wP * G, m[WPB * n + r] = wP * B;
            m[WRR * n + r] = wR * R, m[WRG * n + r] = wR * G, m[WRB * n + r] = wR * B;
            m[WGG * n + r] = wG * G, m[WGB * n + r] = wG * B, m[WBB * n + r] = weight * B * B;
        }
        columnBoxSum(m, Moments, n, radius_, running_);
        for (std::size_t k = 0; k < momentSums_.size(); ++k) momentSums_[k] += sign * moments_[k];
    }

    // Column c's window fits, summed over its rows' windows, into the ring and
    // fitSums_. Before, momentSums_ holds columns c - radius .. c + radius - 1; after,
    // c - radius + 1 .. c + radius (clipped to the box).
    void produceFit(std::ptrdiff_t c) {
        if (c + radius_ < box_.cols) addMoments(c + radius_, 1);
        const std::ptrdiff_t n = h();
        const double* s = momentSums_.data();
        double* fit = ringColumn(c);
        for (std::ptrdiff_t r = 0; r < n; ++r) {
            const double W0 = s[W * n + r];
            const double mr = s[WR * n + r] / W0, mg = s[WG * n + r] / W0, mb = s[WB * n + r] / W0;
            const double mp = s[WP * n + r] / W0;
            const double pr = s[WPR * n + r] / W0 - mr * mp, pg = s[WPG * n + r] / W0 - mg * mp;
            const double pb = s[WPB * n + r] / W0 - mb * mp;
            const double srr = s[WRR * n + r] / W0 - mr * mr + epsilon_, srg = s[WRG * n + r] / W0 - mr * mg;
            const double srb = s[WRB * n + r] / W0 - mr * mb, sgg = s[WGG * n + r] / W0 - mg * mg + epsilon_;
            const double sgb = s[WGB * n + r] / W0 - mg * mb, sbb = s[WBB * n + r] / W0 - mb * mb + epsilon_;
            const double c11 = sgg * sbb - sgb * sgb, c12 = srb * sgb - srg * sbb, c13 = srg * sgb - srb * sgg;
            const double c22 = srr * sbb - srb * srb, c23 = srb * srg - srr * sgb, c33 = srr * sgg - srg * srg;
            const double det = srr * c11 + srg * c12 + srb * c13;
            const double ar = (c11 * pr + c12 * pg + c13 * pb) / det;
            const double ag = (c12 * pr + c22 * pg + c23 * pb) / det;
            const double ab = (c13 * pr + c23 * pg + c33 * pb) / det;
            fit[AR * n + r] = ar, fit[AG * n + r] = ag, fit[AB * n + r] = ab;
            fit[B0 * n + r] = mp - ar * mr - ag * mg - ab * mb;
        }
        columnBoxSum(fit, Fits, n, radius_, running_);
        addFit(c, 1);
        if (c - radius_ >= 0) addMoments(c - radius_, -1);
    }

    void addFit(std::ptrdiff_t c, double sign) {
        const double* fit = ringColumn(c);
        for (std::size_t k = 0; k < fitSums_.size(); ++k) fitSums_[k] += sign * fit[k];
    }

    // fitSums_ holds the fits of every window over column c's pixels: their mean, clamped.
    void writeColumn(std::ptrdiff_t c, double* alpha) const {
        const std::ptrdiff_t n = h(), planeSize = in_.rows * in_.cols;
        const std::ptrdiff_t windowCols = std::min(c + radius_, box_.cols - 1) - std::max(c - radius_, std::ptrdiff_t{0}) + 1;
        std::ptrdiff_t u = firstUnknown_[static_cast<std::size_t>(c)];
        for (std::ptrdiff_t r = 0; r < n; ++r) {
            const std::ptrdiff_t p = pixel(r, c);
            if (!in_.unknownMask[p]) continue;
            const std::ptrdiff_t windowRows = std::min(r + radius_, n - 1) - std::max(r - radius_, std::ptrdiff_t{0}) + 1;
            const double* f = fitSums_.data();
            const double value = (f[AR * n + r] * in_.image[p] + f[AG * n + r] * in_.image[p + planeSize] +
                                  f[AB * n + r] * in_.image[p + 2 * planeSize] + f[B0 * n + r]) /
                                 static_cast<double>(windowRows * windowCols);
            alpha[u++] = std::min(std::max(value, 0.0), 1.0);
        }
    }

    const RefineInput& in_;
    Box box_;
    std::ptrdiff_t radius_;
    double epsilon_;
    std::ptrdiff_t ringSize_;   // fits of 2 * radius + 2 columns: a window's span and the one leaving it
    const std::vector<std::ptrdiff_t>& firstUnknown_;
    std::vector<double> moments_, momentSums_, fitSums_, ring_, running_;
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
    std::vector<double> alpha(static_cast<std::size_t>(nU));
    if (nU == 0) return alpha;
    r0 = std::max(r0 - radius, std::ptrdiff_t{0});
    r1 = std::min(r1 + radius, rows - 1);
    c0 = std::max(c0 - radius, std::ptrdiff_t{0});
    c1 = std::min(c1 + radius, cols - 1);
    const Box box{r0, c0, r1 - r0 + 1, c1 - c0 + 1};
    std::vector<std::ptrdiff_t> firstUnknown(static_cast<std::size_t>(box.cols + 1), 0);
    for (std::ptrdiff_t c = 0; c < box.cols; ++c) {
        std::ptrdiff_t count = 0;
        for (std::ptrdiff_t r = 0; r < box.rows; ++r) count += in.unknownMask[(r0 + r) + (c0 + c) * rows] != 0;
        firstUnknown[static_cast<std::size_t>(c + 1)] = firstUnknown[static_cast<std::size_t>(c)] + count;
    }
    // Parts of whole columns, each sliding on its own: fixed by the box, so the
    // sums, and the matte, are the same on any number of threads.
    const std::ptrdiff_t parts = (box.cols + guidedColumns - 1) / guidedColumns;
    const std::function<void(std::ptrdiff_t)> task = [&](std::ptrdiff_t part) {
        GuidedFilter(in, box, radius, epsilon, firstUnknown)
            .run(part * guidedColumns, std::min(box.cols, (part + 1) * guidedColumns), alpha.data());
    };
    if (parallel) parallel(parts, task);
    else
        for (std::ptrdiff_t part = 0; part < parts; ++part) task(part);
    return alpha;
}

}  // namespace pairseek
