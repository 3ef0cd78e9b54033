// Conjugate gradients over the lower triangle. The product with the symmetric
// matrix walks column chunks at once: each chunk adds its columns' entries to
// its own rows and, for the rows past its end, to a spill area added in chunk
// order afterwards. Sums over the vectors are taken per chunk, then in chunk order.
#include "conjugateGradient.h"

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
    Solver(const LowerColumns& a, const ParallelFor& parallel)
        : a_(a), parallel_(parallel), chunks_((a.n + chunkColumns - 1) / chunkColumns),
          spillStart_(static_cast<std::size_t>(chunks_)), spill_(static_cast<std::size_t>(chunks_)),
          partial_(static_cast<std::size_t>(2 * chunks_)) {
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) {
            const std::ptrdiff_t end = chunkEnd(t);
            int last = static_cast<int>(end) - 1;
            for (std::ptrdiff_t j = chunkBegin(t); j < end; ++j)
                if (a.outer[j + 1] > a.outer[j]) last = std::max(last, a.inner[a.outer[j + 1] - 1]);
            spillStart_[static_cast<std::size_t>(t)] = end;
            spill_[static_cast<std::size_t>(t)].resize(static_cast<std::size_t>(last + 1 - end));
        }
    }

    std::ptrdiff_t chunkBegin(std::ptrdiff_t t) const { return t * chunkColumns; }
    std::ptrdiff_t chunkEnd(std::ptrdiff_t t) const { return std::min(a_.n, (t + 1) * chunkColumns); }

    void forChunks(const std::function<void(std::ptrdiff_t)>& task) const {
        if (parallel_) parallel_(chunks_, task);
        else
            for (std::ptrdiff_t t = 0; t < chunks_; ++t) task(t);
    }

    // y = A x.
    void multiply(const double* x, double* y) {
        forChunks([&](std::ptrdiff_t t) {
            const std::ptrdiff_t begin = chunkBegin(t), end = chunkEnd(t);
            std::vector<double>& spill = spill_[static_cast<std::size_t>(t)];
            std::fill(y + begin, y + end, 0.0);
            std::fill(spill.begin(), spill.end(), 0.0);
            for (std::ptrdiff_t j = begin; j < end; ++j) {
                const int first = a_.outer[j], last = a_.outer[j + 1];
                if (first == last) continue;
                double sum = a_.values[first] * x[j];   // the diagonal
                const double xj = x[j];
                for (int k = first + 1; k < last; ++k) {
                    const std::ptrdiff_t i = a_.inner[k];
                    sum += a_.values[k] * x[i];
                    if (i < end) y[i] += a_.values[k] * xj;
                    else spill[static_cast<std::size_t>(i - end)] += a_.values[k] * xj;
                }
                y[j] += sum;
            }
        });
        for (std::ptrdiff_t t = 0; t < chunks_; ++t) {
            const std::vector<double>& spill = spill_[static_cast<std::size_t>(t)];
            double* target = y + spillStart_[static_cast<std::size_t>(t)];
            for (std::size_t k = 0; k < spill.size(); ++k) target[k] += spill[k];
        }
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
    const LowerColumns& a_;
    const ParallelFor& parallel_;
    std::ptrdiff_t chunks_;
    std::vector<std::ptrdiff_t> spillStart_;
    std::vector<std::vector<double>> spill_;
    std::vector<double> partial_;
};

}  // namespace

int conjugateGradient(const LowerColumns& a, const double* b, double* x, double tolerance, int maxIterations,
                      const ParallelFor& parallel) {
    const std::ptrdiff_t n = a.n;
    if (n == 0) return 0;
    Solver solver(a, parallel);
    std::vector<double> residual(static_cast<std::size_t>(n)), direction(static_cast<std::size_t>(n)),
        product(static_cast<std::size_t>(n));
    // Jacobi: the inverse diagonal, kept as a vector: read from the matrix, it
    // would pull in a cache line of its entries per column at every use.
    std::vector<double> inverseDiagonal(static_cast<std::size_t>(n));
    double* invDiagonal = inverseDiagonal.data();
    solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double*) {
        for (std::ptrdiff_t j = begin; j < end; ++j) {
            const double d = a.outer[j + 1] > a.outer[j] ? a.values[a.outer[j]] : 0.0;
            invDiagonal[j] = d != 0 ? 1.0 / d : 1.0;
        }
    });
    const auto invD = [invDiagonal](std::ptrdiff_t j) { return invDiagonal[j]; };
    double* r = residual.data();
    double* p = direction.data();
    double* q = product.data();

    solver.multiply(x, q);
    const auto [bb, rr0] = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* s) {
        for (std::ptrdiff_t j = begin; j < end; ++j) {
            r[j] = b[j] - q[j];
            s[0] += b[j] * b[j];
            s[1] += r[j] * r[j];
        }
    });
    if (bb == 0) {
        std::fill(x, x + n, 0.0);
        return 0;
    }
    const double threshold = std::max(tolerance * tolerance * bb, std::numeric_limits<double>::min());
    if (rr0 < threshold) return 0;
    double rz = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* s) {
        for (std::ptrdiff_t j = begin; j < end; ++j) {
            p[j] = invD(j) * r[j];
            s[0] += r[j] * p[j];
        }
    }).first;

    int iteration = 0;
    while (iteration < maxIterations) {
        solver.multiply(p, q);
        const double pq = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* s) {
            for (std::ptrdiff_t j = begin; j < end; ++j) s[0] += p[j] * q[j];
        }).first;
        const double step = rz / pq;
        const auto [rr, rzNew] = solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double* s) {
            for (std::ptrdiff_t j = begin; j < end; ++j) {
                x[j] += step * p[j];
                r[j] -= step * q[j];
                s[0] += r[j] * r[j];
                s[1] += r[j] * (invD(j) * r[j]);
            }
        });
        ++iteration;
        if (rr < threshold) break;
        const double beta = rzNew / rz;
        rz = rzNew;
        solver.sums([&](std::ptrdiff_t begin, std::ptrdiff_t end, double*) {
            for (std::ptrdiff_t j = begin; j < end; ++j) p[j] = invD(j) * r[j] + beta * p[j];
        });
    }
    return iteration;
}

}  // namespace pairseek
