// The coarse closed-form start: across a wide band of a soft edge, where the image
// is a blend of two colours, it gives back the blend's alpha; it does not depend
// on how its parts are run; grids smaller than a cell and bands without known
// neighbours still give a start in [0, 1].
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "backwards.h"
#include "coarseStart.h"
#include "columnBand.h"

namespace pairseek {
namespace {

// A soft vertical edge: foreground left of column `left`, background from `right`
// on, a linear ramp of alpha between, the image the blend of two colours.
struct SoftEdge {
    ColumnBand band;
    std::vector<double> alpha, none;   // per unknown pixel: the ramp's alpha, no target

    static double ramp(std::ptrdiff_t c, std::ptrdiff_t left, std::ptrdiff_t right) {
        return std::min(1.0, std::max(0.0, static_cast<double>(right - c) / static_cast<double>(right - left)));
    }
    SoftEdge(std::ptrdiff_t rows, std::ptrdiff_t cols, std::ptrdiff_t left, std::ptrdiff_t right)
        : band(rows, cols, left, right, [=](std::ptrdiff_t, std::ptrdiff_t c, std::size_t k) {
              const double fg[3] = {0.9, 0.6, 0.2}, bg[3] = {0.1, 0.3, 0.7};
              const double a = ramp(c, left, right);
              return a * fg[k] + (1 - a) * bg[k];
          }) {
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r)
                if (band.unknown[static_cast<std::size_t>(r + c * rows)]) alpha.push_back(ramp(c, left, right));
        none.assign(alpha.size(), 0.0);
    }
    RefineInput input() const { return band.input(none, none); }
};

TEST(CoarseStart, GivesBackTheAlphaOfAWideSoftEdge) {
    struct Case {
        const char* name;
        std::ptrdiff_t rows, cols, left, right;
        int factor;
    };
    const Case cases[] = {
        {"band of 48 over cells of 8", 40, 80, 16, 64, 8},
        {"band not aligned to the cells", 37, 71, 13, 58, 8},
        {"cells of 1: the fine closed-form matte", 12, 30, 6, 24, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SoftEdge edge(c.rows, c.cols, c.left, c.right);
        CoarseStartParams params;
        params.factor = c.factor;
        params.tolerance = 1e-9;
        const std::vector<double> start = coarseStart(edge.input(), params);
        ASSERT_EQ(start.size(), edge.alpha.size());
        double worst = 0;
        for (std::size_t i = 0; i < start.size(); ++i) worst = std::max(worst, std::abs(start[i] - edge.alpha[i]));
        // Cells straddling the band's ends are unknown, and interpolation blurs the ramp's corners.
        EXPECT_LT(worst, 0.06);
    }
}

TEST(CoarseStart, DoesNotDependOnHowItsPartsRun) {
    const SoftEdge edge(300, 700, 100, 600);   // more than one part of columns at both scales
    CoarseStartParams params;
    params.factor = 4;
    EXPECT_EQ(coarseStart(edge.input(), params), coarseStart(edge.input(), params, backwards));
}

TEST(CoarseStart, SmallGridsAndLoneBandsStayInRange) {
    struct Case {
        const char* name;
        std::ptrdiff_t rows, cols, left, right;
    };
    const Case cases[] = {
        {"smaller than one cell", 5, 6, 2, 4},
        {"one row", 1, 40, 10, 30},
        {"every pixel unknown", 9, 20, 0, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SoftEdge edge(c.rows, c.cols, c.left, c.right);
        const std::vector<double> start = coarseStart(edge.input());
        ASSERT_EQ(start.size(), edge.alpha.size());
        for (double v : start) {
            EXPECT_GE(v, 0.0);
            EXPECT_LE(v, 1.0);
        }
    }
    const SoftEdge noBand(8, 8, 4, 4);
    EXPECT_TRUE(coarseStart(noBand.input()).empty());
}

}  // namespace
}  // namespace pairseek
