// The shipped searchPass against the plain reference pass: pairs and opacity
// must agree to the bit after every pass, on random valid inputs of every kind
// (awkward values, identical colours, zero scales, masks with holes, decays
// from negative to near 1, NaN) and on the benchmark's synthetic photograph.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "passLayout.h"
#include "referencePass.h"
#include "sameValue.h"
#include "searchCase.h"
#include "syntheticScene.h"

namespace pairseek::testing {
namespace {

// First difference between two cases' results, or "".
std::string difference(const SearchCase& expected, const SearchCase& actual) {
    for (std::size_t i = 0; i < expected.fgIndex.size(); ++i) {
        if (expected.fgIndex[i] != actual.fgIndex[i] || expected.bgIndex[i] != actual.bgIndex[i])
            return "pixel " + std::to_string(i) + ": pair (" + std::to_string(actual.fgIndex[i]) + ", " +
                   std::to_string(actual.bgIndex[i]) + "), reference (" + std::to_string(expected.fgIndex[i]) +
                   ", " + std::to_string(expected.bgIndex[i]) + ")";
    }
    for (std::size_t k = 0; k < expected.opacity.size(); ++k)
        if (!sameBits(expected.opacity[k], actual.opacity[k]))
            return "opacity at cell " + std::to_string(k) + ": " + std::to_string(actual.opacity[k]) + ", reference " +
                   std::to_string(expected.opacity[k]);
    return "";
}

void runReference(SearchCase& c, RandomSource& random) {
    reference::searchPass(c.unknown.table(), c.foreground.table(), c.background.table(), c.fgScale.data(),
                          c.bgScale.data(), c.mapView(), c.mask.data(), c.params, c.state(), c.opacity.data(),
                          random);
}

void runLanes(pass::LaneSet lanes, SearchCase& c, RandomSource& random) {
    pass::searchPassWith(lanes, c.unknown.table(), c.foreground.table(), c.background.table(), c.fgScale.data(),
                         c.bgScale.data(), c.mapView(), c.mask.data(), c.params, c.state(), c.opacity.data(), random);
}

// The host's layout: 1-based positions, map (0 where there is none) and pairs,
// passed as they are.
void runOneBased(SearchCase& c, RandomSource& random) {
    SearchCase host = c;
    for (SampleColumns* t : {&host.unknown, &host.foreground, &host.background})
        for (double& p : t->position) p += 1.0;
    for (std::int32_t& m : host.indexMap) m += 1;
    for (std::int32_t& v : host.fgIndex) v += 1;
    for (std::int32_t& v : host.bgIndex) v += 1;
    auto oneBased = [](const SampleColumns& t) {
        SampleTable view = t.table();
        view.base = IndexBase::one;
        return view;
    };
    searchPass(oneBased(host.unknown), oneBased(host.foreground), oneBased(host.background), host.fgScale.data(),
               host.bgScale.data(), {host.indexMap.data(), host.rows, host.cols, IndexBase::one}, host.mask.data(),
               host.params, {host.fgIndex.data(), host.bgIndex.data(), IndexBase::one}, c.opacity.data(), random);
    for (std::size_t i = 0; i < c.fgIndex.size(); ++i) {
        c.fgIndex[i] = host.fgIndex[i] - 1;
        c.bgIndex[i] = host.bgIndex[i] - 1;
    }
}

struct Variant {
    const char* name;
    pass::LaneSet lanes;
};

// Every lane set this processor runs, on 0-based views.
std::vector<Variant> laneVariants() {
    const Variant all[] = {{"scalar lanes", pass::LaneSet::scalar},
                           {"SSE2 lanes", pass::LaneSet::sse2},
                           {"AVX2 lanes", pass::LaneSet::avx2},
                           {"AVX-512 lanes", pass::LaneSet::avx512},
                           {"generic lanes", pass::LaneSet::generic}};
    std::vector<Variant> runnable;
    for (const Variant& v : all)
        if (pass::available(v.lanes)) runnable.push_back(v);
    return runnable;
}

// Runs `passes` passes of the reference, of every lane set on 0-based views and
// of searchPass on 1-based views, all from the same case and seed; returns the
// first difference.
std::string comparePasses(const SearchCase& start, std::uint32_t seed, int passes) {
    static const std::vector<Variant> variants = laneVariants();
    SearchCase expected = start, oneBased = start;
    std::vector<SearchCase> actual(variants.size(), start);
    LinearCongruential randomExpected(seed), randomOne(seed);
    std::vector<LinearCongruential> random(variants.size(), LinearCongruential(seed));
    for (int pass = 1; pass <= passes; ++pass) {
        const std::string at = "pass " + std::to_string(pass) + ", ";
        runReference(expected, randomExpected);
        for (std::size_t v = 0; v < variants.size(); ++v) {
            runLanes(variants[v].lanes, actual[v], random[v]);
            const std::string d = difference(expected, actual[v]);
            if (!d.empty()) return at + variants[v].name + ", " + d;
            if (random[v].state != randomExpected.state) return at + variants[v].name + ", a different number of draws";
        }
        runOneBased(oneBased, randomOne);
        const std::string d = difference(expected, oneBased);
        if (!d.empty()) return at + "1-based views, " + d;
        if (randomOne.state != randomExpected.state) return at + "1-based views, a different number of draws";
    }
    return "";
}

// Values that take every path of the cost: signed zeros, infinities, NaN,
// subnormals, and magnitudes whose squares overflow or vanish.
double pickValue(SeededSource& s) {
    static const double awkward[] = {0.0, -0.0, 1.0, -1.0, std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN(), 5e-324, 1e-300, 1e300, 1e155};
    if (s.chance(15)) return awkward[s.integer(0, static_cast<int>(std::size(awkward)) - 1)];
    return s.chance(50) ? s.unit() : (s.unit() - 0.5) * 600.0;
}

TEST(FastPassEquality, EveryLaneSetScoresAsPairCost) {
    const std::vector<Variant> variants = laneVariants();
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SeededSource s{std::mt19937(seed)};
        std::vector<pass::PackedSample> fg(17), bg(13);
        for (auto* samples : {&fg, &bg})
            for (pass::PackedSample& x : *samples) x = {pickValue(s), pickValue(s), pickValue(s), pickValue(s), pickValue(s)};
        bg[3] = {fg[5].red, fg[5].green, fg[5].blue, 2.0, 3.0};   // identical colours
        const pass::Pixel p{pickValue(s), pickValue(s), pickValue(s), pickValue(s), pickValue(s),
                            s.chance(20) ? 0.0 : pickValue(s), s.chance(20) ? -0.0 : pickValue(s), pickValue(s)};
        pass::PassInput in{};
        in.fg = fg.data();
        in.bg = bg.data();

        const int n = s.integer(1, 90);
        std::vector<std::int32_t> f(static_cast<std::size_t>(n)), b(f.size());
        for (int k = 0; k < n; ++k) {
            f[static_cast<std::size_t>(k)] = s.integer(0, 16);
            b[static_cast<std::size_t>(k)] = s.chance(10) ? 3 : s.integer(0, 12);
        }
        for (const Variant& v : variants) {
            std::vector<double> cost(f.size()), alpha(f.size());
            pass::scorePairs(v.lanes, in, p, f.data(), b.data(), n, cost.data(), alpha.data());
            for (std::size_t k = 0; k < f.size(); ++k) {
                const pass::PackedSample &F = fg[static_cast<std::size_t>(f[k])], &B = bg[static_cast<std::size_t>(b[k])];
                const PairEvaluation e = pairCost({p.red, p.green, p.blue}, {F.red, F.green, F.blue}, {B.red, B.green, B.blue},
                                                  {p.row, p.col}, {F.row, F.col}, {B.row, B.col}, p.sF, p.sB,
                                                  p.colourWeight);
                ASSERT_TRUE(sameBits(e.cost, cost[k]))
                    << v.name << ", seed " << seed << ", pair " << k << ": cost " << cost[k] << ", pairCost " << e.cost;
                ASSERT_TRUE(sameBits(e.alpha, alpha[k]))
                    << v.name << ", seed " << seed << ", pair " << k << ": alpha " << alpha[k] << ", pairCost " << e.alpha;
            }
        }
    }
}

TEST(FastPassEquality, RandomCasesOfEveryKind) {
    for (std::uint32_t seed = 1; seed <= 1500; ++seed) {
        SeededSource source{std::mt19937(seed)};
        const SearchCase start = makeSearchCase(source, 24, seed % 5 == 0 ? 400 : 40);
        const int passes = source.integer(1, 4);
        ASSERT_EQ(comparePasses(start, seed, passes), "") << "seed " << seed;
    }
}

// Hundreds of rounds per pixel: several batches of rounds, radii beyond those
// computed once per call.
TEST(FastPassEquality, DecayNearOne) {
    const double decays[] = {0.95, 0.99, 0.999};
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SeededSource source{std::mt19937(seed)};
        SearchCase start = makeSearchCase(source, 6, 300);
        start.params.decay = decays[seed % 3];
        ASSERT_EQ(comparePasses(start, seed, 2), "") << "seed " << seed << ", decay " << start.params.decay;
    }
}

void compareOnScene(std::size_t size) {
    const SyntheticScene scene = makeSyntheticScene(sceneSizes()[size]);
    SearchCase start;
    scene.toSearchCase(start);
    ASSERT_EQ(comparePasses(start, 2024, 3), "") << sceneSizes()[size].name << " scene";
}

TEST(FastPassEquality, SyntheticPhotograph) { compareOnScene(0); }

// The benchmark's larger scenes (it checks them too); about 15 seconds:
// fastPassTests --gtest_also_run_disabled_tests --gtest_filter='*Larger*'
TEST(FastPassEquality, DISABLED_SyntheticPhotographLarger) {
    compareOnScene(1);
    compareOnScene(2);
}

}  // namespace
}  // namespace pairseek::testing
