// A start for the band solve that reaches across wide bands: closed-form matting
// (the Laplacian alone, the known pixels fixed) solved on a coarser grid and
// interpolated back. Host-independent; grids are column-major, 0-based.
#pragma once

#include <vector>

#include "bandRefine.h"

namespace pairseek {

struct CoarseStartParams {
    int factor = 8;              // side of the square of pixels one coarse cell stands for
    double tolerance = 1e-4;     // relative residual of the coarse solve
    int maxIterations = 2000;
    double startTie = 0;         // weight of the coarse solve's tie to its guided start (RefineParams)
};

// One value per unknown pixel of `in` (column-major order), in [0, 1]: each cell
// of factor x factor pixels takes their mean colour; it is known when it holds no
// unknown pixel and its known pixels agree on their alpha, unknown otherwise. The
// coarse band's closed-form matte (3 x 3 windows, in.target and in.confidence
// unused) is interpolated bilinearly between cell centres. A solve stopped early
// keeps much of its start deep inside a wide band, where no known pixel is near:
// from this start what it keeps there is what the known pixels around say, not an
// average of the targets. Runs in parts on `parallel`; the result does not depend
// on how. Throws std::bad_alloc when memory runs out.
std::vector<double> coarseStart(const RefineInput& in, const CoarseStartParams& params = {},
                                const ParallelFor& parallel = {});

}  // namespace pairseek
