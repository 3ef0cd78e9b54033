// Properties of the search pass and the fringe scan over many seeded random
// valid inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "invariants.h"
#include "searchCase.h"

namespace pairseek::testing {
namespace {

TEST(SearchPassProperties, PairsStayValidCostsNeverRiseOpacityOnlyAtUnknowns) {
    for (std::uint32_t seed = 1; seed <= 2000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        SeededSource source{std::mt19937(seed)};
        SearchCase current = makeSearchCase(source, 12, 40);
        LinearCongruential random(seed);
        const int passes = source.integer(1, 4);
        for (int pass = 0; pass < passes; ++pass) {
            const SearchCase before = current;
            current.runPass(random);
            ASSERT_EQ(checkPasses(before, current), "") << "after pass " << pass + 1;
        }
    }
}

// Ranges run one after another with one source are the whole pass, to the bit.
TEST(SearchPassProperties, PreparedPassOverRangesIsTheSequentialPass) {
    for (std::uint32_t seed = 1; seed <= 500; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        SeededSource source{std::mt19937(seed)};
        SearchCase whole = makeSearchCase(source, 12, 40);
        SearchCase split = whole;
        std::vector<std::ptrdiff_t> cuts{0};
        while (cuts.back() < whole.unknown.count)
            cuts.push_back(std::min<std::ptrdiff_t>(whole.unknown.count, cuts.back() + source.integer(0, 9)));
        LinearCongruential wholeRandom(seed), splitRandom(seed);
        whole.runPass(wholeRandom);
        const PreparedPass pass(split.unknown.table(), split.foreground.table(), split.background.table(),
                                split.fgScale.data(), split.bgScale.data(), split.mapView(), split.mask.data(),
                                split.params, split.state(), split.opacity.data());
        for (std::size_t k = 0; k + 1 < cuts.size(); ++k) pass.run(cuts[k], cuts[k + 1], splitRandom);
        ASSERT_EQ(split.fgIndex, whole.fgIndex);
        ASSERT_EQ(split.bgIndex, whole.bgIndex);
        ASSERT_EQ(std::memcmp(split.opacity.data(), whole.opacity.data(), whole.opacity.size() * sizeof(double)), 0);
        ASSERT_EQ(splitRandom.state, wholeRandom.state);
    }
}

TEST(FringeScanProperties, ListsAndMapAgree) {
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        SeededSource source{std::mt19937(seed)};
        const TrimapCase t = makeTrimapCase(source, 14);
        const FringeScanResult result =
            collectFringe(t.image.data(), t.fgMask.data(), t.bgMask.data(), t.unknownMask.data(), t.rows, t.cols);
        ASSERT_EQ(checkFringe(t, result), "");
    }
}

}  // namespace
}  // namespace pairseek::testing
