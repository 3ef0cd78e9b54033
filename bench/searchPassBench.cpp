// One search pass on the synthetic photograph at three sizes: the plain
// reference pass beside the shipped pass, with the lane set it picks and with
// each lane set on its own. A pass starts from the pairs after three passes
// (as passes 2 to 10 of a run do), or from the random initial pairs (".../first").
// Every iteration starts from the same pairs and seed, so every variant does
// the same work; each fast variant's result is checked against the reference's,
// to the bit, after its timing loop.
//
// Counters: pairs/s, candidate pairs scored per second (entry pair, window
// pairs and random rounds), and time/pixel, per unknown pixel and pass. A
// summary of speedups over the reference follows the table (medians when run
// with repetitions).
//
// limit/divSqrt/<lanes> is the ceiling: a pair costs 3 divisions and 3 square
// roots, so the processor's divide/square-root throughput bounds pairs/s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define PAIRSEEK_BENCH_X86 1
#endif

#include "passLayout.h"
#include "referencePass.h"
#include "sameValue.h"
#include "syntheticScene.h"

namespace {

using namespace pairseek;
using testing::SearchCase;
using testing::SyntheticScene;

constexpr std::uint32_t seed = 20240611;

enum class Start { settled, first };
constexpr int settlingPasses = 3;

struct Scene {
    SyntheticScene host;   // the arrays as pairSeek receives them (1-based)
    SearchCase zero;       // 0-based copies, as the reference pass takes them
    std::int64_t pairs = 0;
    bool haveReference = false;
    std::vector<std::int32_t> referenceF, referenceB;
    std::vector<double> referenceOpacity;
};

// The host-layout pairs a timed pass starts from.
void settle(SyntheticScene& s) {
    std::vector<double> opacity(s.unknownMask.size());
    for (int pass = 0; pass < settlingPasses; ++pass) {
        LinearCongruential random(seed + 1 + static_cast<std::uint32_t>(pass));
        searchPass({s.unknownColour.data(), s.unknownPos.data(), s.nU, IndexBase::one},
                   {s.fgColour.data(), s.fgPos.data(), s.nF, IndexBase::one},
                   {s.bgColour.data(), s.bgPos.data(), s.nB, IndexBase::one}, s.fgScale.data(), s.bgScale.data(),
                   {s.indexMap.data(), s.rows, s.cols, IndexBase::one}, s.unknownMask.data(), s.params,
                   {s.fgIndex.data(), s.bgIndex.data(), IndexBase::one}, opacity.data(), random);
    }
}

// Entry pair, window pairs and random rounds of every pixel in one pass.
std::int64_t pairsPerPass(const SyntheticScene& s) {
    const std::int64_t rounds = randomRounds(s.nF, s.nB, s.params.decay);
    std::int64_t pairs = 0;
    for (Count i = 0; i < s.nU; ++i) {
        const auto r = static_cast<std::ptrdiff_t>(s.unknownPos[static_cast<std::size_t>(i)] - 1.0);
        const auto c = static_cast<std::ptrdiff_t>(s.unknownPos[static_cast<std::size_t>(s.nU + i)] - 1.0);
        pairs += 1 + rounds;
        for (std::ptrdiff_t rr = r - 1; rr <= r + 1; ++rr)
            for (std::ptrdiff_t cc = c - 1; cc <= c + 1; ++cc)
                if (rr >= 0 && rr < s.rows && cc >= 0 && cc < s.cols &&
                    s.unknownMask[static_cast<std::size_t>(gridIndex(rr, cc, s.rows))])
                    ++pairs;
    }
    return pairs;
}

Scene& sceneAt(std::size_t k, Start start) {
    static std::map<std::pair<std::size_t, Start>, std::unique_ptr<Scene>> scenes;
    std::unique_ptr<Scene>& scene = scenes[{k, start}];
    if (!scene) {
        scene = std::make_unique<Scene>();
        scene->host = testing::makeSyntheticScene(testing::sceneSizes()[k]);
        if (start == Start::settled) settle(scene->host);
        scene->host.toSearchCase(scene->zero);
        scene->pairs = pairsPerPass(scene->host);
    }
    return *scene;
}

void runReference(SearchCase& c) {
    LinearCongruential random(seed);
    reference::searchPass(c.unknown.table(), c.foreground.table(), c.background.table(), c.fgScale.data(),
                          c.bgScale.data(), c.mapView(), c.mask.data(), c.params, c.state(), c.opacity.data(), random);
}

void keepReference(Scene& s, const SearchCase& c) {
    s.referenceF = c.fgIndex;
    s.referenceB = c.bgIndex;
    s.referenceOpacity = c.opacity;
    s.haveReference = true;
}

void setCounters(benchmark::State& state, const Scene& s) {
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["pairs/s"] = benchmark::Counter(static_cast<double>(s.pairs) * iterations, benchmark::Counter::kIsRate);
    state.counters["time/pixel"] = benchmark::Counter(static_cast<double>(s.host.nU) * iterations,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void referenceBench(benchmark::State& state, std::size_t k, Start start) {
    Scene& s = sceneAt(k, start);
    SearchCase c = s.zero;
    for (auto _ : state) {
        state.PauseTiming();
        c.fgIndex = s.zero.fgIndex;
        c.bgIndex = s.zero.bgIndex;
        state.ResumeTiming();
        runReference(c);
    }
    if (!s.haveReference) keepReference(s, c);
    setCounters(state, s);
}

bool sameOpacity(const std::vector<double>& a, const std::vector<double>& b) {
    for (std::size_t k = 0; k < a.size(); ++k)
        if (!testing::sameBits(a[k], b[k])) return false;
    return true;
}

// The shipped pass as the host module calls it: on the host's 1-based arrays.
void fastBench(benchmark::State& state, std::size_t k, Start start, pass::LaneSet lanes) {
    Scene& s = sceneAt(k, start);
    const SyntheticScene& h = s.host;
    std::vector<std::int32_t> fgIndex, bgIndex;
    std::vector<double> opacity(h.unknownMask.size(), 0.0);
    const SampleTable unknown{h.unknownColour.data(), h.unknownPos.data(), h.nU, IndexBase::one};
    const SampleTable foreground{h.fgColour.data(), h.fgPos.data(), h.nF, IndexBase::one};
    const SampleTable background{h.bgColour.data(), h.bgPos.data(), h.nB, IndexBase::one};
    const IndexMapView map{h.indexMap.data(), h.rows, h.cols, IndexBase::one};
    for (auto _ : state) {
        state.PauseTiming();
        fgIndex = h.fgIndex;
        bgIndex = h.bgIndex;
        state.ResumeTiming();
        LinearCongruential random(seed);
        pass::searchPassWith(lanes, unknown, foreground, background, h.fgScale.data(), h.bgScale.data(), map,
                             h.unknownMask.data(), h.params, {fgIndex.data(), bgIndex.data(), IndexBase::one},
                             opacity.data(), random);
    }
    setCounters(state, s);

    if (!s.haveReference) {
        SearchCase c = s.zero;
        runReference(c);
        keepReference(s, c);
    }
    for (std::size_t i = 0; i < fgIndex.size(); ++i) {
        if (fgIndex[i] - 1 != s.referenceF[i] || bgIndex[i] - 1 != s.referenceB[i]) {
            state.SkipWithError(("pairs differ from the reference pass at pixel " + std::to_string(i)).c_str());
            return;
        }
    }
    if (!sameOpacity(opacity, s.referenceOpacity)) state.SkipWithError("opacity differs from the reference pass");
}

#if defined(PAIRSEEK_BENCH_X86)
// The divide/square-root ceiling: per iteration the divisions and square roots
// of 2 * lanes pairs, on 6 + 6 independent chains so that latency is covered.
// a -> d / a keeps the values bounded; s -> sqrt(s + 1) as well.
#define PAIRSEEK_DIV_SQRT_LIMIT(name, isa, V, set1, div, sqrt, add, lanes)                              \
    __attribute__((target(isa))) void name(benchmark::State& state) {                                         \
        V a[6], s[6];                                                                                       \
        for (int k = 0; k < 6; ++k) {                                                                       \
            a[k] = set1(1.5 + k);                                                                           \
            s[k] = set1(2.5 + k);                                                                           \
        }                                                                                                   \
        const V d = set1(1.0000001), one = set1(1.0);                                                       \
        for (auto _ : state) {                                                                              \
            for (int k = 0; k < 6; ++k) a[k] = div(d, a[k]);                                                \
            for (int k = 0; k < 6; ++k) s[k] = sqrt(add(s[k], one));                                        \
            benchmark::DoNotOptimize(a);                                                                    \
            benchmark::DoNotOptimize(s);                                                                    \
        }                                                                                                   \
        state.counters["pairs/s"] =                                                                         \
            benchmark::Counter(2.0 * (lanes) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate); \
    }
inline __m128d sqrtScalar(__m128d x) { return _mm_sqrt_sd(x, x); }
__attribute__((target("avx512f"))) inline __m512d sqrt512(__m512d x) {
    return _mm512_maskz_sqrt_pd(static_cast<__mmask8>(0xFF), x);
}
PAIRSEEK_DIV_SQRT_LIMIT(limitScalar, "sse2", __m128d, _mm_set1_pd, _mm_div_sd, sqrtScalar, _mm_add_sd, 1)
PAIRSEEK_DIV_SQRT_LIMIT(limitSse2, "sse2", __m128d, _mm_set1_pd, _mm_div_pd, _mm_sqrt_pd, _mm_add_pd, 2)
PAIRSEEK_DIV_SQRT_LIMIT(limitAvx2, "avx2", __m256d, _mm256_set1_pd, _mm256_div_pd, _mm256_sqrt_pd, _mm256_add_pd, 4)
PAIRSEEK_DIV_SQRT_LIMIT(limitAvx512, "avx512f", __m512d, _mm512_set1_pd, _mm512_div_pd, sqrt512, _mm512_add_pd, 8)
#endif

// Prints the table as usual, then each variant's speed relative to the reference.
class SpeedupReporter : public benchmark::ConsoleReporter {
  public:
    SpeedupReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!run.error_occurred && (single || median)) {
                cpuTime_[run.run_name.function_name] = run.GetAdjustedCPUTime();
                order_.push_back(run.run_name.function_name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nSpeed relative to the plain reference pass (CPU time, same pairs):\n");
        for (const std::string& name : order_) {
            const std::size_t slash = name.find('/');
            const std::string variant = name.substr(0, slash), rest = name.substr(slash + 1);
            if (variant == "reference") continue;
            const std::string sceneName = rest.substr(0, rest.find('/'));
            const bool first = rest.size() > 6 && rest.compare(rest.size() - 6, 6, "/first") == 0;
            const auto ref = cpuTime_.find("reference/" + sceneName + (first ? "/first" : ""));
            if (ref == cpuTime_.end()) continue;
            std::printf("  %-28s %6.2fx\n", name.c_str(), ref->second / cpuTime_[name]);
        }
    }

  private:
    std::map<std::string, double> cpuTime_;
    std::vector<std::string> order_;
};

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
    const struct {
        const char* name;
        pass::LaneSet lanes;
    } laneSets[] = {{"", pass::LaneSet::widest},
                    {"/scalar", pass::LaneSet::scalar},
                    {"/sse2", pass::LaneSet::sse2},
                    {"/avx2", pass::LaneSet::avx2},
                    {"/avx512", pass::LaneSet::avx512},
                    {"/generic", pass::LaneSet::generic}};
    const auto& sizes = testing::sceneSizes();
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const std::string scene = sizes[k].name;
        benchmark::RegisterBenchmark(("reference/" + scene).c_str(), referenceBench, k, Start::settled)
            ->Unit(benchmark::kMillisecond);
        for (const auto& l : laneSets) {
            if (!pass::available(l.lanes)) continue;
            benchmark::RegisterBenchmark(("searchPass/" + scene + l.name).c_str(), fastBench, k, Start::settled, l.lanes)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("reference/" + scene + "/first").c_str(), referenceBench, k, Start::first)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("searchPass/" + scene + "/first").c_str(), fastBench, k, Start::first,
                                     pass::LaneSet::widest)
            ->Unit(benchmark::kMillisecond);
    }
#if defined(PAIRSEEK_BENCH_X86)
    benchmark::RegisterBenchmark("limit/divSqrt/scalar", limitScalar);
    benchmark::RegisterBenchmark("limit/divSqrt/sse2", limitSse2);
    if (pass::available(pass::LaneSet::avx2)) benchmark::RegisterBenchmark("limit/divSqrt/avx2", limitAvx2);
    if (pass::available(pass::LaneSet::avx512)) benchmark::RegisterBenchmark("limit/divSqrt/avx512", limitAvx512);
#endif
    benchmark::AddCustomContext("cpu model", cpuModel());
    const char* shipped = pass::available(pass::LaneSet::avx512) ? "avx512" : pass::available(pass::LaneSet::avx2) ? "avx2"
                          : pass::available(pass::LaneSet::sse2)                                          ? "sse2"
                                                                                                           : "generic";
    benchmark::AddCustomContext("searchPass lanes", shipped);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SpeedupReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
