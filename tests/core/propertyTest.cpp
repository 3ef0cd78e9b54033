// Properties of the search pass and the fringe scan over many seeded random
// valid inputs.
#include <gtest/gtest.h>

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
