// Stage times and peak memory of the matte pipeline on one large case, read
// from a raw dump (bench/upscaledPhoto.m writes them): int32 rows, cols, then
// uint8 image planes R, G, B and the uint8 trimap, column-major, and optionally
// the uint8 true alpha, whose SAD over the unknown pixels is then shown.
//
//   stageBench case.raw [--threads N] [--passes N] [--seed N] [--no-refine] [--sequential] [--alpha out.raw]
//
// --sequential runs the search passes in list order (one strip) instead of the
// parallel schedule, for the quality of the two side by side.
// Times are wall-clock per stage (from the progress reports); peak memory is the
// process's resident peak, the dump's own bytes included. The process keeps its
// memory as the pairseek command does. Not a test.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "heapPolicy.h"
#include "pairseek.h"
#include "schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// Processor seconds of the whole process so far, every thread, user and system.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "stageBench: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    pairseekCli::keepFreedMemory();
    if (argc < 2)
        return fail("usage: stageBench case.raw [--threads N] [--passes N] [--seed N] [--no-refine] [--sequential] "
                    "[--alpha out.raw]");
    pairseek::MatteOptions options;
    const char* alphaOut = nullptr;
    std::ptrdiff_t stripPixels = pairseek::detail::defaultStripPixels;
    for (int a = 2; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--threads" && a + 1 < argc) options.threads = std::atoi(argv[++a]);
        else if (arg == "--passes" && a + 1 < argc) options.passes = std::atoi(argv[++a]);
        else if (arg == "--seed" && a + 1 < argc) options.seed = static_cast<std::uint32_t>(std::strtoul(argv[++a], nullptr, 10));
        else if (arg == "--no-refine") options.refine = false;
        else if (arg == "--sequential") stripPixels = PTRDIFF_MAX;
        else if (arg == "--alpha" && a + 1 < argc) alphaOut = argv[++a];
        else return fail("unknown argument " + arg);
    }

    const Clock::time_point readStart = Clock::now();
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) return fail(std::string("cannot open ") + argv[1]);
    std::int32_t dims[2];
    if (std::fread(dims, sizeof dims[0], 2, file) != 2 || dims[0] <= 0 || dims[1] <= 0)
        return fail(std::string(argv[1]) + ": no rows and cols at the start");
    const std::ptrdiff_t rows = dims[0], cols = dims[1], plane = rows * cols;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(3 * plane)), trimap(static_cast<std::size_t>(plane)),
        truth(static_cast<std::size_t>(plane));
    if (std::fread(image.data(), 1, image.size(), file) != image.size() ||
        std::fread(trimap.data(), 1, trimap.size(), file) != trimap.size())
        return fail(std::string(argv[1]) + ": shorter than its image and trimap");
    const bool hasTruth = std::fread(truth.data(), 1, truth.size(), file) == truth.size();
    std::fclose(file);
    const Clock::time_point start = Clock::now();
    const double startCpu = processorSeconds();

    // Seconds per stage, wall-clock and processor: each report closes the stage it names.
    std::vector<std::string> names;
    std::vector<double> times, cpuTimes;
    Clock::time_point last = start;
    double lastCpu = startCpu;
    options.progress = [&](const pairseek::Progress& p) {
        const Clock::time_point now = Clock::now();
        std::string name = p.stage;
        if (name == "refine" && p.step == 0) name = "confidence";
        if (name == "search") name += " " + std::to_string(p.step);
        names.push_back(name);
        times.push_back(seconds(last, now));
        const double cpu = processorSeconds();
        cpuTimes.push_back(cpu - lastCpu);
        last = now;
        lastCpu = cpu;
        return true;
    };
    const pairseek::Matte matte = pairseek::detail::pairMatteInStrips(
        pairseek::ArrayView::columnMajor(image.data(), pairseek::ElementType::uint8, rows, cols, 3),
        pairseek::ArrayView::columnMajor(trimap.data(), pairseek::ElementType::uint8, rows, cols), options,
        stripPixels);
    const Clock::time_point end = Clock::now();
    const double endCpu = processorSeconds();

    std::int64_t unknown = 0;
    double sad = 0;
    for (std::ptrdiff_t p = 0; p < plane; ++p) {
        const auto at = static_cast<std::size_t>(p);
        if (trimap[at] == 0 || trimap[at] == 255) continue;
        ++unknown;
        sad += std::fabs(matte.alpha[at] - truth[at] / 255.0);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;

    std::printf("%td x %td (%.2f Mpx), %lld unknown, threads %d, refine %s, %s passes\n", rows, cols,
                static_cast<double>(plane) / 1e6, static_cast<long long>(unknown), options.threads,
                options.refine ? "on" : "off", stripPixels == PTRDIFF_MAX ? "sequential" : "strip");
    std::printf("  %-12s %8s %8s\n", "stage", "wall s", "cpu s");
    std::printf("  %-12s %8.3f\n", "read dump", seconds(readStart, start));
    double search = 0, searchCpu = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::printf("  %-12s %8.3f %8.3f\n", names[k].c_str(), times[k], cpuTimes[k]);
        if (names[k].rfind("search", 0) == 0) search += times[k], searchCpu += cpuTimes[k];
    }
    std::printf("  %-12s %8.3f %8.3f\n", "(passes)", search, searchCpu);
    std::printf("  %-12s %8.3f %8.3f\n", "matte", seconds(start, end), endCpu - startCpu);
    std::printf("  peak %.0f MB, %.1f bytes per pixel\n", peakBytes / 1e6, peakBytes / static_cast<double>(plane));
    if (hasTruth) std::printf("  SAD %.3f\n", sad / 1000);

    if (alphaOut) {
        std::FILE* out = std::fopen(alphaOut, "wb");
        if (!out || std::fwrite(matte.alpha.data(), sizeof(double), matte.alpha.size(), out) != matte.alpha.size() ||
            std::fclose(out) != 0)
            return fail(std::string("cannot write ") + alphaOut);
    }
    return 0;
}
