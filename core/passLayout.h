// What one call of searchPass works on: every sample as one contiguous record,
// the radii of the random rounds, and the caller's arrays with their bases.
// Internal to the core.
#pragma once

#include <cstdint>
#include <vector>

#include "matting.h"

namespace pairseek::pass {

// Everything one candidate reads from one sample, in one cache line.
struct alignas(64) PackedSample {
    double red, green, blue, row, col;
};

// Rounds drawn and scored per batch; more rounds (decay near 1) take more batches.
constexpr int roundsPerBatch = 64;

// Radii of the first rounds, computed once per call instead of per pixel, and
// interleaved as the draws are: radius[2k] = nF * decay^k, radius[2k + 1] =
// nB * decay^k, while both exceed 1; then 8 entries of 2.0 that lanes may read.
// Rounds beyond the cached ones (decay very close to 1) are computed as they come.
struct RoundRadii {
    std::vector<double> radius;
    int cached = 0;
    bool complete = false;   // round `cached` ends the search
};

struct PassInput {
    const double* unknownColour;
    const double* unknownPosition;
    Count nU;
    double unknownShift;          // subtracted from unknown positions: 0 or 1
    const PackedSample* fg;
    const PackedSample* bg;
    Count nF, nB;
    const double* fgScale;
    const double* bgScale;
    const std::int32_t* map;
    std::ptrdiff_t rows, cols;
    std::int32_t mapShift;        // subtracted from map entries: 0 or 1
    const std::uint8_t* mask;
    std::int32_t* fgIndex;
    std::int32_t* bgIndex;
    std::int32_t stateShift;      // subtracted on read, added on write: 0 or 1
    double* opacity;
    SearchParams params;
    const RoundRadii* radii;
    std::ptrdiff_t first = 0, last = -1;   // the pixels i of the list run, first <= i < last (-1: to nU)
};

// One unknown pixel as the scoring reads it.
struct Pixel {
    double red, green, blue, row, col, sF, sB, colourWeight;
};

double radiusAt(Count count, double decay, std::int64_t k);

// Instruction sets the candidates can be scored with (generic: vector
// extensions off x86). searchPass takes the widest one the processor runs;
// tests and the benchmark try each.
enum class LaneSet { widest, scalar, sse2, avx2, avx512, generic };

// Compiled in and run by this processor.
bool available(LaneSet lanes);

void runPass(const PassInput& in, RandomSource& random, LaneSet lanes);

// Cost and alpha of the pairs (f[k], b[k]) of in.fg and in.bg for pixel p, as the
// pass computes them; tests hold them against pairCost.
void scorePairs(LaneSet lanes, const PassInput& in, const Pixel& p, const std::int32_t* f, const std::int32_t* b,
                int n, double* cost, double* alpha);

// searchPass with a chosen lane set, which must be available.
void searchPassWith(LaneSet lanes, const SampleTable& unknown, const SampleTable& foreground,
                    const SampleTable& background, const double* fgScale, const double* bgScale,
                    const IndexMapView& indexMap, const std::uint8_t* unknownMask, const SearchParams& params,
                    const PairState& state, double* opacity, RandomSource& random);

}  // namespace pairseek::pass
