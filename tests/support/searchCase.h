// Random valid inputs for the search pass and the fringe scan, drawn from any
// source of choices: seeded std::mt19937 in the property tests, the fuzzer's
// bytes in the fuzz targets. "Valid" means the core's preconditions hold; the
// values themselves (colours, scales, weights) may be anything, NaN included.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "matting.h"

namespace pairseek::testing {

// A source offers: int integer(int lo, int hi) (inclusive), double unit() in [0, 1),
// and bool chance(int percent). This one draws from a seeded std::mt19937.
struct SeededSource {
    std::mt19937 engine;
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(engine); }
    bool chance(int percent) { return integer(0, 99) < percent; }
};

template <class Source>
double pickDouble(Source& s, double lo, double hi) {
    return lo + (hi - lo) * s.unit();
}

// Mostly tame values, sometimes the awkward ones.
template <class Source>
double pickAwkward(Source& s, double lo, double hi) {
    if (!s.chance(10)) return pickDouble(s, lo, hi);
    static const double awkward[] = {0.0, -0.0, 1.0, std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN(), 1e-300, 1e300};
    return awkward[s.integer(0, static_cast<int>(std::size(awkward)) - 1)];
}

struct SampleColumns {
    std::vector<double> colour;     // n x 3 (or 4), column-major
    std::vector<double> position;   // n x 2, 0-based
    Count count = 0;
    SampleTable table() const { return {colour.data(), position.data(), count}; }
};

struct SearchCase {
    Count rows = 0, cols = 0;
    SampleColumns unknown, foreground, background;
    std::vector<double> fgScale, bgScale;
    std::vector<std::int32_t> indexMap;   // 0-based, -1 where no unknown pixel
    std::vector<std::uint8_t> mask;
    std::vector<std::int32_t> fgIndex, bgIndex;
    std::vector<double> opacity;
    SearchParams params{0.5, 1.0};

    IndexMapView mapView() const { return {indexMap.data(), rows, cols}; }
    PairState state() { return {fgIndex.data(), bgIndex.data()}; }
    void runPass(RandomSource& random) {
        searchPass(unknown.table(), foreground.table(), background.table(), fgScale.data(), bgScale.data(),
                   mapView(), mask.data(), params, state(), opacity.data(), random);
    }
    // The pair cost of unknown pixel i with its current pair.
    PairEvaluation currentCost(std::ptrdiff_t i) const;
};

template <class Source>
SampleColumns makeSamples(Source& s, Count n, int columns, Count rows, Count cols, bool awkward) {
    SampleColumns t;
    t.count = n;
    t.colour.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(columns));
    // A small palette makes identical foreground and background colours likely.
    const bool palette = s.chance(30);
    for (double& v : t.colour)
        v = palette ? s.integer(0, 2) * 0.5 : awkward ? pickAwkward(s, 0.0, 1.0) : pickDouble(s, 0.0, 1.0);
    t.position.resize(2 * static_cast<std::size_t>(n));
    for (Count i = 0; i < n; ++i) {
        t.position[static_cast<std::size_t>(i)] = s.integer(-2, rows + 1);
        t.position[static_cast<std::size_t>(n + i)] = s.integer(-2, cols + 1);
    }
    return t;
}

template <class Source>
SearchCase makeSearchCase(Source& s, int maxSide, int maxSamples) {
    SearchCase c;
    c.rows = s.integer(1, maxSide);
    c.cols = s.integer(1, maxSide);
    const Count cells = c.rows * c.cols;
    const Count nU = s.integer(0, cells);
    const Count nF = s.integer(1, maxSamples), nB = s.integer(1, maxSamples);
    const bool awkward = s.chance(40);

    // Unknown pixels: distinct cells, listed in a random order, positions with a
    // fractional part that truncation removes.
    std::vector<Count> order(static_cast<std::size_t>(cells));
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(s.integer(0, static_cast<int>(i) - 1))]);
    c.indexMap.assign(static_cast<std::size_t>(cells), -1);
    c.mask.assign(static_cast<std::size_t>(cells), 0);
    c.unknown = makeSamples(s, nU, s.chance(50) ? 3 : 4, c.rows, c.cols, awkward);
    for (Count i = 0; i < nU; ++i) {
        const Count cell = order[static_cast<std::size_t>(i)];
        c.indexMap[static_cast<std::size_t>(cell)] = i;
        c.mask[static_cast<std::size_t>(cell)] = s.chance(80) ? static_cast<std::uint8_t>(s.integer(1, 255)) : 0;
        c.unknown.position[static_cast<std::size_t>(i)] = cell % c.rows + pickDouble(s, 0.0, 0.99);
        c.unknown.position[static_cast<std::size_t>(nU + i)] = cell / c.rows + pickDouble(s, 0.0, 0.99);
    }
    c.foreground = makeSamples(s, nF, s.chance(50) ? 3 : 4, c.rows, c.cols, awkward);
    c.background = makeSamples(s, nB, s.chance(50) ? 3 : 4, c.rows, c.cols, awkward);

    for (Count i = 0; i < nU; ++i) {
        c.fgScale.push_back(awkward ? pickAwkward(s, 0.5, 20.0) : pickDouble(s, 0.5, 20.0));
        c.bgScale.push_back(awkward ? pickAwkward(s, 0.5, 20.0) : pickDouble(s, 0.5, 20.0));
        c.fgIndex.push_back(s.integer(0, nF - 1));
        c.bgIndex.push_back(s.integer(0, nB - 1));
    }
    c.opacity.assign(static_cast<std::size_t>(cells), -7.0);

    static const double decays[] = {0.5, 0.5, 0.9, 0.25, 0.0, -0.5, -3.0, std::numeric_limits<double>::quiet_NaN()};
    c.params.decay = s.chance(70) ? decays[s.integer(0, 7)] : pickDouble(s, -1.0, 0.95);
    c.params.colourWeight = awkward ? pickAwkward(s, 0.0, 10.0) : pickDouble(s, 0.0, 10.0);
    return c;
}

inline PairEvaluation SearchCase::currentCost(std::ptrdiff_t i) const {
    const auto colour = [](const SampleColumns& t, std::ptrdiff_t k) {
        return Rgb{t.colour[static_cast<std::size_t>(k)], t.colour[static_cast<std::size_t>(t.count + k)],
                   t.colour[static_cast<std::size_t>(2 * t.count + k)]};
    };
    const auto point = [](const SampleColumns& t, std::ptrdiff_t k) {
        return Point{t.position[static_cast<std::size_t>(k)], t.position[static_cast<std::size_t>(t.count + k)]};
    };
    const std::int32_t f = fgIndex[static_cast<std::size_t>(i)], b = bgIndex[static_cast<std::size_t>(i)];
    return pairCost(colour(unknown, i), colour(foreground, f), colour(background, b), point(unknown, i),
                    point(foreground, f), point(background, b), fgScale[static_cast<std::size_t>(i)],
                    bgScale[static_cast<std::size_t>(i)], params.colourWeight);
}

// A trimap: image planes and three masks that may overlap.
struct TrimapCase {
    Count rows = 0, cols = 0;
    std::vector<double> image;
    std::vector<std::uint8_t> fgMask, bgMask, unknownMask;
};

template <class Source>
TrimapCase makeTrimapCase(Source& s, int maxSide) {
    TrimapCase t;
    t.rows = s.integer(0, maxSide);
    t.cols = s.integer(0, maxSide);
    const std::size_t cells = static_cast<std::size_t>(t.rows) * static_cast<std::size_t>(t.cols);
    t.image.resize(3 * cells);
    for (double& v : t.image) v = pickAwkward(s, 0.0, 1.0);
    const int overlap = s.integer(0, 30);
    for (std::size_t i = 0; i < cells; ++i) {
        const int label = s.integer(0, 2);
        t.fgMask.push_back(label == 0 || s.chance(overlap) ? static_cast<std::uint8_t>(s.integer(1, 255)) : 0);
        t.bgMask.push_back(label == 1 || s.chance(overlap) ? static_cast<std::uint8_t>(s.integer(1, 255)) : 0);
        t.unknownMask.push_back(label == 2 || s.chance(overlap) ? static_cast<std::uint8_t>(s.integer(1, 255)) : 0);
    }
    return t;
}

}  // namespace pairseek::testing
