// How the host-independent libraries share work out: a caller-supplied runner
// of numbered parts (the pipeline's thread pool, or nothing). Parts are fixed by
// the data, so results never depend on the runner.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace pairseek {

// Runs task(k) for every k in 0 .. parts - 1, in any order and on any threads;
// parts are started in increasing order. An empty one runs them in order on the
// caller's thread.
using ParallelFor = std::function<void(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task)>;

// task(k) for k in 0 .. parts - 1 on `parallel`, or in order without it.
inline void forParts(const ParallelFor& parallel, std::ptrdiff_t parts,
                     const std::function<void(std::ptrdiff_t)>& task) {
    if (parallel) parallel(parts, task);
    else
        for (std::ptrdiff_t k = 0; k < parts; ++k) task(k);
}

// range(first, last) over 0 .. count - 1 in parts of partSize (fixed by the data,
// not by the runner), on `parallel`.
inline void inParts(std::ptrdiff_t count, std::ptrdiff_t partSize, const ParallelFor& parallel,
                    const std::function<void(std::ptrdiff_t, std::ptrdiff_t)>& range) {
    forParts(parallel, (count + partSize - 1) / partSize, [&](std::ptrdiff_t part) {
        range(part * partSize, std::min(count, (part + 1) * partSize));
    });
}

// columns(first, last) over the columns 0 .. cols - 1 of a column-major grid, in
// parts of `partColumns` columns.
inline void inColumnParts(std::ptrdiff_t cols, const ParallelFor& parallel,
                          const std::function<void(std::ptrdiff_t, std::ptrdiff_t)>& columns,
                          std::ptrdiff_t partColumns = 64) {
    inParts(cols, partColumns, parallel, columns);
}

}  // namespace pairseek
