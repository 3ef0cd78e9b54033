// Large working arrays on 2-MB pages where the system offers them on request
// (Linux transparent huge pages in "madvise" mode): the first touch of fresh
// memory then faults once per 2 MB instead of once per 4 KB, and those faults
// are most of what filling a fresh array costs. Values are not affected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pairseek {

// Asks for huge pages over the whole 2-MB pages inside [data, data + bytes);
// call it before the memory is first written. A hint: failure changes nothing.
inline void preferHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// v.assign(n, value), on huge pages when it is large.
template <class T, class Allocator>
void assignOnHugePages(std::vector<T, Allocator>& v, std::size_t n, const T& value) {
    v.clear();
    v.shrink_to_fit();
    v.reserve(n);
    preferHugePages(v.data(), n * sizeof(T));
    v.assign(n, value);
}

}  // namespace pairseek
