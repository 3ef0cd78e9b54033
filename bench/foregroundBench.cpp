// estimateForeground on a synthetic 800 x 600 and 1600 x 1200 scene: a disc
// whose soft rim ripples, over smooth colour gradients. The time per pixel
// should stay flat between the sizes (the estimate is linear in the pixels).
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "cutout.h"

namespace {

struct Scene {
    std::ptrdiff_t rows, cols;
    std::vector<double> image, alpha;
};

Scene sceneOf(std::ptrdiff_t rows, std::ptrdiff_t cols) {
    Scene s{rows, cols, std::vector<double>(static_cast<std::size_t>(3 * rows * cols)),
            std::vector<double>(static_cast<std::size_t>(rows * cols))};
    const std::ptrdiff_t n = rows * cols;
    const double radius = 0.35 * static_cast<double>(rows), rim = 0.02 * static_cast<double>(rows);
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r) {
            const std::size_t i = static_cast<std::size_t>(r + c * rows);
            const double d = std::hypot(static_cast<double>(r - rows / 2), static_cast<double>(c - cols / 2)) - radius;
            const double ripple = 0.3 * std::sin(0.7 * static_cast<double>(c + r));
            s.alpha[i] = std::fmin(1.0, std::fmax(0.0, 0.5 - d / (2 * rim) + (std::fabs(d) < rim ? ripple : 0.0)));
            for (std::ptrdiff_t k = 0; k < 3; ++k)
                s.image[i + static_cast<std::size_t>(k * n)] =
                    0.5 + 0.4 * std::sin(0.01 * static_cast<double>((k + 1) * r) + 0.02 * static_cast<double>(c));
        }
    return s;
}

// One thread per part, the caller's among them: parts run at once, as the
// sweeps' lanes need.
void onThreads(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) {
    std::vector<std::thread> threads;
    for (std::ptrdiff_t k = 1; k < parts; ++k) threads.emplace_back(task, k);
    task(0);
    for (std::thread& t : threads) t.join();
}

// rows, cols, lanes.
void estimateForegroundBench(benchmark::State& state) {
    const Scene s = sceneOf(state.range(0), state.range(1));
    const auto lanes = static_cast<int>(state.range(2));
    for (auto _ : state) {
        pairseek::ForegroundEstimate e =
            pairseek::estimateForeground(s.image.data(), s.alpha.data(), s.rows, s.cols, {}, onThreads, lanes);
        benchmark::DoNotOptimize(e.foreground.data());
    }
    state.counters["time/pixel"] = benchmark::Counter(static_cast<double>(s.rows * s.cols),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}
BENCHMARK(estimateForegroundBench)
    ->Args({600, 800, 1})
    ->Args({1200, 1600, 1})
    ->Args({2400, 3200, 1})
    ->Args({2400, 3200, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
