// searchPass on hand-built scenes: a pass traced by hand, round counts and
// draws consumed, where a draw lands, propagation order, ties, and costs that
// are infinite or NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "matting.h"
#include "passScene.h"

using namespace pairseek;
using namespace pairseek::testing;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr int centre = ScriptedRandom::centreDraw;

using Indices = std::vector<std::int32_t>;

::testing::AssertionResult same(double got, double want) {
    if ((std::isnan(got) && std::isnan(want)) || got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got << " != " << want;
}

// Four unknown pixels in one row, every sample on that row too: with colour
// weight 0 a pair at column c costs |c - fgColumn| + |c - bgColumn|. Background
// is black, so alpha = 0.5 / (foreground grey) tells which foreground sample won.
TEST(SearchPass, ReproducesHandTracedPass) {
    Scene s(1, 4);
    s.params = {0.5, 0.0};   // radii 4 and 2: two rounds per pixel
    const double fgColumn[] = {5, 1, 0, 3}, fgGrey[] = {1.0, 0.5, 0.25, 0.625};
    const double bgColumn[] = {2, 6, 0, 3};
    for (int k = 0; k < 4; ++k) {
        s.foreground.push_back({grey(fgGrey[k]), {0, fgColumn[k]}});
        s.background.push_back({grey(0.0), {0, bgColumn[k]}});
    }
    const std::int32_t entryF[] = {0, 0, 3, 0}, entryB[] = {1, 1, 1, 2};
    for (int c = 0; c < 4; ++c) s.addPixel(0, c, grey(0.5), entryF[c], entryB[c]);

    // pixel: entry pair (cost) -> what it adopts, in order
    // 0: (0,1) 11 -> round 0 draws (0,3) 8 -> round 1 draws (0,0) 7
    // 1: (0,1) 9  -> pixel 0 now holds (0,0) 5 -> round 1 draws (2,0) 2
    // 2: (3,1) 5  -> pixel 1 now holds (2,0) 2; its draws (0,3), (2,2) cost 4
    // 3: (0,2) 5  -> pixel 2 now holds (2,0) 4 -> round 0 draws (3,0) 1
    // Centring rounds on the best pair so far, drawing b before f, or reading
    // the pairs as they stood at the start of the pass each changes the result.
    ScriptedRandom random({0, 32767, 20000, 9000,      //
                           centre, 16384, 30000, 1000,  //
                           5000, 25000, 12000, 22000,   //
                           32767, 0, 16384, centre});
    s.run(random);

    EXPECT_EQ(random.used(), random.size());
    EXPECT_EQ(s.fgIndex, (Indices{0, 2, 2, 3}));
    EXPECT_EQ(s.bgIndex, (Indices{0, 0, 0, 0}));
    const double wantOpacity[] = {0.5, 2.0, 2.0, 0.80000000000000004};   // not clamped to [0, 1]
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.opacityAt(0, c), wantOpacity[c]) << "column " << c;
}

TEST(SearchPass, RoundCountsAndDrawsConsumed) {
    struct Case {
        const char* name;
        Count nF, nB;
        double decay;
        int rounds;
    };
    const Case cases[] = {
        {"radii 100 .. 1.5625, then 0.78125 stops", 100, 100, 0.5, 7},
        {"one foreground sample", 1, 100, 0.5, 0},
        {"one background sample", 100, 1, 0.5, 0},
        {"one sample each", 1, 1, 0.5, 0},
        {"radius 2, then 1 is not above 1", 2, 2, 0.5, 1},
        {"the shorter list stops first (background)", 100, 3, 0.5, 2},
        {"the shorter list stops first (foreground)", 3, 100, 0.5, 2},
        {"10 * 0.1 rounds to exactly 1", 10, 10, 0.1, 1},
        {"slow decay", 100, 100, 0.9, 44},
        {"decay 0", 100, 100, 0.0, 1},
        {"decay -0", 100, 100, -0.0, 1},
        {"negative decay", 100, 100, -0.5, 1},
        {"decay below -1", 2, 2, -3.0, 1},
        {"decay -infinity", 7, 9, -inf, 1},
        {"NaN decay: decay^0 is still 1", 100, 100, nan, 1},
    };
    constexpr int pixels = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(randomRounds(c.nF, c.nB, c.decay), c.rounds);

        Scene s(1, pixels);
        s.params.decay = c.decay;
        for (Count f = 0; f < c.nF; ++f) s.foreground.push_back({grey(1.0), {0, double(f)}});
        for (Count b = 0; b < c.nB; ++b) s.background.push_back({grey(0.0), {0, double(b)}});
        for (int col = 0; col < pixels; ++col) s.addPixel(0, col, grey(0.5), 0, 0);
        ScriptedRandom random(std::vector<int>(std::size_t(2 * c.rounds * pixels), centre));
        s.run(random);
        EXPECT_EQ(random.used(), random.size());
    }
}

// One pixel whose entry samples lie far away while every other sample sits on
// it: any drawn pair other than the entry pair wins, so the final pair is the
// pair drawn in the one round that does not draw the centre.
TEST(SearchPass, DrawTargetsAndClamping) {
    struct Case {
        const char* name;
        Count nF, nB;
        std::int32_t entryF, entryB;
        int rounds, round;   // decay 0.5; radii n * 0.5^round
        int uF, uB;
        std::int32_t wantF, wantB;
    };
    const Case cases[] = {
        {"radius 100: both ends clamped", 100, 100, 50, 50, 7, 0, 0, 32767, 0, 99},
        {"radius 25: centre - radius + 0.5 and centre + radius + 0.5", 100, 100, 50, 50, 7, 2, 0, 32767, 25, 75},
        {"radius 6.25: truncated, not rounded", 100, 100, 50, 50, 7, 4, 0, 32767, 44, 56},
        {"radius 1.5625: last round", 100, 100, 50, 10, 7, 6, 0, 32767, 48, 12},
        {"radius 12.5: clamped at the first and the last sample", 100, 100, 3, 95, 7, 3, 0, 32767, 0, 99},
        {"radius 12.5: u = 32767 lands exactly on centre + 13", 100, 100, 50, 50, 7, 3, 32767, 0, 63, 38},
        {"radius 25: draws inside the range", 100, 100, 50, 50, 7, 2, 8192, 24575, 38, 62},
        {"unequal lists: radii 12.5 and 1.25", 100, 10, 50, 5, 4, 3, 0, 32767, 38, 6},
        {"the foreground index is drawn first", 100, 100, 50, 50, 7, 2, 32767, 0, 75, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s(1, 1);
        for (Count f = 0; f < c.nF; ++f) s.foreground.push_back({grey(1.0), {f == c.entryF ? 1000.0 : 0.0, 0}});
        for (Count b = 0; b < c.nB; ++b) s.background.push_back({grey(0.0), {b == c.entryB ? 1000.0 : 0.0, 0}});
        s.addPixel(0, 0, grey(0.5), c.entryF, c.entryB);
        std::vector<int> draws(std::size_t(2 * c.rounds), centre);
        draws[std::size_t(2 * c.round)] = c.uF;
        draws[std::size_t(2 * c.round + 1)] = c.uB;
        ScriptedRandom random(draws);
        s.run(random);
        EXPECT_EQ(random.used(), random.size());
        EXPECT_EQ(s.fgIndex[0], c.wantF);
        EXPECT_EQ(s.bgIndex[0], c.wantB);
    }
}

// Sample k of either list lies 100 - k columns from the pixel, so a higher
// index is always cheaper. Round 0 moves the pair from (10, 10) to (60, 60);
// round 1 then draws u = 32767 for both: around the entry pair that lands on
// (60, 60) again, around the best pair so far it would reach (99, 99).
TEST(SearchPass, RandomRoundsCentreOnTheEntryPair) {
    Scene s(1, 1);
    for (int k = 0; k < 100; ++k) {
        s.foreground.push_back({grey(1.0), {0, 100.0 - k}});
        s.background.push_back({grey(0.0), {0, 100.0 - k}});
    }
    s.addPixel(0, 0, grey(0.5), 10, 10);
    std::vector<int> draws(14, centre);   // seven rounds: radii 100 .. 1.5625
    draws[0] = draws[1] = 24575;          // 10 + 0.49998 * 100 + 0.5 -> 60
    draws[2] = draws[3] = 32767;          // 10 + 50 + 0.5 -> 60
    ScriptedRandom random(draws);
    s.run(random);
    EXPECT_EQ(random.used(), random.size());
    EXPECT_EQ(s.fgIndex[0], 60);
    EXPECT_EQ(s.bgIndex[0], 60);
}

// Foreground sample 0 has the background's colour (the fixed identical-colour
// cost, alpha 0), sample 1 is white (finite cost, alpha 0.5). One background
// sample, so no random round runs: only propagation moves pairs.
TEST(SearchPass, PropagationWithinOnePass) {
    struct Pixel {
        int row, col;
        bool masked;
        std::int32_t entryF;
    };
    struct Case {
        const char* name;
        Count rows, cols;
        std::vector<Pixel> pixels;   // in list order
        Indices wantF;
    };
    const Case cases[] = {
        {"a pair stored earlier in the pass travels on", 1, 3, {{0, 0, true, 1}, {0, 1, true, 0}, {0, 2, true, 0}},
         {1, 1, 1}},
        {"later pixels offer their entry pairs only", 1, 3, {{0, 2, true, 0}, {0, 1, true, 0}, {0, 0, true, 1}},
         {0, 1, 1}},
        {"diagonal neighbour", 2, 2, {{0, 0, true, 1}, {1, 1, true, 0}}, {1, 1}},
        {"last row and column of the window", 3, 3, {{1, 1, true, 0}, {2, 2, true, 1}}, {1, 1}},
        {"column-major grid of 2 x 3", 2, 3, {{1, 2, true, 1}, {0, 1, true, 0}, {1, 0, true, 0}}, {1, 1, 1}},
        {"two columns apart is out of reach", 1, 3, {{0, 0, true, 1}, {0, 2, true, 0}}, {1, 0}},
        {"an unmasked pixel is never offered", 1, 2, {{0, 0, false, 1}, {0, 1, true, 0}}, {1, 0}},
        {"an unmasked pixel still adopts in its turn", 1, 2, {{0, 0, false, 0}, {0, 1, true, 1}}, {1, 1}},
        {"nothing masked: every pixel keeps its pair", 2, 1, {{0, 0, false, 1}, {1, 0, false, 0}}, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s(c.rows, c.cols);
        s.foreground = {{grey(0.0), {0, 0}}, {grey(1.0), {0, 0}}};
        s.background = {{grey(0.0), {0, 0}}};
        for (const Pixel& p : c.pixels) s.addPixel(p.row, p.col, grey(0.5), p.entryF, 0, p.masked);
        ScriptedRandom random({});
        s.run(random);
        EXPECT_EQ(s.fgIndex, c.wantF);
        EXPECT_EQ(s.bgIndex, Indices(c.pixels.size(), 0));
        // Every listed pixel's alpha is written, changed pair or not; nothing else is.
        for (int r = 0; r < c.rows; ++r) {
            for (int col = 0; col < c.cols; ++col) {
                double want = untouched;
                for (std::size_t i = 0; i < c.pixels.size(); ++i)
                    if (c.pixels[i].row == r && c.pixels[i].col == col) want = c.wantF[i] == 1 ? 0.5 : 0.0;
                EXPECT_EQ(s.opacityAt(r, col), want) << "at (" << r << ", " << col << ")";
            }
        }
    }
}

// Foreground samples 1..3 are identical, so every pair they make costs the
// same; sample 0 has the background's colour and loses to all of them. The
// pixel under test is (1, 1), listed first; (0, 2) and (1, 0) offer their pairs.
TEST(SearchPass, TiesKeepTheEarlierPair) {
    struct Case {
        const char* name;
        std::int32_t entryF, offeredAbove, offeredLeft;   // foreground indices held by (1,1), (0,2), (1,0)
        std::vector<int> draws;                           // of pixel (1, 1): two rounds
        std::int32_t wantF;
    };
    const Case cases[] = {
        {"the entry pair beats equal neighbours", 1, 2, 3, {centre, centre, centre, centre}, 1},
        // The window runs row by row: (0, 2) comes before (1, 0).
        {"the earlier window position wins", 0, 2, 3, {centre, centre, centre, centre}, 2},
        {"a window pair beats an equal random pair", 0, 2, 0, {20479, centre, centre, centre}, 2},
        {"the first random round wins", 0, 0, 0, {20479, centre, 32767, centre}, 1},   // draws f = 1, then f = 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s(3, 3);
        s.foreground = {{grey(0.0), {5, 5}}, {grey(1.0), {5, 5}}, {grey(1.0), {5, 5}}, {grey(1.0), {5, 5}}};
        s.background.assign(4, {grey(0.0), {5, 5}});
        s.addPixel(1, 1, grey(0.5), c.entryF, 0);
        s.addPixel(0, 2, grey(0.5), c.offeredAbove, 0);
        s.addPixel(1, 0, grey(0.5), c.offeredLeft, 0);
        std::vector<int> draws = c.draws;
        draws.resize(12, centre);
        ScriptedRandom random(draws);
        s.run(random);
        EXPECT_EQ(random.used(), random.size());
        EXPECT_EQ(s.fgIndex[0], c.wantF);
        EXPECT_EQ(s.bgIndex[0], 0);
    }
}

// Pixel (0, 0), listed first, enters with (0, 0); its neighbour (0, 1) offers
// (1, 1); its one random round draws (3, 1). Samples 2 and 3 and both
// background samples are plain, five columns away.
TEST(SearchPass, InfiniteAndNaNCosts) {
    struct Case {
        const char* name;
        Rgb entryColour;   // foreground sample 0
        Point entryPosition;
        Rgb offeredColour;   // foreground sample 1
        double fgScale, bgScale;
        std::int32_t wantF, wantB;
        double wantAlpha;
    };
    const Rgb white = grey(1.0), black = grey(0.0), nanColour = grey(nan);
    const Case cases[] = {
        {"NaN entry cost (zero scale on the entry sample) keeps the entry", white, {0, 0}, white, 0, 1, 0, 0, 0.5},
        {"NaN entry cost blocks finite candidates", nanColour, {0, 5}, white, 1, 1, 0, 0, nan},
        {"zero scales: every cost infinite, the entry stays", white, {0, 3}, white, 0, 0, 0, 0, 0.5},
        {"an infinite entry cost is replaced", white, {inf, 0}, white, 1, 1, 1, 1, 0.5},
        {"a NaN candidate is never adopted", white, {0, 9}, nanColour, 1, 1, 3, 1, 0.5},
        {"identical colours lose to any finite cost", black, {0, 0}, white, 1, 1, 1, 1, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s(1, 2);
        s.foreground = {{c.entryColour, c.entryPosition}, {c.offeredColour, {0, 5}}, {white, {0, 5}}, {white, {0, 5}}};
        s.background.assign(2, {black, {0, 5}});
        s.addPixel(0, 0, grey(0.5), 0, 0, true, c.fgScale, c.bgScale);
        s.addPixel(0, 1, grey(0.5), 1, 1);
        ScriptedRandom random({32767, 32767, centre, centre});   // radii 4 and 2, then 2 and 1 stops
        s.run(random);
        EXPECT_EQ(random.used(), random.size());
        EXPECT_EQ(s.fgIndex[0], c.wantF);
        EXPECT_EQ(s.bgIndex[0], c.wantB);
        EXPECT_TRUE(same(s.opacityAt(0, 0), c.wantAlpha));
    }
}

TEST(SearchPass, EmptyUnknownListDrawsAndWritesNothing) {
    Scene s(2, 3);
    ScriptedRandom random({});
    s.run(random);
    EXPECT_EQ(random.used(), 0u);
    for (double v : s.opacity) EXPECT_EQ(v, untouched);
}

}  // namespace
