// The band solve's matrix form and conjugate gradients: a hand-worked split into
// segments, and solves checked against a dense elimination (small systems) or
// their own residual (systems of several chunks), in any order of parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "backwards.h"
#include "conjugateGradient.h"
#include "lowerSegments.h"

namespace pairseek {
namespace {

// Lower triangle from columns of (row, value) pairs, the diagonal first.
LowerTriangle triangleOf(const std::vector<std::vector<std::pair<int, double>>>& columns) {
    LowerTriangle t;
    t.n = static_cast<std::ptrdiff_t>(columns.size());
    t.outer.push_back(0);
    std::size_t entries = 0;
    for (const auto& column : columns) entries += column.size();
    t.inner.reset(new int[entries]);
    t.values.reset(new float[entries]);
    std::size_t at = 0;
    for (const auto& column : columns) {
        t.diagonal.push_back(column.front().second);
        for (const auto& [row, value] : column) t.inner[at] = row, t.values[at++] = static_cast<float>(value);
        t.outer.push_back(static_cast<int>(at));
    }
    return t;
}

TEST(SegmentedMatrix, GroupsColumnsWithTheSameOffsets) {
    // Columns 0-2 see rows +1 and +2, column 3 row +1, column 4 nothing.
    SegmentedMatrix m(triangleOf({{{0, 4}, {1, 0.1}, {2, 0.2}},
                                  {{1, 5}, {2, 1.1}, {3, 1.2}},
                                  {{2, 6}, {3, 2.1}, {4, 2.2}},
                                  {{3, 7}, {4, 3.1}},
                                  {{4, 8}}}));
    const LowerSegments v = m.view();
    ASSERT_EQ(v.segments, 3);
    EXPECT_EQ(std::vector<int>(v.firstColumn, v.firstColumn + 4), (std::vector<int>{0, 3, 4, 5}));
    EXPECT_EQ(std::vector<int>(v.firstRun, v.firstRun + 4), (std::vector<int>{0, 1, 2, 2}));
    EXPECT_EQ(std::vector<int>(v.runOffset, v.runOffset + 2), (std::vector<int>{1, 1}));
    EXPECT_EQ(std::vector<int>(v.runLength, v.runLength + 2), (std::vector<int>{2, 1}));
    // Scaled to a unit diagonal: entry (i, j) over the roots of diagonal entries i and j.
    const double root[] = {2, std::sqrt(5.0), std::sqrt(6.0), std::sqrt(7.0), std::sqrt(8.0)};
    EXPECT_EQ(std::vector<double>(v.root, v.root + 5), std::vector<double>(root, root + 5));
    const auto entry = [&](double value, int i, int j) {
        return static_cast<float>(static_cast<float>(value) / (root[j] * root[i]));
    };
    EXPECT_EQ(std::vector<float>(v.values, v.values + 7),
              (std::vector<float>{entry(0.1, 1, 0), entry(1.1, 2, 1), entry(2.1, 3, 2), entry(0.2, 2, 0),
                                  entry(1.2, 3, 1), entry(2.2, 4, 2), entry(3.1, 4, 3)}));
}

// A symmetric, diagonally dominant band: column j holds rows j + o for the
// offsets o that stay below n, except where `drop` removes an entry (holes break
// columns into their own segments), with random values.
struct Band {
    std::vector<std::vector<std::pair<int, double>>> columns;
    Band(int n, const std::vector<int>& offsets, double drop, std::uint32_t seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> value(-1, 1), unit(0, 1);
        columns.resize(static_cast<std::size_t>(n));
        std::vector<double> rowSum(static_cast<std::size_t>(n), 0);
        for (int j = 0; j < n; ++j)
            for (const int o : offsets)
                if (j + o < n && unit(random) >= drop) {
                    const double v = value(random);
                    columns[static_cast<std::size_t>(j)].emplace_back(j + o, v);
                    rowSum[static_cast<std::size_t>(j)] += std::fabs(v);
                    rowSum[static_cast<std::size_t>(j + o)] += std::fabs(v);
                }
        for (int j = 0; j < n; ++j) {
            auto& column = columns[static_cast<std::size_t>(j)];
            column.insert(column.begin(), {j, rowSum[static_cast<std::size_t>(j)] + 0.01 + unit(random)});
        }
    }
    // Entry (i, j), i >= j, as the solver keeps it: in float, scaled to a unit diagonal, in float again.
    double kept(std::size_t i, std::size_t j, double v) const {
        if (i == j) return v;
        const double root = std::sqrt(columns[i].front().second) * std::sqrt(columns[j].front().second);
        return static_cast<double>(static_cast<float>(static_cast<float>(v) / root)) * root;
    }
    // A x in double with the entries as the solver keeps them.
    std::vector<double> times(const std::vector<double>& x) const {
        std::vector<double> y(x.size(), 0);
        for (std::size_t j = 0; j < columns.size(); ++j)
            for (const auto& [row, v] : columns[j]) {
                const auto i = static_cast<std::size_t>(row);
                const double a = kept(i, j, v);
                y[i] += a * x[j];
                if (i != j) y[j] += a * x[i];
            }
        return y;
    }
};

double norm(const std::vector<double>& v) {
    double s = 0;
    for (const double e : v) s += e * e;
    return std::sqrt(s);
}

struct SolveCase {
    const char* name;
    int n;
    std::vector<int> offsets;
    double drop;
};

TEST(ConjugateGradient, ReachesItsToleranceInAnyOrderOfParts) {
    // Beyond 16384 columns the product runs in several chunks that spill into
    // the next; runs longer than 255 offsets are split.
    std::vector<int> wide(300);
    for (int k = 0; k < 300; ++k) wide[static_cast<std::size_t>(k)] = k + 1;
    const SolveCase cases[] = {
        {"tiny, full", 6, {1, 2, 3, 4, 5}, 0.0},
        {"image-like band, holes", 5000, {1, 2, 68, 69, 70, 71, 72, 139, 140, 141, 142, 143}, 0.05},
        {"runs longer than 255", 700, wide, 0.0},
        {"several chunks", 40000, {1, 2, 150, 151, 152, 153, 154, 301, 302, 303, 304, 305}, 0.01},
        {"diagonal only", 20000, {}, 0.0},
    };
    for (const SolveCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Band band(c.n, c.offsets, c.drop, static_cast<std::uint32_t>(c.n));
        std::vector<double> b(static_cast<std::size_t>(c.n));
        std::mt19937 random(7);
        std::uniform_real_distribution<double> value(-1, 1);
        for (double& e : b) e = value(random);
        SegmentedMatrix m(triangleOf(band.columns));
        // Double vectors reach a tight tolerance; float ones (from 1e-4 on) stop
        // on their own residual, within rounding of the true one.
        const struct { double tolerance, bound; } targets[] = {{1e-10, 1e-9}, {1e-4, 1.1e-4}, {1e-3, 1.01e-3}};
        for (const auto& target : targets) {
            SCOPED_TRACE(target.tolerance);
            std::vector<double> inOrder(b.size(), 0.0), reversed(b.size(), 0.0);
            const int iterations = conjugateGradient(m.view(), b.data(), inOrder.data(), target.tolerance, 5000, {});
            EXPECT_LT(iterations, 5000);
            conjugateGradient(m.view(), b.data(), reversed.data(), target.tolerance, 5000, backwards);
            EXPECT_EQ(0, std::memcmp(inOrder.data(), reversed.data(), b.size() * sizeof(double)));
            std::vector<double> residual = band.times(inOrder);
            for (std::size_t k = 0; k < b.size(); ++k) residual[k] -= b[k];
            EXPECT_LE(norm(residual), target.bound * norm(b));
        }
    }
}

TEST(ConjugateGradient, MatchesDenseElimination) {
    const Band band(40, {1, 2, 7, 8, 9}, 0.1, 3);
    const std::size_t n = band.columns.size();
    std::vector<double> dense(n * n, 0), b(n);
    for (std::size_t j = 0; j < n; ++j)
        for (const auto& [row, v] : band.columns[j]) {
            const auto i = static_cast<std::size_t>(row);
            dense[i + j * n] = dense[j + i * n] = band.kept(i, j, v);
        }
    for (std::size_t k = 0; k < n; ++k) b[k] = std::sin(static_cast<double>(k));
    // Gaussian elimination without pivoting: the matrix is diagonally dominant.
    std::vector<double> expected = b;
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t i = k + 1; i < n; ++i) {
            const double f = dense[i + k * n] / dense[k + k * n];
            for (std::size_t j = k; j < n; ++j) dense[i + j * n] -= f * dense[k + j * n];
            expected[i] -= f * expected[k];
        }
    for (std::size_t k = n; k-- > 0;) {
        for (std::size_t j = k + 1; j < n; ++j) expected[k] -= dense[k + j * n] * expected[j];
        expected[k] /= dense[k + k * n];
    }
    std::vector<double> x(n, 0.5);
    SegmentedMatrix m(triangleOf(band.columns));
    conjugateGradient(m.view(), b.data(), x.data(), 1e-13, 1000, {});
    for (std::size_t k = 0; k < n; ++k) EXPECT_NEAR(x[k], expected[k], 1e-10) << "row " << k;
}

TEST(ConjugateGradient, StopsAtOnceWhenTheStartSolves) {
    const Band band(30, {1, 5}, 0.0, 5);
    std::vector<double> start(30), b;
    for (std::size_t k = 0; k < start.size(); ++k) start[k] = static_cast<double>(k) / 7;
    b = band.times(start);
    SegmentedMatrix m(triangleOf(band.columns));
    for (const double tolerance : {1e-6, 1e-3}) {   // in double, in float
        std::vector<double> x = start;
        EXPECT_EQ(conjugateGradient(m.view(), b.data(), x.data(), tolerance, 100, {}), 0);
        EXPECT_EQ(x, start);
    }
}

}  // namespace
}  // namespace pairseek
