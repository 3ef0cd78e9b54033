// A small pool of worker threads for the pipeline's parallel stages. Work is
// split into parts fixed by the data, never by the number of threads, and each
// part writes only its own outputs: results do not depend on who runs what.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "parallelFor.h"

namespace pairseek {

class ThreadPool {
public:
    // `threads` in all, the calling thread included; 0 takes every core.
    explicit ThreadPool(int threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    int size() const { return static_cast<int>(workers_.size()) + 1; }

    // Runs task(k) for every k in 0 .. parts - 1, parts claimed in increasing
    // order by the pool's threads and the caller; returns when all have ended.
    // A part that throws stops the claiming; the exception of the lowest such
    // part is rethrown here.
    void forEach(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task);

    // forEach as the libraries take it; valid while the pool lives.
    ParallelFor parallelFor() {
        return [this](std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) { forEach(parts, task); };
    }

private:
    void work();
    void claimParts();

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(std::ptrdiff_t)>* task_ = nullptr;
    std::ptrdiff_t parts_ = 0, next_ = 0, failedPart_ = -1;
    std::exception_ptr failure_;
    std::size_t generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
};

}  // namespace pairseek
