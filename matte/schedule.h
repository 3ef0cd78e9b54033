// The search passes' schedule, internal: the pipeline splits the unknown list
// into strips of whole columns of at least this many pixels (and about 64
// strips in all) and runs even strips at once, then odd ones. Tests and the
// benchmark ask for other sizes; one above the unknown count runs the passes
// in list order, exactly as the core's searchPass does.
#pragma once

#include <cstddef>

#include "pairseek.h"

namespace pairseek::detail {

inline constexpr std::ptrdiff_t defaultStripPixels = 16384;

Matte pairMatteInStrips(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options,
                        std::ptrdiff_t stripPixels);

}  // namespace pairseek::detail
