// A pull of each unknown pixel towards the known pixels nearby that share its
// colour: where the fringe's pairs misjudge a strand or a hole, a known pixel of
// the same colour a few pixels off says what the alpha is. It adds to the band
// system's diagonal and right-hand side only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "conjugateGradient.h"

namespace pairseek {

struct KnownPullParams {
    double strength = 0;          // weight of the pull against the Laplacian; 0 leaves it out
    int radius = 12;              // candidates from the (2 radius + 1)^2 window,
    int stride = 2;               // every stride-th row and column of it
    int neighbours = 8;           // known pixels that pull each unknown one
    double positionScale = 0.01;  // feature distance of one pixel's offset (colours in [0, 1])
    double featureScale = 0.05;   // feature distance at which a pull's weight falls to 1/e
};

struct KnownPull {
    std::vector<double> weight;   // per unknown pixel: sum of strength w over its known pixels j
    std::vector<double> pull;     // per unknown pixel: sum of strength w alpha_j
};

// Energy strength * sum w (x_i - alpha_j)^2 over the `neighbours` known pixels j
// nearest to unknown pixel i among the window's candidates (distance^2: squared
// colour distance plus positionScale^2 times squared pixel distance; among equal
// distances the earlier candidate, column by column, top to bottom, wins),
// w = exp(-distance^2 / featureScale^2). image: rows x cols x 3 planes;
// knownAlpha read at the known pixels; unknownIndex per pixel its 0-based unknown
// index, -1 if known. Runs in parts of unknown pixels on `parallel`; the result
// does not depend on how.
KnownPull knownPull(const double* image, const double* knownAlpha, std::ptrdiff_t rows, std::ptrdiff_t cols,
                    const std::vector<std::int32_t>& unknownIndex, std::ptrdiff_t nU, const KnownPullParams& params,
                    const ParallelFor& parallel);

}  // namespace pairseek
