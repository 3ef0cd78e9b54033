// Pair confidence (see confidence.h), each sum taken R, G, B in that order.
#include "confidence.h"

#include <cmath>

namespace pairseek {

std::vector<double> pairConfidence(const std::vector<SampleRecord>& unknown, const std::vector<SampleRecord>& foreground,
                                   const std::vector<SampleRecord>& background, const std::int32_t* fgIndex,
                                   const std::int32_t* bgIndex, const ConfidenceScales& scales) {
    const double fitScale2 = scales.fit * scales.fit;
    const double separationScale2 = scales.separation * scales.separation;
    std::vector<double> confidence(unknown.size());
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        const SampleRecord& p = unknown[i];
        const SampleRecord& f = foreground[static_cast<std::size_t>(fgIndex[i])];
        const SampleRecord& b = background[static_cast<std::size_t>(bgIndex[i])];
        const double span[3] = {f.red - b.red, f.green - b.green, f.blue - b.blue};
        const double offset[3] = {p.red - b.red, p.green - b.green, p.blue - b.blue};
        const double separation2 = (span[0] * span[0] + span[1] * span[1]) + span[2] * span[2];
        // The blend's alpha unclamped, as the pair cost has it; a pair of one colour fits nothing.
        double alpha = ((offset[0] * span[0] + offset[1] * span[1]) + offset[2] * span[2]) / separation2;
        if (separation2 == 0) alpha = 0;
        double fit2 = 0;
        for (int k = 0; k < 3; ++k) {
            const double misfit = offset[k] - alpha * span[k];
            fit2 += misfit * misfit;
        }
        confidence[i] = std::exp(-fit2 / fitScale2) * (1.0 - std::exp(-separation2 / separationScale2));
    }
    return confidence;
}

}  // namespace pairseek
