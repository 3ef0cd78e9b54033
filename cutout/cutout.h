// Cut-outs from a matte: foreground and background colours estimated from the
// image and its alpha, compositing over a new background, and a trimap made
// from a rough mask. Host-independent; arrays are column-major doubles
// (element (r, c, k) at r + c * rows + k * rows * cols), 0-based.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pairseek.h"   // TrimapOptions, MatteError
#include "parallelFor.h"

namespace pairseek {

// ------------------------------------------------------------ foreground

struct ForegroundOptions {
    // Smoothness between 4-neighbours i, j: for F regularization + foregroundGradient
    // * |alpha_i - alpha_j|, for B the same with backgroundGradient. The background
    // runs on behind the object's edges, so B is shared most across alpha steps;
    // F need not be (at a faint pixel beside a strand it is barely defined).
    double regularization = 0.02;
    double foregroundGradient = 0;
    double backgroundGradient = 3;
    int coarseIterations = 4;   // Gauss-Seidel sweeps on each level but the finest
    int fineIterations = 1;     // ... and on the finest (full-size) level
};

struct ForegroundEstimate {
    std::vector<double> foreground;   // rows x cols x 3, in [0, 1]
    std::vector<double> background;   // rows x cols x 3, in [0, 1]
};

// F and B with alpha F + (1 - alpha) B close to the image where 0 < alpha < 1,
// smooth where alpha is, F the image where alpha = 1 and B the image where
// alpha = 0. image: rows x cols x 3 in [0, 1]; alpha: rows x cols in [0, 1]
// (both finite: callers check). Coarse to fine over a pyramid of halved grids,
// each pixel solving its own F and B against its neighbours' values; time and
// memory linear in the pixel count, the same result on every machine. The
// sweeps run on up to `lanes` parts of `parallel` at once (they wait on each
// other, so `parallel` must run that many at a time or run them in order); the
// result does not depend on either.
// Throws std::invalid_argument for bad options, std::bad_alloc when memory runs out.
ForegroundEstimate estimateForeground(const double* image, const double* alpha, std::ptrdiff_t rows,
                                      std::ptrdiff_t cols, const ForegroundOptions& options = {},
                                      const ParallelFor& parallel = {}, int lanes = 1);

// ------------------------------------------------------------ compositing

// alpha F + (1 - alpha) colour at every pixel: rows x cols x 3.
std::vector<double> composite(const double* foreground, const double* alpha, std::ptrdiff_t rows,
                              std::ptrdiff_t cols, const std::array<double, 3>& colour);
// alpha F + (1 - alpha) background, the background an image rows x cols x 3.
std::vector<double> composite(const double* foreground, const double* alpha, std::ptrdiff_t rows,
                              std::ptrdiff_t cols, const double* background);

// ------------------------------------------------------------ trimap from a mask


// The trimap of a mask in [0, 1] (rows x cols): 255 where the mask is
// foreground farther than `band` from every non-foreground pixel, 0 where it is
// background farther than `band` from every non-background pixel, 128 elsewhere.
// Pixels outside the image count as neither, so an object touching the border
// stays foreground there. Where the band would leave no foreground (or no
// background), that side keeps its innermost pixels. Throws MatteError (kind
// value) with code "emptyMask" when no pixel reaches high, "fullMask" when none
// is at most low, "trimapOption" for bad options; std::bad_alloc when memory runs out.
std::vector<std::uint8_t> trimapFromMask(const double* mask, std::ptrdiff_t rows, std::ptrdiff_t cols,
                                         const TrimapOptions& options = {});

// The default band of a mask: 2 % of the square root of the foreground area
// (mask >= 0.5), within 3..30 pixels.
double defaultBand(const double* mask, std::ptrdiff_t rows, std::ptrdiff_t cols);

// Exact Euclidean distance from each pixel to the nearest pixel of the set
// (inSet non-zero), rows x cols; +infinity everywhere when the set is empty.
// Linear time: squared distances along columns, then the lower envelope of
// parabolas along rows.
std::vector<double> distanceToSet(const std::uint8_t* inSet, std::ptrdiff_t rows, std::ptrdiff_t cols);

}  // namespace pairseek
