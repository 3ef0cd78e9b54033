#include <gtest/gtest.h>

#include "matting.h"

using namespace pairseek;

TEST(PairCost, IdenticalColours) {
    const PairEvaluation e = pairCost({0.1, 0.2, 0.3}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0, 0}, {1, 1}, {2, 2}, 1, 1, 1);
    EXPECT_EQ(e.cost, 3.4028234663852886e38);
    EXPECT_EQ(e.alpha, 0.0);
}
