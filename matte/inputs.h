// The pipeline's inputs made uniform: whatever the caller's element type and
// layout, an image becomes three column-major double planes in [0, 1] and a
// trimap three disjoint one-byte masks. Every rejection happens here, before
// anything is computed.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "pairseek.h"
#include "parallelFor.h"

namespace pairseek {

struct MatteInput {
    std::ptrdiff_t rows = 0, cols = 0;
    std::vector<double> image;   // rows x cols x 3 planes, column-major, in [0, 1]
    std::vector<std::uint8_t> fgMask, bgMask, unknownMask;   // rows x cols, 1 where set
};

// Runs `work`, reporting exhausted memory (or a size no allocation can hold)
// as MatteError outOfMemory naming the `task` ("matte", "foreground", ...) and the image's size.
template <class Work>
auto reportingMemory(const char* task, const ArrayView& image, Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    throw MatteError(MatteError::Kind::outOfMemory, "outOfMemory",
                     "not enough memory for the " + std::string(task) + " of a " + std::to_string(image.rows) + "x" +
                         std::to_string(image.cols) + " image");
}

// Checks the options' values; throws MatteError with the option's name as code.
void checkOptions(const MatteOptions& options);
// A thread count as the options take it: 0 (every core) or positive.
void checkThreads(int threads);

// The conversions run in parts of columns on `parallel`.
MatteInput readInput(const ArrayView& image, const ArrayView& trimap, const ParallelFor& parallel = {});
// An image as for the matte: three column-major planes in [0, 1].
std::vector<double> readImagePlanes(const ArrayView& image);
// A one-channel array of `like`'s size in [0, 1] (integers scaled, booleans 0 / 1).
std::vector<double> readUnitGrid(const ArrayView& view, const ArrayView& like, const char* name, const char* rangeCode);
MatteInput readInput(const ArrayView& image, const TrimapMasks& masks, const ParallelFor& parallel = {});

}  // namespace pairseek
