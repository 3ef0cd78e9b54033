// The band solve's tie to its start: a weak data term towards the start over every
// unknown pixel. A solve with a tie and no trusted target gives what a solve with
// the start as its targets, trusted tie / lambda, gives; a strong tie keeps the start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bandRefine.h"

namespace pairseek {
namespace {

// Foreground left of column `left`, background from `right` on, the columns between
// unknown; colours of a fixed pseudo-random texture.
struct TexturedBand {
    std::ptrdiff_t rows, cols;
    std::vector<double> image, knownAlpha;
    std::vector<std::uint8_t> unknown;
    std::vector<double> start, target, confidence;

    TexturedBand(std::ptrdiff_t rows_, std::ptrdiff_t cols_, std::ptrdiff_t left, std::ptrdiff_t right)
        : rows(rows_), cols(cols_), image(static_cast<std::size_t>(3 * rows * cols)),
          knownAlpha(static_cast<std::size_t>(rows * cols)), unknown(knownAlpha.size()) {
        std::uint32_t state = 12345;
        for (double& v : image) {
            state = state * 1664525u + 1013904223u;
            v = static_cast<double>(state >> 8) / 16777216.0;
        }
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const auto p = static_cast<std::size_t>(r + c * rows);
                unknown[p] = c >= left && c < right;
                knownAlpha[p] = c < left ? 1.0 : 0.0;
                if (unknown[p]) start.push_back(0.5 + 0.4 * std::sin(0.7 * static_cast<double>(start.size())));
            }
        target.assign(start.size(), 0.0);
        confidence.assign(start.size(), 0.0);
    }
    RefineInput input() const {
        return {image.data(), unknown.data(), knownAlpha.data(), target.data(), confidence.data(), rows, cols};
    }
};

TEST(RefineBand, ATieToTheStartIsATargetAtTheStart) {
    for (const double tie : {1e-3, 1e6}) {
        SCOPED_TRACE(tie);
        TexturedBand band(12, 30, 8, 22);
        RefineParams params;
        params.tolerance = 1e-10;
        params.maxIterations = 5000;
        params.startTie = tie;
        const std::vector<double> tied = refineBand(band.input(), params, band.start);

        params.startTie = 0;
        band.target = band.start;
        band.confidence.assign(band.start.size(), tie / params.lambda);
        const std::vector<double> asTargets = refineBand(band.input(), params, band.start);

        ASSERT_EQ(tied.size(), band.start.size());
        double apart = 0, fromStart = 0;
        for (std::size_t i = 0; i < tied.size(); ++i) {
            apart = std::max(apart, std::abs(tied[i] - asTargets[i]));
            fromStart = std::max(fromStart, std::abs(tied[i] - band.start[i]));
        }
        EXPECT_LT(apart, 1e-6);
        if (tie > 1) EXPECT_LT(fromStart, 1e-3);   // far above the Laplacian's entries: the start stays
        else EXPECT_GT(fromStart, 0.1);            // a weak tie leaves the Laplacian its say
    }
}

}  // namespace
}  // namespace pairseek
