// A seeded synthetic photograph for the search pass: a wavy foreground blob in
// a wide unknown band, at the three sizes the benchmark times. The fringe scan
// turns it into the host's arrays, as a host script would pass them to pairSeek.
#pragma once

#include <cstdint>
#include <vector>

#include "matting.h"
#include "searchCase.h"

namespace pairseek::testing {

struct SceneSize {
    const char* name;
    Count rows, cols;
    double radius;       // mean radius of the blob's edge
    double halfBand;     // unknown band: within this many pixels of the edge, radially
    double wave;         // amplitude of the edge's waves
    int waves;           // number of waves around the edge
};

// small (200 x 200, 10^4 unknown), medium (1000 x 1000, 2 10^5 unknown, about 5 10^3
// samples of each kind) and large (2000 x 2000, 10^6 unknown, about 5 10^4 of each).
const std::vector<SceneSize>& sceneSizes();

struct SyntheticScene {
    Count rows = 0, cols = 0;
    Count nU = 0, nF = 0, nB = 0;
    // Host layout: n x 4 colour tables, 1-based n x 2 positions, 1-based map and pairs.
    std::vector<double> unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos;
    std::vector<std::int32_t> indexMap;
    std::vector<std::uint8_t> unknownMask;
    std::vector<double> fgScale, bgScale;
    std::vector<std::int32_t> fgIndex, bgIndex;
    SearchParams params{0.5, 1.0};

    // The same inputs as 0-based working copies.
    void toSearchCase(SearchCase& c) const;
};

SyntheticScene makeSyntheticScene(const SceneSize& size, std::uint32_t seed = 7);

}  // namespace pairseek::testing
