// Matte refinement over the unknown band: the closed-form matting Laplacian of
// the band, a confidence-weighted data term and a conjugate-gradient solve started
// from a guided-filter matte. Host-independent; grids are column-major, 0-based.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "conjugateGradient.h"
#include "knownPull.h"

namespace pairseek {

struct RefineInput {
    const double* image;              // rows x cols x 3 planes, column-major
    const std::uint8_t* unknownMask;  // rows x cols, non-zero = unknown
    const double* knownAlpha;         // rows x cols, read at the known pixels only
    const double* target;             // one per unknown pixel, column-major order
    const double* confidence;         // one per unknown pixel, in [0, 1]
    std::ptrdiff_t rows, cols;
};

struct RefineParams {
    double lambda = 0.03;      // weight of the targets against smoothness, times confidence
    int radius = 1;            // Laplacian window radius
    double epsilon = 1e-7;     // regulariser of the window colour models
    double tolerance = 1e-3;   // relative residual at which the solve stops
    int guidedRadius = 12;     // window radius of the starting matte
    int maxIterations = 1000;
    KnownPullParams knownPull;   // towards known pixels of the same colour nearby (off by default)
    double startTie = 0;       // weight of a tie of every unknown pixel to the solve's start (0: none)
};

// Minimises x' L x + sum lambda * confidence * (x - target)^2 + the known pull's
// energy (knownPull.h) + sum startTie * (x - start)^2 over the unknown pixels, L the
// matting Laplacian with the known pixels fixed at knownAlpha. Returns one value
// per unknown pixel in [0, 1]. The assembly and the solve run their parts on
// `parallel`; the result does not depend on how. Throws std::bad_alloc when
// memory runs out.
std::vector<double> refineBand(const RefineInput& in, const RefineParams& params, const ParallelFor& parallel = {});

// The same from a start of one's own (one value per unknown pixel) instead of guidedBand's.
std::vector<double> refineBand(const RefineInput& in, const RefineParams& params, std::vector<double> start,
                               const ParallelFor& parallel = {});

// The starting matte alone: a guided filter of target weighted by confidence (known
// pixels: knownAlpha, weight 1) over the unknown pixels' bounding box, clamped to [0, 1].
// It works on blocks of 4 x 4 pixels, its windows squares of blocks of about the
// given radius (at least one block), its fits interpolated between block centres.
// Runs in parts of columns on `parallel`; the result does not depend on how.
std::vector<double> guidedBand(const RefineInput& in, int radius, double epsilon, const ParallelFor& parallel = {});

}  // namespace pairseek
