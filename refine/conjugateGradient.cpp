// Conjugate gradients over the lower triangle. The product with the symmetric
// matrix walks column chunks at once: each chunk adds its columns' entries to
// its own rows and, for the rows past its end, to a spill area added in chunk
// order afterwards. Within a chunk, a segment's columns go in its groups, offset
// by offset: loops over consecutive columns without indices, which vectorise.
// Sums over the vectors are taken per chunk, then in chunk order. Each pass over
// the vectors does all the work that can share it: the product also gives
// p' A p, and the update of x waits for the one of p. The solve is bound by
// memory traffic: for a loose tolerance its vectors are float, half the bytes.
#include "conjugateGradient.h"

#include "hugePages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

namespace pairseek {
namespace {

// Loosest tolerance that needs double vectors: float ones round far below it,
// and their half the bytes make the memory-bound solve about 1.4 times faster.
constexpr double floatTolerance = 1e-4;

// Columns per chunk: parts enough to share out, each long enough to be worth a task.
constexpr std::ptrdiff_t chunkColumns = 16384;

// Real: the vectors' type.
template <class Real>
class Solver {
public:
    Solver(const LowerSegments& a, const ParallelFor& parallel)
        : a_(a), parallel_(parallel), chunks_((a.n + chunkColumns - 1) / chunkColumns),
          firstValue_(static_cast<std::size_t>(a.segments) + 1), firstSegment_(static_cast<std::size_t>(chunks_) + 1),
          spill_(static_cast<std::size_t>(chunks_)), partial_(static_cast<std::size_t>(2 * chunks_)) {
        for (std::ptrdiff_t s = 0; s < a.segments; ++s) {
            std::size_t offsets = 0;
            for (int run = a.firstRun[s]; run < a.firstRun[s + 1]; ++run) offsets += a.runLength[run];
            firstValue_[static_cast<std::size_t>(s) + 1] =
                firstValue_[static_cast<std::size_t>(s)] + offsets * static_cast<std::size_t>(columns(s));
        }
        // Each chunk's first segment, and the rows past its end that it reaches.
        std::ptrdiff_t s = 0;
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) {
            const std::ptrdiff_t begin = chunkBegin(t), end = chunkEnd(t);
            while (a.firstColumn[s + 1] <= begin) ++s;
            firstSegment_[static_cast<std::size_t>(t)] = s;
            std::ptrdiff_t last = end - 1;
            for (std::ptrdiff_t k = s; k < a.segments && a.firstColumn[k] < end; ++k)
                for (int run = a.firstRun[k]; run < a.firstRun[k + 1]; ++run)
                    last = std::max<std::ptrdiff_t>(last, std::min<std::ptrdiff_t>(end, a.firstColumn[k + 1]) - 1 +
                                                              a.runOffset[run] + a.runLength[run] - 1);
            spill_[static_cast<std::size_t>(t)].resize(static_cast<std::size_t>(last + 1 - end));
        }
    }

    std::ptrdiff_t chunkBegin(std::ptrdiff_t t) const { return t * chunkColumns; }
    std::ptrdiff_t chunkEnd(std::ptrdiff_t t) const { return std::min(a_.n, (t + 1) * chunkColumns); }
    std::ptrdiff_t columns(std::ptrdiff_t s) const { return a_.firstColumn[s + 1] - a_.firstColumn[s]; }

    void forChunks(const std::function<void(std::ptrdiff_t)>& task) const { forParts(parallel_, chunks_, task); }

    // y = A x; returns x' A x, summed per chunk from the triangle, then in chunk order.
    double multiply(const Real* x, Real* y) {
        forChunks([&](std::ptrdiff_t t) {
            const std::ptrdiff_t begin = chunkBegin(t), end = chunkEnd(t);
            std::vector<Real>& spill = spill_[static_cast<std::size_t>(t)];
            std::fill(y + begin, y + end, Real{0});
            std::fill(spill.begin(), spill.end(), Real{0});
            double form = 0;
            for (std::ptrdiff_t s = firstSegment_[static_cast<std::size_t>(t)]; s < a_.segments && a_.firstColumn[s] < end; ++s) {
                // The segment's groups of columns, or their parts in this chunk.
                const std::ptrdiff_t first = a_.firstColumn[s], count = columns(s);
                const std::ptrdiff_t from = std::max(begin, first), to = std::min(end, first + count);
                for (std::ptrdiff_t g = (from - first) / segmentGroup * segmentGroup; first + g < to; g += segmentGroup) {
                    const std::ptrdiff_t j = std::max(from, first + g);
                    form += multiplyGroup(s, g, j - first - g, std::min(to, first + g + segmentGroup) - j, end, x, y, spill);
                }
            }
            partial_[static_cast<std::size_t>(2 * t)] = form;
        });
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) {
            const std::vector<Real>& spill = spill_[static_cast<std::size_t>(t)];
            Real* target = y + chunkEnd(t);
            for (std::size_t k = 0; k < spill.size(); ++k) target[k] += spill[k];
        }
        double total = 0;
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) total += partial_[static_cast<std::size_t>(2 * t)];
        return total;
    }

    // Runs step(j, first, second) for every j, each adding to the two sums it is
    // given; returns their totals. A chunk keeps four pairs of sums, j going to
    // pair j mod 4 (so that no addition waits for the one before), added up in
    // a fixed order, then the chunks' in chunk order.
    template <class Step>
    std::pair<double, double> sums(Step&& step) {
        forChunks([&](std::ptrdiff_t t) {
            double a0 = 0, a1 = 0, a2 = 0, a3 = 0, b0 = 0, b1 = 0, b2 = 0, b3 = 0;
            std::ptrdiff_t j = chunkBegin(t);
            const std::ptrdiff_t end = chunkEnd(t);
            for (; j + 4 <= end; j += 4) {
                step(j, a0, b0);
                step(j + 1, a1, b1);
                step(j + 2, a2, b2);
                step(j + 3, a3, b3);
            }
            for (; j < end; ++j) step(j, a0, b0);
            partial_[static_cast<std::size_t>(2 * t)] = (a0 + a1) + (a2 + a3);
            partial_[static_cast<std::size_t>(2 * t + 1)] = (b0 + b1) + (b2 + b3);
        });
        double total[2] = {0, 0};
        for (std::ptrdiff_t t = 0; t < chunks_; ++t)
            total[0] += partial_[static_cast<std::size_t>(2 * t)], total[1] += partial_[static_cast<std::size_t>(2 * t + 1)];
        return {total[0], total[1]};
    }

private:
    // Columns skip .. skip + width - 1 of the group of segment s starting at its
    // column g, all in the chunk ending at `end`: their products into y (rows
    // from `end` on into the spill); returns their part of x' A x.
    double multiplyGroup(std::ptrdiff_t s, std::ptrdiff_t g, std::ptrdiff_t skip, std::ptrdiff_t width, std::ptrdiff_t end,
                         const Real* x, Real* y, std::vector<Real>& spill) const {
        Real below[segmentGroup] = {};   // each column's entries times x: its row of the upper triangle
        const std::ptrdiff_t j = a_.firstColumn[s] + g + skip;
        const std::ptrdiff_t stride = std::min(segmentGroup, columns(s) - g);   // the group's columns
        const auto u = static_cast<std::size_t>(s);
        const std::size_t offsets = (firstValue_[u + 1] - firstValue_[u]) / static_cast<std::size_t>(columns(s));
        const std::size_t at = firstValue_[u] + static_cast<std::size_t>(g) * offsets + static_cast<std::size_t>(skip);
        const Real* xj = x + j;
        // One offset's entries, of columns j .. j + width - 1: rows before `end`
        // into y, the others into the spill, each part one plain loop.
        const auto addOffset = [&](std::ptrdiff_t offset, const float* value) {
            const Real* xi = xj + offset;
            const std::ptrdiff_t inside = std::min(width, std::max<std::ptrdiff_t>(0, end - j - offset));
            Real* yi = y + j + offset;
            for (std::ptrdiff_t m = 0; m < inside; ++m) {
                below[m] += value[m] * xi[m];
                yi[m] += value[m] * xj[m];
            }
            if (inside == width) return;
            Real* spilled = spill.data() + (j + offset + inside - end);   // row j + offset + inside's place
            for (std::ptrdiff_t m = inside; m < width; ++m) {
                below[m] += value[m] * xi[m];
                spilled[m - inside] += value[m] * xj[m];
            }
        };
        const float* value = a_.values + at;
        for (int run = a_.firstRun[s]; run < a_.firstRun[s + 1]; ++run)
            for (std::ptrdiff_t offset = a_.runOffset[run]; offset < a_.runOffset[run] + a_.runLength[run];
                 ++offset, value += stride)
                addOffset(offset, value);
        // The diagonal is 1. Four sums, as in sums().
        double form[4] = {0, 0, 0, 0};
        const auto add = [&](std::ptrdiff_t m, double& sum) {
            y[j + m] += xj[m] + below[m];
            sum += static_cast<double>(xj[m]) * (static_cast<double>(xj[m]) + 2 * static_cast<double>(below[m]));
        };
        std::ptrdiff_t m = 0;
        for (; m + 4 <= width; m += 4) add(m, form[0]), add(m + 1, form[1]), add(m + 2, form[2]), add(m + 3, form[3]);
        for (; m < width; ++m) add(m, form[0]);
        return (form[0] + form[1]) + (form[2] + form[3]);
    }

    const LowerSegments& a_;
    const ParallelFor& parallel_;
    std::ptrdiff_t chunks_;
    std::vector<std::size_t> firstValue_;       // index of each segment's first entry
    std::vector<std::ptrdiff_t> firstSegment_;  // the segment holding each chunk's first column
    std::vector<std::vector<Real>> spill_;
    std::vector<double> partial_;
};

template <class Real>
int solve(const LowerSegments& a, const double* b, double* x, double tolerance, int maxIterations,
          const ParallelFor& parallel) {
    const std::ptrdiff_t n = a.n;
    Solver<Real> solver(a, parallel);
    // In double the iterate takes x's own storage; in float it needs its own, and the roots a copy.
    constexpr bool inPlace = std::is_same_v<Real, double>;
    std::vector<Real> residual, direction, product, iterate, roots;
    for (std::vector<Real>* v : {&residual, &direction, &product})
        resizeAdvised(*v, static_cast<std::size_t>(n), parallel);
    if constexpr (!inPlace)
        for (std::vector<Real>* v : {&iterate, &roots}) resizeAdvised(*v, static_cast<std::size_t>(n), parallel);
    Real* r = residual.data();
    Real* p = direction.data();
    Real* q = product.data();
    Real* y = nullptr;
    const Real* root = nullptr;
    if constexpr (inPlace) y = x, root = a.root;
    else y = iterate.data(), root = roots.data();

    // On R^-1 A R^-1: y = root .* x solves it with b ./ root on the right; its
    // residual r is (b - A x) ./ root. y takes x's place once the start is not the answer.
    solver.sums([&](std::ptrdiff_t j, double&, double&) {
        if constexpr (!inPlace) roots[static_cast<std::size_t>(j)] = static_cast<Real>(a.root[j]);
        p[j] = static_cast<Real>(x[j] * a.root[j]);
    });
    solver.multiply(p, q);
    const auto [bb, rr0] = solver.sums([&](std::ptrdiff_t j, double& bSum, double& rSum) {
        r[j] = static_cast<Real>(b[j] / a.root[j] - q[j]);
        bSum += b[j] * b[j];
        rSum += (r[j] * a.root[j]) * (r[j] * a.root[j]);
    });
    if (bb == 0) {
        std::fill(x, x + n, 0.0);
        return 0;
    }
    const double threshold = std::max(tolerance * tolerance * bb, std::numeric_limits<double>::min());
    if (rr0 < threshold) return 0;
    double rz = solver.sums([&](std::ptrdiff_t j, double& sum, double&) {
        y[j] = p[j];
        p[j] = r[j];
        sum += static_cast<double>(r[j]) * r[j];
    }).first;

    int iteration = 0;
    while (iteration < maxIterations) {
        const auto step = static_cast<Real>(rz / solver.multiply(p, q));
        // |b - A x|^2 and the preconditioned r' z, both from the scaled residual.
        const auto [rr, rzNew] = solver.sums([&](std::ptrdiff_t j, double& rrSum, double& rzSum) {
            r[j] -= step * q[j];
            const Real e = r[j] * root[j];
            rrSum += static_cast<double>(e) * e;
            rzSum += static_cast<double>(r[j]) * r[j];
        });
        ++iteration;
        const bool done = rr < threshold || iteration == maxIterations;
        const auto beta = static_cast<Real>(rzNew / rz);
        rz = rzNew;
        solver.sums([&](std::ptrdiff_t j, double&, double&) {
            y[j] += step * p[j];
            p[j] = r[j] + beta * p[j];
        });
        if (done) break;
    }
    solver.sums([&](std::ptrdiff_t j, double&, double&) { x[j] = y[j] / a.root[j]; });
    return iteration;
}

}  // namespace

int conjugateGradient(const LowerSegments& a, const double* b, double* x, double tolerance, int maxIterations,
                      const ParallelFor& parallel) {
    if (a.n == 0) return 0;
    return tolerance >= floatTolerance ? solve<float>(a, b, x, tolerance, maxIterations, parallel)
                   : solve<double>(a, b, x, tolerance, maxIterations, parallel);
}

}  // namespace pairseek
