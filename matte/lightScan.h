// The scan's colours turned into light. A camera records a mixed pixel as a
// mixture of the light of its foreground and its background, but stores
// value = light^(1 / gamma): read as blends of the stored values, a dark
// object's edge looks too faint and a bright one's too dense. The search and the
// targets read alphas from the scan's colours, so they read blends of light once
// the colours are raised to gamma.
#pragma once

#include "matting.h"
#include "parallelFor.h"

namespace pairseek {

// Raises every colour of the scan's three lists to gamma (> 0) and takes its
// gray again, so the lists are those of the image raised to gamma. gamma 1
// changes nothing. Runs in parts on `parallel`; the result does not depend on how.
void decodeToLight(FringeScanResult& scan, double gamma, const ParallelFor& parallel = {});

}  // namespace pairseek
