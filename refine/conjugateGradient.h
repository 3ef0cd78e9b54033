// The band solve's conjugate gradients, split into parts fixed by the system's
// size so that any number of threads gives the same iterates, bit for bit.
#pragma once

#include <cstddef>
#include <functional>

namespace pairseek {

// Runs task(k) for every k in 0 .. parts - 1, in any order and on any threads;
// an empty one runs them in order on the caller's thread.
using ParallelFor = std::function<void(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task)>;

// The lower triangle of a symmetric n x n matrix in compressed columns (each
// column's rows increasing, the diagonal first).
struct LowerColumns {
    std::ptrdiff_t n;
    const int* outer;
    const int* inner;
    const double* values;
};

// Solves A x = b by Jacobi-preconditioned conjugate gradients from x as given;
// stops once |b - A x| <= tolerance * |b| or after maxIterations. Returns the
// iterations run. Working storage: three vectors of n. Throws std::bad_alloc.
int conjugateGradient(const LowerColumns& a, const double* b, double* x, double tolerance, int maxIterations,
                      const ParallelFor& parallel);

}  // namespace pairseek
