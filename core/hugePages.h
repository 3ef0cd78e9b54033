// Large working arrays ask the kernel for transparent huge pages before their
// first touch: on virtual machines where each 4 KiB page fault is slow, faulting
// in the arrays of a photograph costs more than the work done on them (a fault
// per 2 MB instead of per 4 KB). Advice only; a no-op where unsupported, and
// values are never affected. Shared by the core, the refinement, the pipeline
// and the cut-outs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "parallelFor.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pairseek {

inline void preferHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t hugePage = std::size_t{2} << 20;
    if (bytes < 2 * hugePage) return;
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const std::uintptr_t mask = static_cast<std::uintptr_t>(page) - 1;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~mask;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Touches every page of fresh storage in fixed parts on `parallel`: on these
// machines a page's first fault costs more than the work later done on it, and
// faults taken by all threads end sooner. Only for storage filled afterwards
// (it writes zero bytes); without `parallel`, or for small storage, nothing.
inline void faultInParts(void* data, std::size_t bytes, const ParallelFor& parallel) {
    constexpr std::size_t part = std::size_t{16} << 20, page = 4096;
    if (!parallel || bytes < 2 * part) return;
    auto* storage = static_cast<unsigned char*>(data);
    forParts(parallel, static_cast<std::ptrdiff_t>((bytes + part - 1) / part), [&](std::ptrdiff_t k) {
        const std::size_t first = static_cast<std::size_t>(k) * part, last = std::min(bytes, first + part);
        for (std::size_t at = first; at < last; at += page) storage[at] = 0;
    });
}

// A vector of n value-initialised elements whose pages were advised (and, with
// `parallel`, faulted in by its threads) before being zeroed.
template <class Vector>
void resizeAdvised(Vector& v, std::size_t n, const ParallelFor& parallel = {}) {
    v.reserve(n);
    preferHugePages(v.data(), n * sizeof(v[0]));
    faultInParts(v.data(), n * sizeof(v[0]), parallel);
    v.resize(n);
}

// v.assign(n, value), its pages advised (and faulted in on `parallel`) first when it is large.
template <class T, class Allocator>
void assignOnHugePages(std::vector<T, Allocator>& v, std::size_t n, const T& value, const ParallelFor& parallel = {}) {
    std::vector<T, Allocator>().swap(v);
    v.reserve(n);
    preferHugePages(v.data(), n * sizeof(T));
    faultInParts(v.data(), n * sizeof(T), parallel);
    v.assign(n, value);
}

// n elements of a trivial type, left unset, their pages advised (and faulted in on
// `parallel`): for working storage whose every element is written before it is
// read, so that no thread first zeroes it alone. Throws std::bad_alloc.
template <class T>
std::unique_ptr<T[]> unsetOnHugePages(std::size_t n, const ParallelFor& parallel = {}) {
    static_assert(std::is_trivial_v<T>, "only trivial elements may be left unset");
    std::unique_ptr<T[]> storage(new T[n]);
    preferHugePages(storage.get(), n * sizeof(T));
    faultInParts(storage.get(), n * sizeof(T), parallel);
    return storage;
}

}  // namespace pairseek
