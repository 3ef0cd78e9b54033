// The refinement's targets and confidence from the chosen pairs: a table of one-row
// scenes whose answers follow from the definitions in refineTargets.h.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "refineTargets.h"

namespace pairseek {
namespace {

SampleRecord record(double row, double col, double red, double green, double blue) {
    return {row, col, red, green, blue, grayOf(red, green, blue)};
}

// A 1 x n row of unknown pixels of the given colours, one foreground sample F and
// one background sample B (off the grid: only their colours matter) as every pair.
struct Row {
    FringeScanResult scan;
    std::vector<std::int32_t> fgIndex, bgIndex;
    Row(const std::vector<double>& alphas, const double (&f)[3], const double (&b)[3]) {
        scan.foreground = {record(0, 0, f[0], f[1], f[2])};
        scan.background = {record(0, 0, b[0], b[1], b[2])};
        for (std::size_t c = 0; c < alphas.size(); ++c) {
            const double a = alphas[c];
            scan.unknown.push_back(record(1, static_cast<double>(c) + 1, a * f[0] + (1 - a) * b[0],
                                          a * f[1] + (1 - a) * b[1], a * f[2] + (1 - a) * b[2]));
            scan.indexMap.push_back(static_cast<std::int32_t>(c) + 1);
        }
        fgIndex.assign(alphas.size(), 0);
        bgIndex.assign(alphas.size(), 0);
    }
    RefineTargets targets() const {
        return refineTargets(scan, fgIndex.data(), bgIndex.data(), 1, static_cast<std::ptrdiff_t>(fgIndex.size()));
    }
};

// Three pixels of the middle colour (0.5, 0.1, 0.5), red over blue: the outer two
// hold a second pair, B and an F' that puts that colour three quarters of the way
// along a shorter stretch of the same line. So the middle colour fits its own pair
// at alpha 0.5 and its neighbours' at 0.75, both exactly.
Row twoPairsOnOneLine() {
    const double f[3] = {0.9, 0.1, 0.1}, b[3] = {0.1, 0.1, 0.9};
    Row row({0.5, 0.5, 0.5}, f, b);
    row.scan.foreground.push_back(record(0, 0, 0.1 + 0.4 * 4 / 3, 0.1, 0.9 - 0.4 * 4 / 3));
    row.scan.background.push_back(record(0, 0, 0.1, 0.1, 0.9));
    row.fgIndex = {1, 0, 1};
    row.bgIndex = {1, 0, 1};
    return row;
}

TEST(RefineTargets, OnePairExplainsEveryBlendExactly) {
    // Red over blue (|F - B| = 1.2): each pixel's neighbours' pair is its own and fits
    // its colour exactly, so the target is its blend's alpha and the confidence 1.
    const double f[3] = {0.9, 0.1, 0.1}, b[3] = {0.1, 0.1, 0.1 + std::sqrt(0.8)};
    struct Case {
        double alpha, target;
    };
    const Case cases[] = {{0.5, 0.5}, {0.3, 0.3}, {0.8, 0.8}, {0.16, 0.16},
                          {0.1, 0.0},    // within snap of 0
                          {0.9, 1.0}};   // within snap of 1
    for (const Case& c : cases) {
        const Row row({c.alpha, c.alpha, c.alpha}, f, b);
        const RefineTargets t = row.targets();
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(t.target[i], c.target, 1e-12) << "alpha " << c.alpha;
            EXPECT_NEAR(t.confidence[i], 1.0, 1e-12) << "alpha " << c.alpha;
        }
    }
}

TEST(RefineTargets, NearPureMeansNearInColour) {
    // Two close colours (|F - B| = 0.2): alpha 0.25 lies 0.05 from B, under the
    // colour snap distance 0.06, so it counts as background; over a wide pair the
    // same alpha stays. Alpha 0.5 of the close pair is 0.1 from both: it stays.
    const double nearF[3] = {0.6, 0.4, 0.4}, nearB[3] = {0.4, 0.4, 0.4};
    const double wideF[3] = {1.0, 0.4, 0.4}, wideB[3] = {0.0, 0.4, 0.4};
    EXPECT_EQ(Row({0.25}, nearF, nearB).targets().target[0], 0.0);
    EXPECT_EQ(Row({0.75}, nearF, nearB).targets().target[0], 1.0);
    EXPECT_NEAR(Row({0.5}, nearF, nearB).targets().target[0], 0.5, 1e-12);
    EXPECT_NEAR(Row({0.25}, wideF, wideB).targets().target[0], 0.25, 1e-12);
    // Too close to tell apart from either end (|F - B| = 0.1): the nearer end.
    const double tinyF[3] = {0.45, 0.4, 0.4};
    EXPECT_EQ(Row({0.45}, tinyF, nearB).targets().target[0], 0.0);
    EXPECT_EQ(Row({0.55}, tinyF, nearB).targets().target[0], 1.0);
}

TEST(RefineTargets, NeighboursThatDisagreeLowerTheTrust) {
    // The middle pixel's colour fits both its own pair (alpha 0.5) and its
    // neighbours' pair (alpha 0.75): the target is their weighted mean and the
    // confidence falls with the spread.
    const RefineTargets t = twoPairsOnOneLine().targets();
    const double target = (0.75 + 0.5 + 0.75) / 3;   // every pair fits exactly: equal weights
    EXPECT_NEAR(t.target[1], target, 1e-12);
    const double spread2 = (2 * (0.75 - target) * (0.75 - target) + (0.5 - target) * (0.5 - target)) / 3;
    EXPECT_NEAR(t.confidence[1], std::exp(-spread2 / (0.0125 * 0.0125)), 1e-12);
    EXPECT_LT(t.confidence[1], 0.01);
}

TEST(RefineTargets, NeighboursThatSnapAlikeAgree) {
    // As above, with the middle colour at alpha 0.9 of its own pair and 0.95 of the
    // neighbours': the alphas differ, yet both go to 1, so the target 1 is trusted fully.
    const double f[3] = {0.9, 0.1, 0.1}, b[3] = {0.1, 0.1, 0.9};
    Row row({0.9, 0.9, 0.9}, f, b);
    row.scan.foreground.push_back(record(0, 0, 0.1 + 0.72 / 0.95, 0.1, 0.9 - 0.72 / 0.95));
    row.scan.background.push_back(record(0, 0, 0.1, 0.1, 0.9));
    row.fgIndex = {1, 0, 1};
    row.bgIndex = {1, 0, 1};
    const RefineTargets t = row.targets();
    EXPECT_EQ(t.target[1], 1.0);
    EXPECT_NEAR(t.confidence[1], 1.0, 1e-12);
}

TEST(RefineTargets, ColourMisfitCountsAsAnAlphaError) {
    // A pixel off the pair's line by the same colour distance m: the alpha error it
    // allows is m / |F - B|, so the nearer the pair's colours, the less it is trusted.
    struct Case {
        const char* name;
        double separation, misfit;
    };
    const Case cases[] = {{"wide pair, small misfit", 1.0, 0.02},
                          {"wide pair, larger misfit", 1.0, 0.05},
                          {"near pair, small misfit", 0.4, 0.02}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double f[3] = {0.5 + c.separation / 2, 0.4, 0.4}, b[3] = {0.5 - c.separation / 2, 0.4, 0.4};
        Row row({0.5}, f, b);
        row.scan.unknown[0].green += c.misfit;   // straight off the line, half way along it
        const RefineTargets t = row.targets();
        EXPECT_NEAR(t.target[0], 0.5, 1e-12);
        const double alphaError = c.misfit / c.separation;
        EXPECT_NEAR(t.confidence[0], std::exp(-alphaError * alphaError / (0.05 * 0.05)), 1e-12);
    }
}

TEST(RefineTargets, ColourOfASampleInShadeIsNotTrusted) {
    // Half of F over black is also F in half shade, an opaque pixel: the blend's
    // alpha 0.5 may be 1. Over a blue background the same blend is no shade of either.
    const double f[3] = {0.8, 0.6, 0.2}, black[3] = {0.0, 0.0, 0.0}, blue[3] = {0.1, 0.3, 0.9};
    const RefineTargets shaded = Row({0.5}, f, black).targets();
    EXPECT_NEAR(shaded.target[0], 0.5, 1e-12);
    EXPECT_LT(shaded.confidence[0], 1e-6);
    const RefineTargets blended = Row({0.5}, f, blue).targets();
    EXPECT_NEAR(blended.target[0], 0.5, 1e-12);
    EXPECT_NEAR(blended.confidence[0], 1.0, 1e-12);
}

TEST(RefineTargets, OneColourPairIsNotTrusted) {
    // F = B: no alpha can be read off the pair, whatever the pixel's colour.
    const double c[3] = {0.3, 0.5, 0.7};
    const RefineTargets t = Row({0.5}, c, c).targets();
    EXPECT_EQ(t.confidence[0], 0.0);
}

TEST(WeighByBalance, TrustFallsWhereBothKnownSidesAreEquallyNear) {
    // Per pixel: distances to the nearest known foreground and background pixel, the
    // confidence before and after, with a balanced trust of 0.25.
    struct Case {
        double dF, dB, before, after;
    } cases[] = {
        {5, 5, 0.8, 0.8 * 0.25},             // midway: the floor
        {1, 1, 1.0, 0.25},                   // next to both sides, as at a thin edge
        {1, 3, 1.0, 0.25 + 0.75 * 0.25},     // (dF - dB) / (dF + dB) = -1/2
        {3, 1, 1.0, 0.25 + 0.75 * 0.25},     // the sides swapped: the same
        {1, 99, 0.6, 0.6 * (0.25 + 0.75 * 0.98 * 0.98)},   // a hole deep in the foreground
        {40, 8, 0.0, 0.0},                   // no trust stays none
    };
    std::vector<double> dF, dB, confidence;
    for (const Case& c : cases) {
        dF.push_back(c.dF);
        dB.push_back(c.dB);
        confidence.push_back(c.before);
    }
    weighByBalance(confidence, dF.data(), dB.data(), 0.25);
    for (std::size_t i = 0; i < confidence.size(); ++i)
        EXPECT_NEAR(confidence[i], cases[i].after, 1e-12) << "case " << i;
}

TEST(RedrawTargets, ThePriorPicksAmongPairsThatFitAlike) {
    // The middle colour fits its own pair at alpha 0.5 and its two neighbours' pair
    // at 0.75 exactly, so its first target is their mean 2/3. Against a prior the
    // pair nearer to it wins; a prior within the gap (0.1) of the first target
    // leaves it; so does one that no pair fitting the colour comes near enough to
    // keep a weight above 0.
    const Row row = twoPairsOnOneLine();
    const double first = row.targets().target[1];
    ASSERT_NEAR(first, 2.0 / 3, 1e-12);
    auto priorWeight = [](double alpha, double prior) { return std::exp(-(alpha - prior) * (alpha - prior) / 0.01); };
    auto mean = [&](double prior) {
        const double own = priorWeight(0.5, prior), theirs = priorWeight(0.75, prior);
        return (own * 0.5 + 2 * theirs * 0.75) / (own + 2 * theirs);
    };
    struct Case {
        double prior, target;
    };
    const Case cases[] = {{0.8, mean(0.8)}, {0.5, mean(0.5)}, {0.75, first}, {-30.0, first}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prior);
        std::vector<double> target = {0.5, first, 0.5}, prior = {0.5, c.prior, 0.5};
        redrawTargets(row.scan, row.fgIndex.data(), row.bgIndex.data(), 1, 3, prior.data(), target);
        EXPECT_NEAR(target[1], c.target, 1e-12);
        EXPECT_EQ(target[0], 0.5);   // within the gap of its prior
    }
    EXPECT_GT(mean(0.8), 0.74);
    EXPECT_LT(mean(0.5), 0.51);
}

TEST(RedrawTargets, SnapsAsTheFirstTargetsDo) {
    // One pair, alpha 0.1 on the middle colour: drawn up again against a prior of
    // 0.3 the mean is 0.1 itself, within the snap of 0.
    const double f[3] = {0.9, 0.1, 0.1}, b[3] = {0.1, 0.1, 0.9};
    const Row row({0.1, 0.1, 0.1}, f, b);
    std::vector<double> target = {0.5, 0.5, 0.5}, prior = {0.5, 0.3, 0.5};
    redrawTargets(row.scan, row.fgIndex.data(), row.bgIndex.data(), 1, 3, prior.data(), target);
    EXPECT_EQ(target[1], 0.0);
}

}  // namespace
}  // namespace pairseek
