// Reading and checking the caller's arrays (see inputs.h).
#include "inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "hugePages.h"
#include "matting.h"

namespace pairseek {
namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

[[noreturn]] void reject(MatteError::Kind kind, const char* code, const std::string& message) {
    throw MatteError(kind, code, message);
}

const char* typeName(ElementType type) {
    switch (type) {
        case ElementType::uint8: return "uint8";
        case ElementType::uint16: return "uint16";
        case ElementType::float32: return "float32";
        case ElementType::float64: return "float64";
        case ElementType::boolean: return "boolean";
    }
    return "unknown";
}

// Element (r, c, k) of a view as a double, as stored (no scaling), over the
// columns firstColumn .. lastColumn - 1 (-1: to the last).
template <class Visit>
void visitElements(const ArrayView& view, std::ptrdiff_t channel, Visit&& visit, std::ptrdiff_t firstColumn = 0,
                   std::ptrdiff_t lastColumn = -1) {
    if (lastColumn < 0) lastColumn = view.cols;
    auto walk = [&](auto* data) {
        for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c)
            for (std::ptrdiff_t r = 0; r < view.rows; ++r)
                visit(r, c, static_cast<double>(data[r * view.rowStride + c * view.colStride + channel * view.channelStride]));
    };
    switch (view.type) {
        case ElementType::uint8: walk(static_cast<const std::uint8_t*>(view.data)); break;
        case ElementType::uint16: walk(static_cast<const std::uint16_t*>(view.data)); break;
        case ElementType::float32: walk(static_cast<const float*>(view.data)); break;
        case ElementType::float64: walk(static_cast<const double*>(view.data)); break;
        case ElementType::boolean: walk(static_cast<const bool*>(view.data)); break;
    }
}

void checkView(const ArrayView& view, const char* name, const char* sizeCode) {
    if (view.rows < 0 || view.cols < 0 || view.channels < 1)
        reject(MatteError::Kind::value, sizeCode,
               format("%s must have rows, cols >= 0 and at least one channel; got %td x %td x %td", name, view.rows,
                      view.cols, view.channels));
    if (view.rows > INT32_MAX || view.cols > INT32_MAX)
        reject(MatteError::Kind::value, "tooLarge",
               format("%s is %td x %td; at most %d rows and columns are supported", name, view.rows, view.cols,
                      INT32_MAX));
    // Unknown pixels are counted, and the search indexes them, in 32 bits.
    if (view.rows * view.cols > INT32_MAX)
        reject(MatteError::Kind::value, "tooLarge",
               format("%s is %td x %td = %td pixels; at most %d pixels are supported", name, view.rows, view.cols,
                      view.rows * view.cols, INT32_MAX));
    if (view.rows * view.cols > 0 && view.data == nullptr)
        reject(MatteError::Kind::value, sizeCode, format("%s has no data", name));
}

void checkImage(const ArrayView& image) {
    checkView(image, "image", "imageSize");
    if (image.channels != 1 && image.channels != 3)
        reject(MatteError::Kind::value, "imageSize",
               format("image must be rows x cols x 3 or rows x cols; got %td x %td x %td", image.rows, image.cols,
                      image.channels));
    if (image.type == ElementType::boolean)
        reject(MatteError::Kind::type, "imageClass", "image must be float64, float32, uint8 or uint16; got boolean");
}

// What a part of the input held that it must not: counted per part of columns
// and joined in the parts' order, so the first offending value is the one a
// column-by-column reading meets first.
struct Misfits {
    std::ptrdiff_t nonFinite = 0, outside = 0, firstRow = 0, firstColumn = 0;
    double first = 0;

    void outsideAt(double v, std::ptrdiff_t r, std::ptrdiff_t c) {
        if (outside++ == 0) first = v, firstRow = r, firstColumn = c;
    }
    static Misfits joined(const std::vector<Misfits>& parts) {
        Misfits all;
        for (const Misfits& m : parts) {
            if (all.outside == 0 && m.outside > 0) all.first = m.first, all.firstRow = m.firstRow, all.firstColumn = m.firstColumn;
            all.nonFinite += m.nonFinite;
            all.outside += m.outside;
        }
        return all;
    }
};

// Columns per part of the conversions.
constexpr std::ptrdiff_t readColumns = 64;

std::ptrdiff_t readParts(std::ptrdiff_t cols) { return (cols + readColumns - 1) / readColumns; }

// Scales to [0, 1] and checks that float arrays already are: 0..255 values in a
// float image would silently give a wrong matte. `planes` planes come out; a
// one-channel view fills them all.
std::vector<double> readUnit(const ArrayView& view, const char* name, const char* rangeCode, std::ptrdiff_t planes,
                             const ParallelFor& parallel = {}) {
    const std::ptrdiff_t rows = view.rows, plane = rows * view.cols;
    std::vector<double> out;
    resizeAdvised(out, static_cast<std::size_t>(planes * plane), parallel);
    const bool isFloat = view.type == ElementType::float32 || view.type == ElementType::float64;
    const double scale = view.type == ElementType::uint8 ? 255.0 : view.type == ElementType::uint16 ? 65535.0 : 1.0;
    const std::ptrdiff_t read = std::min(view.channels, planes), columnParts = readParts(view.cols);
    std::vector<Misfits> misfits(static_cast<std::size_t>(read * columnParts));
    forParts(parallel, read * columnParts, [&](std::ptrdiff_t part) {
        const std::ptrdiff_t k = part / columnParts, firstColumn = (part % columnParts) * readColumns;
        Misfits& m = misfits[static_cast<std::size_t>(part)];
        double* target = out.data() + k * plane;
        visitElements(
            view, k,
            [&](std::ptrdiff_t r, std::ptrdiff_t c, double v) {
                if (isFloat) {
                    if (!std::isfinite(v)) ++m.nonFinite;
                    else if (v < 0.0 || v > 1.0) m.outsideAt(v, r, c);
                } else {
                    v = v / scale;
                }
                target[gridIndex(r, c, rows)] = v;
            },
            firstColumn, std::min(view.cols, firstColumn + readColumns));
        if (view.channels == 1)
            for (std::ptrdiff_t copy = 1; copy < planes; ++copy)
                std::copy(target + firstColumn * rows, target + std::min(view.cols, firstColumn + readColumns) * rows,
                          target + copy * plane + firstColumn * rows);
    });
    const Misfits all = Misfits::joined(misfits);
    if (all.nonFinite > 0)
        reject(MatteError::Kind::value, "nonFinite",
               format("%s must hold finite values; it has %td NaN or Inf", name, all.nonFinite));
    if (all.outside > 0)
        reject(MatteError::Kind::value, rangeCode,
               format("a %s %s must hold values in [0, 1]; %td are outside, the first %g at row %td, column %td "
                      "(divide 0..255 values by 255, or pass uint8)",
                      typeName(view.type), name, all.outside, all.first, all.firstRow + 1, all.firstColumn + 1));
    return out;
}

void checkSameSize(const ArrayView& image, const ArrayView& other, const char* name) {
    if (other.rows != image.rows || other.cols != image.cols)
        reject(MatteError::Kind::value, "sizeMismatch",
               format("%s must be %td x %td like the image; got %td x %td", name, image.rows, image.cols, other.rows,
                      other.cols));
}

}  // namespace

std::vector<double> readImagePlanes(const ArrayView& image) {
    checkImage(image);
    return readUnit(image, "image", "imageRange", 3);
}

std::vector<double> readUnitGrid(const ArrayView& view, const ArrayView& like, const char* name, const char* rangeCode) {
    checkView(view, name, "sizeMismatch");
    checkSameSize(like, view, name);
    if (view.channels != 1)
        reject(MatteError::Kind::value, "sizeMismatch",
               format("%s must be rows x cols (one channel); got %td channels", name, view.channels));
    return readUnit(view, name, rangeCode, 1);
}

void checkThreads(int threads) {
    if (threads < 0)
        reject(MatteError::Kind::value, "Threads", format("threads must be 0 (every core) or a positive count; got %d", threads));
}

void checkOptions(const MatteOptions& options) {
    if (options.passes < 1)
        reject(MatteError::Kind::value, "Passes", format("passes must be a positive integer; got %d", options.passes));
    if (!(options.decay >= 0.0 && options.decay < 1.0))
        reject(MatteError::Kind::value, "Decay", format("decay must be a number with 0 <= decay < 1; got %g", options.decay));
    // Each pixel runs about log(samples) / -log(decay) random rounds; beyond this
    // a pass practically never ends.
    if (options.decay > 0.0 && std::log(2147483647.0) / -std::log(options.decay) > 100000.0)
        reject(MatteError::Kind::value, "Decay",
               format("decay %.17g shrinks the search radii too slowly (over 100000 rounds per pixel); "
                      "use at most 0.9998", options.decay));
    checkThreads(options.threads);
    if (!(options.colourWeight >= 0.0 && std::isfinite(options.colourWeight)))
        reject(MatteError::Kind::value, "ColourWeight",
               format("colourWeight must be a finite number >= 0; got %g", options.colourWeight));
    if (!(options.gamma >= 0.25 && options.gamma <= 4))
        reject(MatteError::Kind::value, "Gamma", format("gamma must be a number in 0.25..4; got %g", options.gamma));
    if (options.foreground != Foreground::estimated && options.foreground != Foreground::samples)
        reject(MatteError::Kind::value, "Foreground",
               format("foreground must be Foreground::estimated or Foreground::samples; got %d",
                      static_cast<int>(options.foreground)));
}

MatteInput readInput(const ArrayView& image, const ArrayView& trimap, const ParallelFor& parallel) {
    checkImage(image);
    checkView(trimap, "trimap", "sizeMismatch");
    checkSameSize(image, trimap, "trimap");
    if (trimap.channels != 1 && trimap.channels != 3)
        reject(MatteError::Kind::value, "sizeMismatch",
               format("trimap must be rows x cols (or rows x cols x 3, the first plane read); got %td x %td x %td",
                      trimap.rows, trimap.cols, trimap.channels));

    double foreground = 1.0;
    switch (trimap.type) {
        case ElementType::uint8: foreground = 255.0; break;
        case ElementType::uint16: foreground = 65535.0; break;
        default: break;
    }
    MatteInput in;
    in.rows = image.rows;
    in.cols = image.cols;
    const auto cells = static_cast<std::size_t>(in.rows * in.cols);
    in.fgMask.assign(cells, 0);
    in.bgMask.assign(cells, 0);
    in.unknownMask.assign(cells, 0);
    const std::ptrdiff_t columnParts = readParts(trimap.cols);
    std::vector<Misfits> misfits(static_cast<std::size_t>(columnParts));
    forParts(parallel, columnParts, [&](std::ptrdiff_t part) {
        Misfits& m = misfits[static_cast<std::size_t>(part)];
        visitElements(
            trimap, 0,
            [&](std::ptrdiff_t r, std::ptrdiff_t c, double v) {
                const auto at = static_cast<std::size_t>(gridIndex(r, c, in.rows));
                if (std::isnan(v)) ++m.nonFinite;
                else if (v < 0.0 || v > foreground) m.outsideAt(v, r, c);
                if (v == foreground) in.fgMask[at] = 1;
                else if (v == 0.0) in.bgMask[at] = 1;
                else in.unknownMask[at] = 1;
            },
            part * readColumns, std::min(trimap.cols, (part + 1) * readColumns));
    });
    const Misfits all = Misfits::joined(misfits);
    if (all.nonFinite > 0)
        reject(MatteError::Kind::value, "nonFinite", format("trimap must not hold NaN; it has %td", all.nonFinite));
    if (all.outside > 0)
        reject(MatteError::Kind::value, "trimapRange",
               format("a %s trimap must hold values in [0, 1] (0 background, 1 foreground); %td are outside, "
                      "the first %g",
                      typeName(trimap.type), all.outside, all.first));
    in.image = readUnit(image, "image", "imageRange", 3, parallel);
    return in;
}

MatteInput readInput(const ArrayView& image, const TrimapMasks& masks, const ParallelFor& parallel) {
    checkImage(image);
    const ArrayView* views[3] = {&masks.foreground, &masks.background, &masks.unknown};
    const char* names[3] = {"foreground mask", "background mask", "unknown mask"};
    for (int m = 0; m < 3; ++m) {
        checkView(*views[m], names[m], "sizeMismatch");
        checkSameSize(image, *views[m], names[m]);
    }
    MatteInput in;
    in.rows = image.rows;
    in.cols = image.cols;
    const auto cells = static_cast<std::size_t>(in.rows * in.cols);
    std::vector<std::uint8_t>* outs[3] = {&in.fgMask, &in.bgMask, &in.unknownMask};
    for (int m = 0; m < 3; ++m) {
        outs[m]->assign(cells, 0);
        visitElements(*views[m], 0, [&](std::ptrdiff_t r, std::ptrdiff_t c, double v) {
            (*outs[m])[static_cast<std::size_t>(gridIndex(r, c, in.rows))] = v != 0.0;
        });
    }
    for (std::size_t k = 0; k < cells; ++k)
        if (in.fgMask[k] + in.bgMask[k] + in.unknownMask[k] > 1)
            reject(MatteError::Kind::value, "masksOverlap",
                   format("the masks must not overlap; pixel at row %td, column %td is in more than one",
                          static_cast<std::ptrdiff_t>(k) % in.rows + 1, static_cast<std::ptrdiff_t>(k) / in.rows + 1));
    in.image = readUnit(image, "image", "imageRange", 3, parallel);
    return in;
}

}  // namespace pairseek
