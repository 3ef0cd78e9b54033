// How far each unknown pixel's sampled alpha can be trusted, from its pair.
#pragma once

#include <cstdint>
#include <vector>

#include "matting.h"

namespace pairseek {

struct ConfidenceScales {
    double fit = 0.01;         // colour misfit at which trust falls to 1/e
    double separation = 0.3;   // pair colour distance at which trust reaches 63 %
};

// exp(-(fit / scales.fit)^2) * (1 - exp(-(separation / scales.separation)^2)) per
// unknown pixel: fit is the distance from its colour to the line through its
// pair's colours, separation the distance between them. A pair that explains the
// colour badly, or whose colours are too close to tell a blend apart, counts little.
// Pairs are 0-based indices into the sample records.
std::vector<double> pairConfidence(const std::vector<SampleRecord>& unknown, const std::vector<SampleRecord>& foreground,
                                   const std::vector<SampleRecord>& background, const std::int32_t* fgIndex,
                                   const std::int32_t* bgIndex, const ConfidenceScales& scales = {});

}  // namespace pairseek
