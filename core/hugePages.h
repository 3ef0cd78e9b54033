// Large working arrays ask the kernel for transparent huge pages before their
// first touch: on virtual machines where each 4 KiB page fault is slow, faulting
// in the arrays of a photograph costs more than the work done on them (a fault
// per 2 MB instead of per 4 KB). Advice only; a no-op where unsupported, and
// values are never affected. Shared by the core, the refinement, the pipeline
// and the cut-outs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// A vector of n value-initialised elements whose pages were advised before being zeroed.
template <class Vector>
void resizeAdvised(Vector& v, std::size_t n) {
    v.reserve(n);
    preferHugePages(v.data(), n * sizeof(v[0]));
    v.resize(n);
}

// v.assign(n, value), its pages advised first when it is large.
template <class T, class Allocator>
void assignOnHugePages(std::vector<T, Allocator>& v, std::size_t n, const T& value) {
    std::vector<T, Allocator>().swap(v);
    v.reserve(n);
    preferHugePages(v.data(), n * sizeof(T));
    v.assign(n, value);
}

}  // namespace pairseek
