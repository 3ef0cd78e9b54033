// The band solve's conjugate gradients, split into parts fixed by the system's
// size so that any number of threads gives the same iterates, bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "parallelFor.h"

namespace pairseek {

// A symmetric positive definite n x n matrix A, kept scaled to a unit diagonal:
// R^-1 A R^-1 with R = diag(root), root = sqrt(diag(A)), which is what Jacobi's
// preconditioner does, done once. The entries below the diagonal lie in segments
// of consecutive columns whose entries sit at the same offsets (row - column).
// A band's pixels come in runs along the image columns, and inside a run every
// pixel sees its neighbours at the same offsets: a segment's offsets are kept
// once, as runs of consecutive offsets, and its entries offset by offset, so the
// product walks them in vectors without an index per entry. The entries are kept
// in single precision: the product streams them at every iteration, and their
// bytes matter more there than their last digits do to the solve.
struct LowerSegments {
    std::ptrdiff_t n;
    const double* root;
    std::ptrdiff_t segments;
    const int* firstColumn;             // segments + 1: segment s is columns firstColumn[s] .. firstColumn[s + 1] - 1
    const int* firstRun;                // segments + 1: its offsets are the runs firstRun[s] .. firstRun[s + 1] - 1
    const int* runOffset;               // first offset of each run, at least 1
    const std::uint8_t* runLength;      // offsets in each run, at least 1
    // Of R^-1 A R^-1: segment after segment; within one, groups of segmentGroup
    // columns (the last may be narrower); within a group, offset after offset,
    // each with one entry per column of the group. The product reads them in order.
    const float* values;
};

// Columns per group of a segment's entries.
constexpr std::ptrdiff_t segmentGroup = 64;

// Solves A x = b by Jacobi-preconditioned conjugate gradients (plain ones on
// R^-1 A R^-1) from x as given; stops once |b - A x| <= tolerance * |b| or after
// maxIterations. Returns the iterations run. For a tolerance of 1e-4 or more the
// vectors are float (their rounding stays far below it; working storage five
// float vectors of n), else double (three vectors of n). Throws std::bad_alloc.
int conjugateGradient(const LowerSegments& a, const double* b, double* x, double tolerance, int maxIterations,
                      const ParallelFor& parallel);

}  // namespace pairseek
