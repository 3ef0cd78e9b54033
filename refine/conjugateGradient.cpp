// Conjugate gradients over the lower triangle. The product with the symmetric
// matrix walks column chunks at once: each chunk adds its columns' entries to
// its own rows and, for the rows past its end, to a spill area added in chunk
// order afterwards. Within a chunk, a segment's columns go in its groups, offset
// by offset: loops over consecutive columns without indices, which vectorise.
// Sums over the vectors are taken per chunk, then in chunk order. Each pass over
// the vectors does all the work that can share it: the product also gives
// p' A p, and the update of x waits for the one of p.
#include "conjugateGradient.h"

#include "hugePages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace pairseek {
namespace {

// Columns per chunk: parts enough to share out, each long enough to be worth a task.
constexpr std::ptrdiff_t chunkColumns = 16384;

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
    double multiply(const double* x, double* y) {
        forChunks([&](std::ptrdiff_t t) {
            const std::ptrdiff_t begin = chunkBegin(t), end = chunkEnd(t);
            std::vector<double>& spill = spill_[static_cast<std::size_t>(t)];
            std::fill(y + begin, y + end, 0.0);
            std::fill(spill.begin(), spill.end(), 0.0);
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
            const std::vector<double>& spill = spill_[static_cast<std::size_t>(t)];
            double* target = y + chunkEnd(t);
            for (std::size_t k = 0; k < spill.size(); ++k) target[k] += spill[k];
        }
        double total = 0;
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) total += partial_[static_cast<std::size_t>(2 * t)];
        return total;
    }

    // Runs step(begin, end, sums) per chunk, each adding to its two sums; returns their totals in chunk order.
    template <class Step>
    std::pair<double, double> sums(Step&& step) {
        forChunks([&](std::ptrdiff_t t) {
            double s[2] = {0, 0};
            step(chunkBegin(t), chunkEnd(t), s);
            partial_[static_cast<std::size_t>(2 * t)] = s[0];
            partial_[static_cast<std::size_t>(2 * t + 1)] = s[1];
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
                         const double* x, double* y, std::vector<double>& spill) const {
        double below[segmentGroup] = {};   // each column's entries times x: its row of the upper triangle
        const std::ptrdiff_t j = a_.firstColumn[s] + g + skip;
        const std::ptrdiff_t stride = std::min(segmentGroup, columns(s) - g);   // the group's columns
        const std::size_t offsets = (firstValue_[static_cast<std::size_t>(s) + 1] - firstValue_[static_cast<std::size_t>(s)]) /
                                    static_cast<std::size_t>(columns(s));
        const float* value = a_.values + firstValue_[static_cast<std::size_t>(s)] + static_cast<std::size_t>(g) * offsets + skip;
        const double* xj = x + j;
        for (int run = a_.firstRun[s]; run < a_.firstRun[s + 1]; ++run)
            for (std::ptrdiff_t offset = a_.runOffset[run]; offset < a_.runOffset[run] + a_.runLength[run];
                 ++offset, value += stride) {
                const double* xi = xj + offset;
                if (j + width - 1 + offset < end) {
                    double* yi = y + j + offset;
                    for (std::ptrdiff_t m = 0; m < width; ++m) {
                        below[m] += value[m] * xi[m];
                        yi[m] += value[m] * xj[m];
                    }
                } else
                    for (std::ptrdiff_t m = 0; m < width; ++m) {
                        below[m] += value[m] * xi[m];
                        const std::ptrdiff_t i = j + m + offset;
                        if (i < end) y[i] += value[m] * xj[m];
                        else spill[static_cast<std::size_t>(i - end)] += value[m] * xj[m];
                    }
            }
        double form = 0;   // the diagonal is 1
        for (std::ptrdiff_t m = 0; m < width; ++m) {
            y[j + m] += xj[m] + below[m];
            form += xj[m] * (xj[m] + 2 * below[m]);
        }
        return form;
    }

    const LowerSegments& a_;
    const ParallelFor& parallel_;
    std::ptrdiff_t chunks_;
    std::vector<std::size_t> firstValue_;       // index of each segment's first entry
    std::vector<std::ptrdiff_t> firstSegment_;  // the segment holding each chunk's first column
    std::vector<std::vector<double>> spill_;
    std::vector<double> partial_;
};

}  // namespace

int conjugateGradient(const LowerSegments& a, const double* b, double* x, double tolerance, int maxIterations,
                      const ParallelFor& parallel) {
    const std::ptrdiff_t n = a.n;
    if (n == 0) return 0;
    Solver solver(a, parallel);
    std::vector<double> residual, direction, product;
    for (std::vector<double>* v : {&residual, &direction, &product}) resizeAdvised(*v, static_cast<std::size_t>(n), parallel);
    double* r = residual.data();
    double* p = direction.data();
    double* q = product.data();
    const double* root = a.root;

    // On R^-1 A R^-1: root .* x solves it with b ./ root on the right; its residual
    // r is (b - A x) ./ root. x itself takes the scaled iterate at the first update.
    solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double*) {
        for (std::ptrdiff_t j = begin; j < end; ++j) p[j] = x[j] * root[j];
    });
    solver.multiply(p, q);
    const auto [bb, rr0] = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* sum) {
        for (std::ptrdiff_t j = begin; j < end; ++j) {
            r[j] = b[j] / root[j] - q[j];
            sum[0] += b[j] * b[j];
            sum[1] += (r[j] * root[j]) * (r[j] * root[j]);
        }
    });
    if (bb == 0) {
        std::fill(x, x + n, 0.0);
        return 0;
    }
    const double threshold = std::max(tolerance * tolerance * bb, std::numeric_limits<double>::min());
    if (rr0 < threshold) return 0;
    double rz = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* sum) {
        for (std::ptrdiff_t j = begin; j < end; ++j) {
            p[j] = r[j];
            sum[0] += r[j] * r[j];
        }
    }).first;

    int iteration = 0;
    while (iteration < maxIterations) {
        const double step = rz / solver.multiply(p, q);
        // |b - A x|^2 and the preconditioned r' z, both from the scaled residual.
        const auto [rr, rzNew] = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* sum) {
            for (std::ptrdiff_t j = begin; j < end; ++j) {
                r[j] -= step * q[j];
                sum[0] += (r[j] * root[j]) * (r[j] * root[j]);
                sum[1] += r[j] * r[j];
            }
        });
        ++iteration;
        const bool done = rr < threshold || iteration == maxIterations;
        const double beta = rzNew / rz;
        rz = rzNew;
        const bool first = iteration == 1;
        solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double*) {
            for (std::ptrdiff_t j = begin; j < end; ++j) {
                const double xj = (first ? x[j] * root[j] : x[j]) + step * p[j];
                if (done) {
                    x[j] = xj / root[j];
                } else {
                    x[j] = xj;
                    p[j] = r[j] + beta * p[j];
                }
            }
        });
        if (done) break;
    }
    return iteration;
}

}  // namespace pairseek
