// One pass of the randomised pair search, pixel by pixel in list order: the
// entry pair, then propagation from the 3 x 3 window, then random rounds around
// the entry pair with geometrically shrinking radii. This file prepares the
// call's working storage; passKernel.cpp runs the pixels.
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "matting.h"
#include "passLayout.h"

namespace pairseek {

namespace {

// Enough for every decay up to 0.979, even with lists of 2^31 samples.
constexpr int cachedRounds = 1024;

std::int32_t shiftOf(IndexBase base) { return base == IndexBase::one ? 1 : 0; }

// Converting 1-based positions here gives the very values a 0-based copy holds.
std::vector<pass::PackedSample> packSamples(const SampleTable& table) {
    const std::ptrdiff_t n = table.count;
    const double shift = shiftOf(table.base);
    std::vector<pass::PackedSample> packed(static_cast<std::size_t>(n));
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        packed[static_cast<std::size_t>(i)] = {table.colour[i], table.colour[n + i], table.colour[2 * n + i],
                                               table.position[i] - shift, table.position[n + i] - shift};
    }
    return packed;
}

pass::RoundRadii roundRadii(Count nF, Count nB, double decay) {
    pass::RoundRadii radii;
    radii.radius.reserve(2 * cachedRounds + 8);
    for (int k = 0; k < cachedRounds; ++k) {
        const double fg = pass::radiusAt(nF, decay, k), bg = pass::radiusAt(nB, decay, k);
        if (!(fg > 1 && bg > 1)) {
            radii.complete = true;
            break;
        }
        radii.radius.push_back(fg);
        radii.radius.push_back(bg);
        ++radii.cached;
    }
    radii.radius.insert(radii.radius.end(), 8, 2.0);
    return radii;
}

// The kernel's view of one pass's arrays, over packed samples and radii the caller keeps.
pass::PassInput passInputOf(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                            const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                            const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                            double* opacity, const pass::PackedSample* fg, const pass::PackedSample* bg,
                            const pass::RoundRadii* radii) {
    pass::PassInput in;
    in.unknownColour = unknown.colour;
    in.unknownPosition = unknown.position;
    in.nU = unknown.count;
    in.unknownShift = shiftOf(unknown.base);
    in.fg = fg;
    in.bg = bg;
    in.nF = foreground.count;
    in.nB = background.count;
    in.fgScale = fgScale;
    in.bgScale = bgScale;
    in.map = indexMap.entries;
    in.rows = indexMap.rows;
    in.cols = indexMap.cols;
    in.mapShift = shiftOf(indexMap.base);
    in.mask = unknownMask;
    in.fgIndex = state.fgIndex;
    in.bgIndex = state.bgIndex;
    in.stateShift = shiftOf(state.base);
    in.opacity = opacity;
    in.params = params;
    in.radii = radii;
    return in;
}

}  // namespace

double pass::radiusAt(Count count, double decay, std::int64_t k) { return count * std::pow(decay, static_cast<double>(k)); }

std::int64_t randomRounds(Count nF, Count nB, double decay) {
    std::int64_t k = 0;
    while (pass::radiusAt(nF, decay, k) > 1 && pass::radiusAt(nB, decay, k) > 1) ++k;
    return k;
}

void searchPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                double* opacity, RandomSource& random) {
    pass::searchPassWith(pass::LaneSet::widest, unknown, foreground, background, fgScale, bgScale, indexMap,
                         unknownMask, params, state, opacity, random);
}

void pass::searchPassWith(LaneSet lanes, const SampleTable& unknown, const SampleTable& foreground,
                          const SampleTable& background, const double* fgScale, const double* bgScale,
                          const IndexMapView& indexMap, const std::uint8_t* unknownMask, const SearchParams& params,
                          const PairState& state, double* opacity, RandomSource& random) {
    if (unknown.count <= 0) return;
    const std::vector<pass::PackedSample> fg = packSamples(foreground), bg = packSamples(background);
    const pass::RoundRadii radii = roundRadii(foreground.count, background.count, params.decay);

    const pass::PassInput in = passInputOf(unknown, foreground, background, fgScale, bgScale, indexMap, unknownMask,
                                           params, state, opacity, fg.data(), bg.data(), &radii);
    pass::runPass(in, random, lanes);
}

struct PreparedPass::Parts {
    std::vector<pass::PackedSample> fg, bg;
    pass::RoundRadii radii;
    pass::PassInput in;
};

PreparedPass::PreparedPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                           const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                           const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                           double* opacity) {
    auto parts = std::make_unique<Parts>();
    parts->fg = packSamples(foreground);
    parts->bg = packSamples(background);
    parts->radii = roundRadii(foreground.count, background.count, params.decay);
    parts->in = passInputOf(unknown, foreground, background, fgScale, bgScale, indexMap, unknownMask, params, state,
                            opacity, parts->fg.data(), parts->bg.data(), &parts->radii);
    parts_ = parts.release();
}

PreparedPass::~PreparedPass() { delete parts_; }

void PreparedPass::run(std::ptrdiff_t first, std::ptrdiff_t last, RandomSource& random) const {
    if (first >= last) return;
    pass::PassInput in = parts_->in;
    in.first = first;
    in.last = last;
    pass::runPass(in, random, pass::LaneSet::widest);
}

}  // namespace pairseek
