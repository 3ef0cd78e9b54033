// composite over a colour and over an image, on a hand-worked 1 x 2 grid.
#include <gtest/gtest.h>

#include <vector>

#include "cutout.h"

using namespace pairseek;

TEST(Composite, OverColourAndImage) {
    // Two pixels, planes R, G, B; alpha 1 and 0.25.
    const std::vector<double> fg = {0.5, 1.0, 0.25, 0.0, 1.0, 0.5};
    const std::vector<double> alpha = {1.0, 0.25};
    EXPECT_EQ(composite(fg.data(), alpha.data(), 1, 2, {0.0, 1.0, 0.5}),
              (std::vector<double>{0.5, 0.25, 0.25, 0.75, 1.0, 0.5}));
    const std::vector<double> behind = {0.0, 0.5, 0.0, 0.5, 0.0, 1.0};
    EXPECT_EQ(composite(fg.data(), alpha.data(), 1, 2, behind.data()),
              (std::vector<double>{0.5, 0.625, 0.25, 0.375, 1.0, 0.875}));
}
