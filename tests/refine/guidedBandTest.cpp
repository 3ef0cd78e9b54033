// The solve's starting matte: a target that is one linear model of the colours
// everywhere is what every window fits, so the filter gives it back whatever the
// band's shape; values outside [0, 1] come back clamped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bandRefine.h"

namespace pairseek {
namespace {

struct BandCase {
    const char* name;
    std::ptrdiff_t rows, cols;
    double unknownFraction;
    int radius;
};

TEST(GuidedBand, GivesBackAGlobalLinearModel) {
    const BandCase cases[] = {
        {"wide band, radius 12", 60, 90, 0.4, 12},
        {"one row", 1, 50, 0.5, 12},
        {"smaller than a block", 3, 2, 0.5, 12},
        {"every pixel unknown, radius 1", 30, 25, 1.0, 1},
        {"few unknown", 80, 40, 0.02, 5},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(static_cast<std::uint32_t>(c.rows * 1000 + c.cols));
        std::uniform_real_distribution<double> unit(0, 1);
        const std::ptrdiff_t plane = c.rows * c.cols;
        std::vector<double> image(static_cast<std::size_t>(3 * plane)), knownAlpha(static_cast<std::size_t>(plane));
        std::vector<std::uint8_t> mask(static_cast<std::size_t>(plane));
        std::vector<double> target, confidence, expected;
        for (double& v : image) v = unit(random);
        for (std::ptrdiff_t p = 0; p < plane; ++p) {
            const auto at = static_cast<std::size_t>(p);
            const double model = 0.3 * image[at] - 0.2 * image[at + static_cast<std::size_t>(plane)] +
                                 0.4 * image[at + 2 * static_cast<std::size_t>(plane)] + 0.25;
            mask[at] = p == 0 || unit(random) < c.unknownFraction;
            if (mask[at]) {
                target.push_back(model);
                confidence.push_back(unit(random));
                expected.push_back(std::min(std::max(model, 0.0), 1.0));
            } else
                knownAlpha[at] = model;
        }
        const RefineInput in{image.data(), mask.data(), knownAlpha.data(), target.data(), confidence.data(), c.rows, c.cols};
        const std::vector<double> alpha = guidedBand(in, c.radius, 1e-12);
        ASSERT_EQ(alpha.size(), target.size());
        for (std::size_t i = 0; i < target.size(); ++i) EXPECT_NEAR(alpha[i], expected[i], 1e-6) << "unknown pixel " << i;
    }
}

}  // namespace
}  // namespace pairseek
