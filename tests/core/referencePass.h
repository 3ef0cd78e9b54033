// The plain, literal search pass: one pairCost call per candidate, in the order
// the pass defines. The shipped searchPass must match it bit for bit; the
// equality test and the benchmark compare the two.
#pragma once

#include "matting.h"

namespace pairseek::reference {

// Same contract as pairseek::searchPass with every view 0-based (the views'
// `base` fields are not read).
void searchPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                double* opacity, RandomSource& random);

}  // namespace pairseek::reference
