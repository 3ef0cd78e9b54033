// The pull towards colour-matched known pixels: hand-worked rows with literal
// answers, a plain search over the whole window on random grids, and the same
// result however the parts are run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "backwards.h"
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

// Every candidate of the window in window order, the nearest kept by a stable
// sort: the pulls knownPull must give, bit for bit.
KnownPull plainPull(const std::vector<double>& image, const std::vector<double>& alpha, std::ptrdiff_t rows,
                    std::ptrdiff_t cols, const std::vector<std::int32_t>& unknownIndex, std::ptrdiff_t nU,
                    const KnownPullParams& params) {
    KnownPull out{std::vector<double>(static_cast<std::size_t>(nU)), std::vector<double>(static_cast<std::size_t>(nU))};
    const std::ptrdiff_t plane = rows * cols;
    const double position2 = params.positionScale * params.positionScale;
    for (std::ptrdiff_t p = 0; p < plane; ++p) {
        const std::int32_t i = unknownIndex[static_cast<std::size_t>(p)];
        if (i < 0) continue;
        std::vector<std::pair<double, std::ptrdiff_t>> candidates;
        for (std::ptrdiff_t dc = -params.radius; dc <= params.radius; dc += params.stride)
            for (std::ptrdiff_t dr = -params.radius; dr <= params.radius; dr += params.stride) {
                const std::ptrdiff_t r = p % rows + dr, c = p / rows + dc, q = r + c * rows;
                if (r < 0 || r >= rows || c < 0 || c >= cols || unknownIndex[static_cast<std::size_t>(q)] >= 0) continue;
                double colour2 = 0;
                for (std::ptrdiff_t k = 0; k < 3; ++k) {
                    const double e = image[static_cast<std::size_t>(q + k * plane)] - image[static_cast<std::size_t>(p + k * plane)];
                    colour2 += e * e;
                }
                candidates.push_back({colour2 + position2 * static_cast<double>(dr * dr + dc * dc), q});
            }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        candidates.resize(std::min(candidates.size(), static_cast<std::size_t>(params.neighbours)));
        for (const auto& [distance2, q] : candidates) {
            const double w = params.strength * std::exp(-distance2 / (params.featureScale * params.featureScale));
            out.weight[static_cast<std::size_t>(i)] += w;
            out.pull[static_cast<std::size_t>(i)] += w * alpha[static_cast<std::size_t>(q)];
        }
    }
    return out;
}

TEST(KnownPull, MatchesAPlainSearchOfTheWindow) {
    // Sparse known pixels and colours on a coarse grid (equal distances happen):
    // most windows hold no known pixel, some only at the image's edges.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> level(0, 3);
    std::uniform_real_distribution<double> unit(0, 1);
    struct Case { std::ptrdiff_t rows, cols; double knownShare; int radius, stride, neighbours; };
    for (const Case& c : {Case{37, 53, 0.01, 12, 2, 8}, Case{60, 41, 0.05, 5, 3, 4}, Case{25, 25, 0.002, 12, 2, 8},
                          Case{9, 70, 0.03, 4, 1, 3}}) {
        SCOPED_TRACE(::testing::Message() << c.rows << " x " << c.cols << ", radius " << c.radius << ", stride "
                                          << c.stride);
        const std::ptrdiff_t plane = c.rows * c.cols;
        std::vector<double> image(3 * static_cast<std::size_t>(plane)), alpha(static_cast<std::size_t>(plane));
        std::vector<std::int32_t> unknownIndex(static_cast<std::size_t>(plane));
        std::int32_t nU = 0;
        for (double& v : image) v = level(random) / 3.0;
        for (std::ptrdiff_t p = 0; p < plane; ++p) {
            alpha[static_cast<std::size_t>(p)] = unit(random) < 0.5 ? 0 : 1;
            unknownIndex[static_cast<std::size_t>(p)] = unit(random) < c.knownShare ? -1 : nU++;
        }
        KnownPullParams params;
        params.strength = 0.05, params.radius = c.radius, params.stride = c.stride, params.neighbours = c.neighbours;
        const KnownPull pull = knownPull(image.data(), alpha.data(), c.rows, c.cols, unknownIndex, nU, params, {});
        const KnownPull plain = plainPull(image, alpha, c.rows, c.cols, unknownIndex, nU, params);
        EXPECT_EQ(pull.weight, plain.weight);
        EXPECT_EQ(pull.pull, plain.pull);
        const auto pulled = std::count_if(plain.weight.begin(), plain.weight.end(), [](double w) { return w > 0; });
        EXPECT_GT(pulled, 0);
        EXPECT_LT(pulled, nU);
    }
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
    const KnownPull reversed = knownPull(image.data(), alpha.data(), rows, cols, unknownIndex, nU, params, backwards);
    EXPECT_EQ(inOrder.weight, reversed.weight);
    EXPECT_EQ(inOrder.pull, reversed.pull);
    EXPECT_TRUE(std::any_of(inOrder.weight.begin(), inOrder.weight.end(), [](double w) { return w > 0; }));
}

}  // namespace
}  // namespace pairseek
