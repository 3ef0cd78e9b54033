// pairCost: literal fixtures that pin every rounding step, and the cases with
// exact answers (identical colours, pixel on a sample, zero scales).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "matting.h"

using namespace pairseek;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct CostCase {
    const char* name;
    Rgb I, F, B;
    Point P, M, Q;
    double sF, sB, w;
    double cost, alpha;
};

PairEvaluation evaluate(const CostCase& c) { return pairCost(c.I, c.F, c.B, c.P, c.M, c.Q, c.sF, c.sB, c.w); }

// Equal as doubles, or both NaN.
::testing::AssertionResult same(double got, double want) {
    if ((std::isnan(got) && std::isnan(want)) || got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << got << " != " << want;
}

// Expected values from exact rational arithmetic, each operation rounded to
// double on its own (tests/core/fixtures.py). Between them they change in the
// last bit under any one fused step, the other association of any sum, or the
// residual written as (I - B) - alpha * D; fractional positions are needed for
// the distance sums to round at all.
const CostCase exactCases[] = {
    {"alpha inside (0, 1)", {0.85, 0.49, 0.64}, {0.31, 0.22, 0.31}, {0.6, 0.35, 0.11}, {8, 4}, {0, 4}, {9, 4},
     3.0, 0.7, 2.0, 5.2974690002377001, 0.10851063829787248},
    {"alpha below 0", {0.75, 0.01, 0.52}, {0.17, 0.74, 0.41}, {0.33, 0.27, 0.26}, {7, 8}, {1, 0}, {3, 2},
     2.5, 7.0, 3.3, 6.6041924256185878, -0.55910780669144999},
    {"alpha above 1", {0.89, 0.97, 0.97}, {0.43, 0.16, 0.81}, {0.09, 0.12, 0.45}, {2, 2}, {4, 1}, {9, 9},
     7.0, 0.7, 1.1, 15.346577982808626, 1.99837925445705},
    {"alpha just above 1", {0.31, 0.05, 0.63}, {0.47, 0.13, 0.47}, {0.8, 0.59, 1.0}, {1.0, 1.9}, {4.0, 7.6},
     {0.3, 4.4}, 1.5, 3.0, 3.3, 5.9513023471893147, 1.0079813767874959},
    {"alpha just below 1", {0.51, 0.67, 0.84}, {0.32, 0.83, 0.84}, {0.25, 0.73, 0.15}, {5.3, 5.2}, {0.7, 8.8},
     {6.1, 6.6}, 1.5, 7.0, 0.1, 4.1493418816606278, 0.99450101832993898},
};

// The same formula with every multiply-add fused, as a contracting compiler may emit it.
PairEvaluation fusedCost(const CostCase& c) {
    const double d[] = {c.F.red - c.B.red, c.F.green - c.B.green, c.F.blue - c.B.blue};
    const double x[] = {c.I.red - c.B.red, c.I.green - c.B.green, c.I.blue - c.B.blue};
    const double denom = std::fma(d[2], d[2], std::fma(d[1], d[1], d[0] * d[0]));
    const double alpha = std::fma(x[2], d[2], std::fma(x[1], d[1], x[0] * d[0])) / denom;
    const double beta = 1.0 - alpha;
    const double e0 = c.I.red - std::fma(alpha, c.F.red, beta * c.B.red);
    const double e1 = c.I.green - std::fma(alpha, c.F.green, beta * c.B.green);
    const double e2 = c.I.blue - std::fma(alpha, c.F.blue, beta * c.B.blue);
    const double colourDist = std::sqrt(std::fma(e2, e2, std::fma(e1, e1, e0 * e0)));
    const double fr = c.P.row - c.M.row, fc = c.P.col - c.M.col, br = c.P.row - c.Q.row, bc = c.P.col - c.Q.col;
    const double dF = std::sqrt(std::fma(fc, fc, fr * fr)), dB = std::sqrt(std::fma(bc, bc, br * br));
    return {dB / c.sB + std::fma(c.w, colourDist, dF / c.sF), alpha};
}

// The cost summed left to right, (dB/sB + w * colourDist) + dF/sF; alpha is exact from evaluate().
double leftToRightCost(const CostCase& c, double alpha) {
    const double beta = 1.0 - alpha;
    const double e0 = c.I.red - (beta * c.B.red + alpha * c.F.red);
    const double e1 = c.I.green - (beta * c.B.green + alpha * c.F.green);
    const double e2 = c.I.blue - (beta * c.B.blue + alpha * c.F.blue);
    const double colourDist = std::sqrt(e0 * e0 + e1 * e1 + e2 * e2);
    const double fr = c.P.row - c.M.row, fc = c.P.col - c.M.col, br = c.P.row - c.Q.row, bc = c.P.col - c.Q.col;
    const double dF = std::sqrt(fr * fr + fc * fc), dB = std::sqrt(br * br + bc * bc);
    return (dB / c.sB + c.w * colourDist) + dF / c.sF;
}

TEST(PairCost, MatchesStepwiseRoundedFixtures) {
    for (const CostCase& c : exactCases) {
        SCOPED_TRACE(c.name);
        const PairEvaluation e = evaluate(c);
        EXPECT_TRUE(same(e.cost, c.cost));
        EXPECT_TRUE(same(e.alpha, c.alpha));

        // Positions enter only through differences: 1-based positions score the same.
        CostCase oneBased = c;
        for (Point* p : {&oneBased.P, &oneBased.M, &oneBased.Q}) *p = {p->row + 1.0, p->col + 1.0};
        const PairEvaluation shifted = evaluate(oneBased);
        EXPECT_TRUE(same(shifted.cost, c.cost));
        EXPECT_TRUE(same(shifted.alpha, c.alpha));
    }
}

// Guards the fixtures themselves: if they stopped telling the orders apart, the test above would prove nothing.
TEST(PairCost, FixturesDistinguishFusedAndRegroupedArithmetic) {
    int fusedAlphaDiffers = 0;
    for (const CostCase& c : exactCases) {
        SCOPED_TRACE(c.name);
        const PairEvaluation fused = fusedCost(c);
        EXPECT_NE(fused.cost, c.cost);
        EXPECT_NE(leftToRightCost(c, c.alpha), c.cost);
        fusedAlphaDiffers += fused.alpha != c.alpha;
    }
    EXPECT_GT(fusedAlphaDiffers, 0);
}

TEST(PairCost, CasesWithExactAnswers) {
    const double floatMax = static_cast<double>(std::numeric_limits<float>::max());
    ASSERT_EQ(floatMax, 3.4028234663852886e38);
    const CostCase cases[] = {
        // Identical colours: a fixed cost whatever the pixel, the positions and the scales.
        {"F = B", {0.1, 0.2, 0.3}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0, 0}, {1, 1}, {2, 2}, 1, 1, 1, floatMax, 0},
        {"F = B, zero scales", {0.1, 0.2, 0.3}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0, 0}, {0, 0}, {2, 2}, 0, 0, 1,
         floatMax, 0},
        {"F = B, NaN pixel colour", {nan, 0.2, 0.3}, {1, 0, 0}, {1, 0, 0}, {0, 0}, {1, 1}, {2, 2}, 1, 1, 1,
         floatMax, 0},
        {"F = B = -0 and +0", {0.1, 0.2, 0.3}, {-0.0, 0, 0}, {0.0, 0, 0}, {0, 0}, {1, 1}, {2, 2}, 1, 1, 1, floatMax, 0},
        {"NaN difference is not 'identical'", {0.1, 0.2, 0.3}, {nan, 0, 0}, {nan, 0, 0}, {0, 0}, {1, 1}, {2, 2}, 1, 1,
         1, nan, nan},
        // Pixel on the line through B and F (dyadic values, so every step is exact).
        {"I = F", {1, 0.5, 0.25}, {1, 0.5, 0.25}, {0, 0, 0}, {0, 0}, {3, 4}, {6, 8}, 5, 2, 3, 6, 1},
        {"I = B", {0, 0, 0}, {1, 0.5, 0.25}, {0, 0, 0}, {0, 0}, {3, 4}, {6, 8}, 5, 2, 3, 6, 0},
        {"I beyond F", {1, 0.5, 0.25}, {0.5, 0.25, 0.125}, {0, 0, 0}, {0, 0}, {3, 4}, {6, 8}, 5, 2, 3, 6, 2},
        {"I beyond B", {-0.5, -0.25, -0.125}, {0.5, 0.25, 0.125}, {0, 0, 0}, {0, 0}, {3, 4}, {6, 8}, 5, 2, 3, 6, -1},
        // Off the line: colourDist is the distance to it; P = M = Q leaves w * colourDist.
        {"off the line, P = M = Q", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {2, 7}, {2, 7}, {2, 7}, 1, 1, 0.5, 2.5, 0.5},
        {"off the line, with distances", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {3, 4}, {6, 8}, 5, 2, 0.5, 8.5,
         0.5},
        // Zero scales.
        {"sF = 0, P != M", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {3, 4}, {0, 0}, 0, 2, 1, inf, 0.5},
        {"sF = 0, P = M", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {0, 0}, {6, 8}, 0, 2, 1, nan, 0.5},
        {"sB = 0, P != Q", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {0, 0}, {6, 8}, 1, 0, 1, inf, 0.5},
        {"sB = 0, P = Q", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {3, 4}, {0, 0}, 1, 0, 1, nan, 0.5},
        {"sF = sB = 0, P = M = Q", {0.5, 3, 4}, {1, 0, 0}, {0, 0, 0}, {0, 0}, {0, 0}, {0, 0}, 0, 0, 1, nan, 0.5},
    };
    for (const CostCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PairEvaluation e = evaluate(c);
        EXPECT_TRUE(same(e.cost, c.cost));
        EXPECT_TRUE(same(e.alpha, c.alpha));
    }
}

}  // namespace
