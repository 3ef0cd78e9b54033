// A runner of numbered parts that runs them last to first: what a part writes
// may not depend on the order the parts run in.
#pragma once

#include <cstddef>
#include <functional>

#include "parallelFor.h"

namespace pairseek {

inline const ParallelFor backwards = [](std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) {
    for (std::ptrdiff_t k = parts - 1; k >= 0; --k) task(k);
};

}  // namespace pairseek
