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
// The trimap: one channel (of three, the first is read). uint8: 0 background,
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

// The colours the matte returns as its foreground at the unknown pixels.
enum class Foreground {
    estimated,   // solved from the image and the final alpha: smooth, and blended with a
                 // background they give back the image (the cutout library's estimateForeground)
    samples      // each pixel's chosen foreground sample, copied from elsewhere in the image
};

struct MatteOptions {
    int passes = 6;              // search passes, >= 1 (the refinement gains nothing from more)
    double decay = 0.5;          // shrink factor of the random search radii, 0 <= decay < 1
    double colourWeight = 150;   // weight of the colour misfit against the spatial terms (colours in [0, 1])
    std::uint32_t seed = 1;      // the same seed gives the same matte
    bool refine = true;          // smooth, edge-aware matte from the sampled alphas; false: the search's own
    Foreground foreground = Foreground::estimated;
    int threads = 0;             // threads to run on, the caller's included; 0: every core. The matte is the
                                 // same for every count: work is split by the image, never by the threads
    double gamma = 1.6;          // alphas are read as blends of value^gamma, in 0.25..4: above 1 for
                                 // photographs, whose values encode light; 1 for composites blended in
                                 // their stored values
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
// of the alphas that each pixel's neighbouring pairs agree on, weighted by how
// well they fit and agree (refineTargets.h).
//
// alpha is 0 and 1 on the known pixels; foreground is the image on the known
// foreground, 0 on the background and at an unknown pixel the estimated colour
// or that of its chosen foreground sample (options.foreground). A trimap without unknown pixels returns at once.
// Throws MatteError for rejected input, cancellation and exhausted memory.
Matte pairMatte(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options = {});
Matte pairMatte(const ArrayView& image, const TrimapMasks& masks, const MatteOptions& options = {});

// ---------------------------------------------------------------- cut-outs

// rows x cols x 3 colour planes (R, G, B), column-major, in [0, 1].
struct ColourImage {
    std::ptrdiff_t rows = 0, cols = 0;
    std::vector<double> planes;
};

struct ForegroundColours {
    ColourImage foreground, background;
};

// The colours of a matte's two layers: where 0 < alpha < 1, F and B with
// alpha F + (1 - alpha) B equal to the image, smooth where the image is; F is
// the image where alpha = 1 and B where alpha = 0. `image` as for pairMatte;
// `alpha` one channel of its size: uint8 and uint16 scaled, floats in [0, 1].
// `threads` as in MatteOptions (0: every core); the colours are the same for any.
// Throws MatteError for rejected input and exhausted memory.
ForegroundColours estimateForeground(const ArrayView& image, const ArrayView& alpha, int threads = 0);

// alpha F + (1 - alpha) background, over another image of the same size (as
// `image` above; a one-pixel view stands for a plain colour) or over one
// colour (R, G, B in [0, 1]).
ColourImage composite(const ArrayView& foreground, const ArrayView& alpha, const ArrayView& background);
ColourImage composite(const ArrayView& foreground, const ArrayView& alpha, double red, double green, double blue);

struct TrimapOptions {
    // Unknown band on each side of the mask's edge, in pixels; < 0: the default,
    // 2 % of the square root of the object's area (mask >= 0.5), within 3..30.
    double band = -1;
    // Mask values <= low are background, >= high foreground, those between unknown.
    double low = 0.05, high = 0.95;
};

// The trimap of a rough mask (a segmentation's, a selection's): uint8, uint16,
// boolean, or floats in [0, 1]. The result is rows x cols bytes, column-major:
// 255 foreground, 0 background, 128 unknown, the unknown band covering the
// mask's edge and its uncertain values. Throws MatteError: "emptyMask" when no
// value reaches `high`, "fullMask" when none is at most `low`, "trimapOption".
std::vector<std::uint8_t> trimapFromMask(const ArrayView& mask, const TrimapOptions& options = {});

// "0.4.0": the library's version.
const char* version();

}  // namespace pairseek
