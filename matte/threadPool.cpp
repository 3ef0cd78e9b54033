// The pool's threads sleep between jobs; a job is a counter of parts to claim.
#include "threadPool.h"

#include <system_error>

namespace pairseek {

ThreadPool::ThreadPool(int threads) {
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    // Threads only speed things up: when the system has no more (address space for
    // their stacks, a process limit), the pool runs with those it has.
    try {
        for (int k = 1; k < threads; ++k) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ThreadPool::claimParts() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (next_ < parts_ && !failure_) {
        const std::ptrdiff_t k = next_++;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*task_)(k);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && (failedPart_ < 0 || k < failedPart_)) failure_ = error, failedPart_ = k;
    }
}

void ThreadPool::work() {
    std::size_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        ++busy_;
        lock.unlock();
        claimParts();
        lock.lock();
        if (--busy_ == 0) done_.notify_all();
    }
}

void ThreadPool::forEach(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) {
    if (parts <= 0) return;
    if (workers_.empty() || parts == 1) {
        for (std::ptrdiff_t k = 0; k < parts; ++k) task(k);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = &task;
        parts_ = parts;
        next_ = 0;
        failedPart_ = -1;
        failure_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    claimParts();
    std::unique_lock<std::mutex> lock(mutex_);
    // Every part has been claimed; wait for the workers still running one.
    done_.wait(lock, [&] { return busy_ == 0; });
    task_ = nullptr;
    parts_ = 0;
    if (failure_) {
        std::exception_ptr error = failure_;
        failure_ = nullptr;
        std::rethrow_exception(error);
    }
}

}  // namespace pairseek
