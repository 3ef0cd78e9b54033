// distanceToSet against a brute-force nearest set pixel, on hand-drawn and
// seeded random sets of many shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "cutout.h"

using namespace pairseek;

namespace {

std::vector<double> bruteForce(const std::vector<std::uint8_t>& set, std::ptrdiff_t rows, std::ptrdiff_t cols) {
    std::vector<double> out(set.size(), std::numeric_limits<double>::infinity());
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            for (std::ptrdiff_t c2 = 0; c2 < cols; ++c2)
                for (std::ptrdiff_t r2 = 0; r2 < rows; ++r2)
                    if (set[std::size_t(r2 + c2 * rows)]) {
                        const double d = std::sqrt(double((r - r2) * (r - r2) + (c - c2) * (c - c2)));
                        double& best = out[std::size_t(r + c * rows)];
                        if (d < best) best = d;
                    }
    return out;
}

TEST(DistanceToSet, HandWorkedRow) {
    // One row: distances along it only.
    const std::vector<std::uint8_t> set = {0, 0, 1, 0, 0, 0, 1};
    const std::vector<double> want = {2, 1, 0, 1, 2, 1, 0};
    EXPECT_EQ(distanceToSet(set.data(), 1, 7), want);
}

TEST(DistanceToSet, EmptySetIsInfiniteEverywhere) {
    const std::vector<std::uint8_t> set(12, 0);
    for (double d : distanceToSet(set.data(), 3, 4)) EXPECT_EQ(d, std::numeric_limits<double>::infinity());
}

TEST(DistanceToSet, MatchesBruteForceOnRandomSets) {
    struct Shape { std::ptrdiff_t rows, cols; double density; };
    const Shape shapes[] = {{1, 1, 0.5}, {1, 9, 0.2}, {9, 1, 0.2}, {7, 11, 0.05}, {16, 13, 0.01},
                            {20, 20, 0.3}, {5, 31, 0.1}, {31, 5, 0.002}};
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const Shape& s = shapes[seed % (sizeof shapes / sizeof shapes[0])];
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(s.rows) + "x" + std::to_string(s.cols));
        std::mt19937 random(seed);
        std::bernoulli_distribution inSet(s.density);
        std::vector<std::uint8_t> set(std::size_t(s.rows * s.cols));
        for (auto& v : set) v = inSet(random) ? 1 : 0;
        const std::vector<double> got = distanceToSet(set.data(), s.rows, s.cols);
        const std::vector<double> want = bruteForce(set, s.rows, s.cols);
        for (std::size_t i = 0; i < set.size(); ++i) ASSERT_EQ(got[i], want[i]) << "at " << i;
    }
}

}  // namespace
