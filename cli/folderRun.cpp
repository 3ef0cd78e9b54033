#include "folderRun.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "exitStatus.h"
#include "interrupt.h"
#include "pendingFiles.h"

namespace pairseekCli {

namespace {

enum class Outcome { notStarted, done, skipped, failed, cancelled };

struct Result {
    Outcome outcome = Outcome::notStarted;
    std::string message;
};

// A skipped image's outputs are whole; a temporary file beside one is left
// from a killed run and is ours to remove.
void removeLeftovers(const MatteJob& job) {
    for (const std::filesystem::path& path : job.outputs()) std::remove(temporaryPath(path).c_str());
}

Result runOne(const PlannedImage& item, const MatteSettings& settings, int slot, ProgressDisplay& display) {
    if (!item.problem.empty()) return {Outcome::failed, item.problem};
    if (item.complete) {
        removeLeftovers(item.job);
        return {Outcome::skipped, ""};
    }
    display.started(slot, item.name);
    try {
        runMatteJob(item.job, settings, [&](const pairseek::Progress& p) {
            display.step(slot, p);
            return !interrupted();
        });
    } catch (const JobError& e) {
        return {e.cancelled() ? Outcome::cancelled : Outcome::failed, e.what()};
    } catch (const std::bad_alloc&) {
        return {Outcome::failed, item.job.image.string() + ": not enough memory"};
    } catch (const std::exception& e) {   // whatever it is, the other images go on
        return {Outcome::failed, item.job.image.string() + ": " + e.what()};
    }
    return {Outcome::done, ""};
}

}  // namespace

int runFolder(const std::vector<PlannedImage>& plan, const MatteSettings& settings, int workers,
              Verbosity verbosity) {
    std::vector<Result> results(plan.size());
    std::atomic<std::size_t> next{0};
    {
        ProgressDisplay display(verbosity, static_cast<int>(plan.size()));
        auto work = [&](int slot) {
            for (;;) {
                if (interrupted()) return;
                const std::size_t i = next++;
                if (i >= plan.size()) return;
                results[i] = runOne(plan[i], settings, slot, display);
                const Result& r = results[i];
                const std::string line = r.outcome == Outcome::done      ? plan[i].name + ": done"
                                         : r.outcome == Outcome::skipped ? plan[i].name + ": skipped, outputs exist"
                                         : r.outcome == Outcome::failed  ? "failed: " + r.message
                                                                         : "";
                display.finished(slot, line);
            }
        };
        const int count = std::max(1, std::min(workers, static_cast<int>(plan.size())));
        std::vector<std::thread> threads;
        for (int slot = 1; slot < count; ++slot) threads.emplace_back(work, slot);
        work(0);
        for (std::thread& t : threads) t.join();
    }

    int done = 0, skipped = 0, failed = 0, unfinished = 0;
    for (const Result& r : results) {
        done += r.outcome == Outcome::done;
        skipped += r.outcome == Outcome::skipped;
        failed += r.outcome == Outcome::failed;
        unfinished += r.outcome == Outcome::cancelled || r.outcome == Outcome::notStarted;
    }
    if (verbosity != Verbosity::quiet || failed > 0 || unfinished > 0) {
        std::string summary = std::to_string(done) + " done, " + std::to_string(skipped) +
                              " skipped (outputs exist), " + std::to_string(failed) + " failed";
        if (unfinished > 0) summary += ", " + std::to_string(unfinished) + " not finished (interrupted)";
        std::printf("pairseek: %s\n", summary.c_str());
        std::fflush(stdout);
    }
    for (const Result& r : results)
        if (r.outcome == Outcome::failed) std::fprintf(stderr, "pairseek: %s\n", r.message.c_str());
    if (unfinished > 0) return exitInterrupted;
    return failed > 0 ? exitFailed : exitDone;
}

}  // namespace pairseekCli
