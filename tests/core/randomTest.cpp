// LinearCongruential: the first draws for fixed seeds, computed independently
// as state = (state * 1103515245 + 12345) mod 2^32, draw = (state >> 16) & 0x7FFF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "matting.h"

using namespace pairseek;

namespace {

TEST(LinearCongruential, FirstDrawsForFixedSeeds) {
    struct Case {
        std::uint32_t seed;
        std::vector<int> draws;
    };
    const Case cases[] = {
        {0, {0, 21468, 9988, 22117, 3498, 16927}},
        {1, {16838, 5758, 10113, 17515, 31051, 5627}},
        {42, {19081, 17033, 15269, 25461, 13856, 1093}},
        {0xFFFFFFFFu, {15929, 4409, 9862, 26718, 8713, 28226}},   // wraps modulo 2^32 at once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        LinearCongruential random(c.seed);
        std::vector<int> got;
        for (std::size_t k = 0; k < c.draws.size(); ++k) got.push_back(random.next());
        EXPECT_EQ(got, c.draws);
    }
}

// The pass takes its draws in blocks through fill(); blocks of any length, mixed
// with single draws, must continue the one sequence.
TEST(LinearCongruential, FillContinuesTheSequence) {
    const std::vector<int> want = {16838, 5758, 10113, 17515, 31051, 5627, 23010,
                                   7419,  16212, 4086, 2749,  12767, 9084, 12060};   // seed 1
    const std::size_t blocks[] = {5, 0, 1, 4, 3};
    LinearCongruential random(1);
    std::vector<int> got(want.size(), -1);
    std::size_t at = 0;
    for (std::size_t n : blocks) {
        random.fill(got.data() + at, n);
        at += n;
    }
    got[at++] = random.next();
    ASSERT_EQ(at, want.size());
    EXPECT_EQ(got, want);
}

// A long run catches a state that is not kept to 32 bits after many steps.
TEST(LinearCongruential, ThousandthDraw) {
    LinearCongruential random(12345);
    for (int k = 1; k < 1000; ++k) random.next();
    EXPECT_EQ(random.next(), 24472);
}

}  // namespace
