// The distance transform against all pairs, on seeded random grids: exact
// distances, and among equally near samples the smallest column, then row.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "backwards.h"
#include "nearestSample.h"

namespace pairseek {
namespace {

TEST(NearestSample, MatchesBruteForce) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto below = [&](std::ptrdiff_t n) { return std::uniform_int_distribution<std::ptrdiff_t>(0, n - 1)(random); };
        const std::ptrdiff_t rows = 1 + below(13), cols = 1 + below(13), cells = rows * cols;
        // The first seeds: few samples, many ties.
        const std::ptrdiff_t n = 1 + below(seed <= 60 ? std::min<std::ptrdiff_t>(cells, 3) : cells);
        std::vector<std::ptrdiff_t> all(static_cast<std::size_t>(cells));
        for (std::ptrdiff_t k = 0; k < cells; ++k) all[static_cast<std::size_t>(k)] = k;
        std::shuffle(all.begin(), all.end(), random);
        const std::vector<std::ptrdiff_t> samples(all.begin(), all.begin() + n);
        std::vector<std::ptrdiff_t> queries;
        for (std::ptrdiff_t k = 0; k < cells; ++k)
            if (below(10) < 6) queries.push_back(k);

        const std::vector<NearestSample> got = nearestSamples(rows, cols, samples, queries);
        ASSERT_EQ(got.size(), queries.size());
        for (std::size_t i = 0; i < queries.size(); ++i) {
            const std::ptrdiff_t r = queries[i] % rows, c = queries[i] / rows;
            std::ptrdiff_t best = -1, bestKey = 0;
            for (std::ptrdiff_t s = 0; s < n; ++s) {
                const std::ptrdiff_t sr = samples[static_cast<std::size_t>(s)] % rows,
                                     sc = samples[static_cast<std::size_t>(s)] / rows;
                const std::ptrdiff_t key = ((r - sr) * (r - sr) + (c - sc) * (c - sc)) * 1000000 + sc * 1000 + sr;
                if (best < 0 || key < bestKey) best = s, bestKey = key;
            }
            const double want = std::sqrt(static_cast<double>(bestKey / 1000000));
            EXPECT_EQ(got[i].index, best) << "cell (" << r << ", " << c << ") of " << rows << "x" << cols;
            EXPECT_EQ(got[i].distance, want) << "cell (" << r << ", " << c << ")";
        }
    }
}

// Columns and rows in parts, run in any order: the answers of one sweep.
TEST(NearestSample, PartsRunInAnyOrderGiveTheSameAnswers) {
    const std::ptrdiff_t rows = 300, cols = 170;
    std::mt19937 random(7);
    std::vector<std::ptrdiff_t> samples, queries;
    for (std::ptrdiff_t k = 0; k < rows * cols; ++k) {
        const auto u = random() % 1000;
        if (u < 2) samples.push_back(k);   // far apart: long runs and wide envelopes
        else if (u < 600) queries.push_back(k);
    }
    const std::vector<NearestSample> inOrder = nearestSamples(rows, cols, samples, queries);
    const std::vector<NearestSample> reversed = nearestSamples(rows, cols, samples, queries, backwards);
    ASSERT_EQ(inOrder.size(), reversed.size());
    for (std::size_t i = 0; i < inOrder.size(); ++i) {
        ASSERT_EQ(inOrder[i].index, reversed[i].index) << "query " << i;
        ASSERT_EQ(inOrder[i].distance, reversed[i].distance) << "query " << i;
    }
}

}  // namespace
}  // namespace pairseek
