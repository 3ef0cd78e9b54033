// pairseek: alpha matting by a randomised search for foreground/background
// sample pairs. This is the library's one public header: the whole matte
// pipeline, from an image and a trimap to the alpha matte and the foreground.
//
//   #include <pairseek.h>
//   pairseek::Matte m = pairseek::pairMatte(pairseek::ArrayView::interleaved(pixels, pairseek::ElementType::uint8,
//                                                                           rows, cols, 3),
//                                           pairseek::ArrayView::interleaved(trimap, ..., rows, cols, 1));
//   double a = m.alphaAt(r, c);
//
// Arrays come in as views of the caller's memory, in any layout (strides), and
// are never written. Results are rows x cols (x 3) column-major doubles.
// The same inputs and options give the same matte, bit for bit, on every host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pairseek {

// ------------------------------------------------------------------ inputs

enum class ElementType { uint8, uint16, float32, float64, boolean };

// A rows x cols x channels array in the caller's memory: element (r, c, k) at
// data + r * rowStride + c * colStride + k * channelStride, strides counted in
// elements (not bytes). Views never own or write their data.
struct ArrayView {
    const void* data = nullptr;
    ElementType type = ElementType::float64;
    std::ptrdiff_t rows = 0, cols = 0, channels = 1;
    std::ptrdiff_t rowStride = 0, colStride = 0, channelStride = 0;

    // Octave, MATLAB, Fortran: plane after plane, each column after column.
    static ArrayView columnMajor(const void* data, ElementType type, std::ptrdiff_t rows, std::ptrdiff_t cols,
                                 std::ptrdiff_t channels = 1) {
        return {data, type, rows, cols, channels, 1, rows, rows * cols};
    }
    // Image files, numpy, OpenCV: row after row, each pixel's channels together.
    static ArrayView interleaved(const void* data, ElementType type, std::ptrdiff_t rows, std::ptrdiff_t cols,
                                 std::ptrdiff_t channels = 1) {
        return {data, type, rows, cols, channels, cols * channels, channels, 1};
    }
};

// The image: channels 3 (R, G, B) or 1 (gray). uint8 and uint16 are scaled to
// [0, 1]; float32 and float64 must already lie in [0, 1] and be finite.
//
// The trimap: one channel (of more, the first is read). uint8: 0 background,
// 255 foreground; uint16: 0 and 65535; float32, float64 and boolean: 0 and 1.
// Every other value marks an unknown pixel.
//
// Or the three masks, each rows x cols of any type, set where non-zero. A pixel
// in none of them is neither a sample nor estimated.
struct TrimapMasks {
    ArrayView foreground, background, unknown;
};

// ----------------------------------------------------------------- options

// What the pipeline is doing, for progress reports. `step` of `steps` counts
// within the stage (the search: pass 1 .. passes). "pairs" comes when the first
// pairs and scales (each unknown pixel's nearest samples) are ready.
struct Progress {
    const char* stage;   // "scan", "pairs", "search", "refine", "foreground"
    int step, steps;
    std::int64_t unknown, foregroundSamples, backgroundSamples;
    std::int64_t changedPairs;   // after a search pass: pixels whose pair changed in it
};

// Returns false to cancel: the pipeline then throws MatteError with code "cancelled".
using ProgressCallback = std::function<bool(const Progress&)>;

struct MatteOptions {
    int passes = 10;             // search passes, >= 1
    double decay = 0.5;          // shrink factor of the random search radii, 0 <= decay < 1
    double colourWeight = 150;   // weight of the colour misfit against the spatial terms (colours in [0, 1])
    std::uint32_t seed = 1;      // the same seed gives the same matte
    bool refine = true;          // smooth, edge-aware matte from the sampled alphas; false: the search's own
    int threads = 0;             // threads to run on, the caller's included; 0: every core. The matte is the
                                 // same for every count: work is split by the image, never by the threads
    ProgressCallback progress;   // called at each stage and after each pass; may be empty
};

// ----------------------------------------------------------------- results

struct Matte {
    std::ptrdiff_t rows = 0, cols = 0;
    std::vector<double> alpha;        // rows x cols, column-major, in [0, 1]
    std::vector<double> foreground;   // rows x cols x 3 planes (R, G, B), column-major, in [0, 1]

    double alphaAt(std::ptrdiff_t r, std::ptrdiff_t c) const { return alpha[static_cast<std::size_t>(r + c * rows)]; }
    double foregroundAt(std::ptrdiff_t r, std::ptrdiff_t c, int k) const {
        return foreground[static_cast<std::size_t>(r + c * rows + k * rows * cols)];
    }
};

// Everything the pipeline rejects, before it computes anything. `code` names
// the fault in one camelCase word ("imageRange", "sizeMismatch", ...; hosts
// show it, Octave as pairseek:pairMatte:<code>); `kind` tells a wrong type of
// argument from a wrong value, for hosts that distinguish them.
class MatteError : public std::runtime_error {
public:
    enum class Kind { type, value, cancelled, outOfMemory };
    MatteError(Kind kind, std::string code, const std::string& message)
        : std::runtime_error(message), kind_(kind), code_(std::move(code)) {}
    Kind kind() const { return kind_; }
    const std::string& code() const { return code_; }

private:
    Kind kind_;
    std::string code_;
};

// ---------------------------------------------------------------- pipeline

// The alpha matte of `image` from its trimap: the fringe samples, each unknown
// pixel's nearest foreground and background sample as its first pair and their
// distances as its scales, `passes` search passes, then (refine) the smoothing
// of the sampled alphas weighted by their pairs' confidence.
//
// alpha is 0 and 1 on the known pixels; foreground is the image on the known
// foreground, 0 on the background and at an unknown pixel the colour of its
// chosen foreground sample. A trimap without unknown pixels returns at once.
// Throws MatteError for rejected input, cancellation and exhausted memory.
Matte pairMatte(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options = {});
Matte pairMatte(const ArrayView& image, const TrimapMasks& masks, const MatteOptions& options = {});

// "0.4.0": the library's version.
const char* version();

}  // namespace pairseek
