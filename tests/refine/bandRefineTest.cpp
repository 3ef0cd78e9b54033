// The band solve's tie to its start: a weak data term towards the start over every
// unknown pixel. A solve with a tie and no trusted target gives what a solve with
// the start as its targets, trusted tie / lambda, gives; a strong tie keeps the start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "bandRefine.h"
#include "columnBand.h"

namespace pairseek {
namespace {

// A band over a fixed pseudo-random texture, with a start of its own and, to begin
// with, no trusted target.
struct TexturedBand {
    ColumnBand band;
    std::vector<double> start, target, confidence;

    TexturedBand(std::ptrdiff_t rows, std::ptrdiff_t cols, std::ptrdiff_t left, std::ptrdiff_t right)
        : band(rows, cols, left, right, [random = std::mt19937(12345)](std::ptrdiff_t, std::ptrdiff_t, std::size_t) mutable {
              return std::uniform_real_distribution<double>(0, 1)(random);
          }) {
        for (std::ptrdiff_t i = 0; i < band.unknownCount; ++i) start.push_back(0.5 + 0.4 * std::sin(0.7 * static_cast<double>(i)));
        target.assign(start.size(), 0.0);
        confidence.assign(start.size(), 0.0);
    }
    RefineInput input() const { return band.input(target, confidence); }
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
