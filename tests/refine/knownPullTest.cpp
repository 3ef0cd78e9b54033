// The pull towards colour-matched known pixels: hand-worked rows with literal
// answers, and the same result however the parts are run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "knownPull.h"

namespace pairseek {
namespace {

// A 1 x n row: colours per pixel (R, G, B), alpha < 0 marks an unknown pixel.
struct Row {
    std::vector<double> image, alpha;
    std::vector<std::int32_t> unknownIndex;
    std::ptrdiff_t nU = 0;
    Row(const std::vector<std::vector<double>>& colours, const std::vector<double>& alphas) {
        const std::size_t n = colours.size();
        image.resize(3 * n);
        for (std::size_t c = 0; c < n; ++c)
            for (std::size_t k = 0; k < 3; ++k) image[c + k * n] = colours[c][k];
        alpha = alphas;
        for (double a : alphas) unknownIndex.push_back(a < 0 ? static_cast<std::int32_t>(nU++) : -1);
    }
    KnownPull pull(const KnownPullParams& params) const {
        return knownPull(image.data(), alpha.data(), 1, static_cast<std::ptrdiff_t>(alpha.size()), unknownIndex, nU,
                         params, {});
    }
};

const std::vector<double> red{1, 0, 0}, blue{0, 0, 1}, dark{0.5, 0, 0};

KnownPullParams paramsOf(double strength, int radius, int stride, int neighbours) {
    KnownPullParams p;
    p.strength = strength, p.radius = radius, p.stride = stride, p.neighbours = neighbours;
    p.positionScale = 0.1, p.featureScale = 1;
    return p;
}

TEST(KnownPull, HandWorkedRows) {
    // Unknown red pixel at column 2 between known red (alpha 1, column 0) and known blue
    // (alpha 0, column 4): distance^2 0.04 and 2.04, weights e^-0.04 = 0.9607894 and
    // e^-2.04 = 0.1300287, times the strength 0.5.
    struct Case {
        const char* name;
        KnownPullParams params;
        double weight, pull;
    } cases[] = {
        {"both known pixels", paramsOf(0.5, 2, 1, 2), 0.5 * (0.9607894 + 0.1300287), 0.5 * 0.9607894},
        {"the nearer one only", paramsOf(0.5, 2, 1, 1), 0.5 * 0.9607894, 0.5 * 0.9607894},
        {"stride 2 reaches both", paramsOf(0.5, 2, 2, 8), 0.5 * (0.9607894 + 0.1300287), 0.5 * 0.9607894},
        {"out of reach", paramsOf(0.5, 1, 1, 8), 0, 0},
        {"strength 0: off", paramsOf(0, 2, 1, 8), 0, 0},
    };
    const Row row({red, dark, red, dark, blue}, {1, -1, -1, -1, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KnownPull pull = row.pull(c.params);
        ASSERT_EQ(pull.weight.size(), 3u);
        EXPECT_NEAR(pull.weight[1], c.weight, 1e-7);
        EXPECT_NEAR(pull.pull[1], c.pull, 1e-7);
    }
}

TEST(KnownPull, UnknownPixelsNeverPull) {
    // The dark unknown neighbours match column 1 exactly, yet only known pixels count.
    const Row row({red, dark, dark, dark, blue}, {1, -1, -1, -1, 0});
    const KnownPull pull = row.pull(paramsOf(1, 1, 1, 8));
    EXPECT_DOUBLE_EQ(pull.weight[1], 0.0);
    EXPECT_NEAR(pull.weight[0], std::exp(-(0.25 + 0.01)), 1e-12);   // column 0: red at 0.5 away
    EXPECT_NEAR(pull.pull[0], std::exp(-(0.25 + 0.01)), 1e-12);
}

TEST(KnownPull, EqualDistancesKeepTheEarlierCandidate) {
    // Known red at columns 0 (alpha 1) and 2 (alpha 0), equally far from the unknown column 1.
    const Row row({red, red, red}, {1, -1, 0});
    const KnownPull pull = row.pull(paramsOf(1, 1, 1, 1));
    EXPECT_NEAR(pull.weight[0], std::exp(-0.01), 1e-12);
    EXPECT_DOUBLE_EQ(pull.pull[0], pull.weight[0]);
}

TEST(KnownPull, SameResultForAnyOrderOfParts) {
    constexpr std::uint32_t seed = 7;
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    const std::ptrdiff_t rows = 90, cols = 120, plane = rows * cols;
    std::vector<double> image(3 * static_cast<std::size_t>(plane)), alpha(static_cast<std::size_t>(plane));
    std::vector<std::int32_t> unknownIndex(static_cast<std::size_t>(plane));
    std::int32_t nU = 0;
    for (double& v : image) v = unit(random);
    for (std::ptrdiff_t p = 0; p < plane; ++p) {
        const double u = unit(random);
        alpha[static_cast<std::size_t>(p)] = u < 0.2 ? 0 : 1;
        unknownIndex[static_cast<std::size_t>(p)] = u < 0.7 ? nU++ : -1;
    }
    ASSERT_GT(nU, 4096);   // more than one part
    KnownPullParams params;
    params.strength = 0.05;
    const KnownPull inOrder = knownPull(image.data(), alpha.data(), rows, cols, unknownIndex, nU, params, {});
    const ParallelFor backwards = [](std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) {
        for (std::ptrdiff_t k = parts - 1; k >= 0; --k) task(k);
    };
    const KnownPull reversed = knownPull(image.data(), alpha.data(), rows, cols, unknownIndex, nU, params, backwards);
    EXPECT_EQ(inOrder.weight, reversed.weight);
    EXPECT_EQ(inOrder.pull, reversed.pull);
    EXPECT_TRUE(std::any_of(inOrder.weight.begin(), inOrder.weight.end(), [](double w) { return w > 0; }));
}

}  // namespace
}  // namespace pairseek
