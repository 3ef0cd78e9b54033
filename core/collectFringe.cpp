// Finds the boundary samples of a trimap and enumerates its unknown pixels, in
// column-major order.
#include <algorithm>

#include "hugePages.h"
#include "matting.h"

namespace pairseek {

double grayOf(double red, double green, double blue) { return (0.587 * green + 0.299 * red) + 0.114 * blue; }

namespace {

// True when one of the eight clamped neighbours is unknown. At the border the
// clamped positions fold onto the pixel itself, which then counts too.
bool touchesUnknown(const std::uint8_t* unknownMask, std::ptrdiff_t r, std::ptrdiff_t c, std::ptrdiff_t rows,
                    std::ptrdiff_t cols) {
    const std::ptrdiff_t rp = std::max<std::ptrdiff_t>(r - 1, 0), rn = std::min(r + 1, rows - 1);
    const std::ptrdiff_t cp = std::max<std::ptrdiff_t>(c - 1, 0), cn = std::min(c + 1, cols - 1);
    auto set = [&](std::ptrdiff_t rr, std::ptrdiff_t cc) { return unknownMask[gridIndex(rr, cc, rows)] != 0; };
    return set(rp, cp) || set(rp, c) || set(rp, cn) || set(r, cp) || set(r, cn) || set(rn, cp) || set(rn, c) ||
           set(rn, cn);
}

}  // namespace

FringeScanResult collectFringe(const double* image, const std::uint8_t* fgMask, const std::uint8_t* bgMask,
                               const std::uint8_t* unknownMask, Count rows, Count cols) {
    FringeScanResult result;
    if (rows <= 0 || cols <= 0) return result;

    const std::ptrdiff_t nRows = rows, nCols = cols;
    const std::ptrdiff_t plane = nRows * nCols;
    // Counted first, so each list is allocated once at its size: growing them
    // would copy every record and touch about twice the memory.
    std::size_t nF = 0, nB = 0, nU = 0;
    for (std::ptrdiff_t c = 0; c < nCols; ++c) {
        for (std::ptrdiff_t r = 0; r < nRows; ++r) {
            const std::ptrdiff_t at = gridIndex(r, c, nRows);
            nU += unknownMask[at] != 0;
            if (fgMask[at] || bgMask[at]) {
                const bool touches = touchesUnknown(unknownMask, r, c, nRows, nCols);
                nF += fgMask[at] && touches;
                nB += bgMask[at] && touches;
            }
        }
    }
    result.foreground.reserve(nF);
    result.background.reserve(nB);
    result.unknown.reserve(nU);
    preferHugePages(result.unknown.data(), nU * sizeof(SampleRecord));
    assignOnHugePages(result.indexMap, static_cast<std::size_t>(plane), std::int32_t{0});

    for (std::ptrdiff_t c = 0; c < nCols; ++c) {
        for (std::ptrdiff_t r = 0; r < nRows; ++r) {
            const std::ptrdiff_t at = gridIndex(r, c, nRows);
            if (!fgMask[at] && !bgMask[at] && !unknownMask[at]) continue;
            const double red = image[at], green = image[at + plane], blue = image[at + 2 * plane];
            const SampleRecord record{static_cast<double>(r) + 1.0, static_cast<double>(c) + 1.0,
                                      red, green, blue, grayOf(red, green, blue)};

            if (fgMask[at] && touchesUnknown(unknownMask, r, c, nRows, nCols)) result.foreground.push_back(record);
            if (bgMask[at] && touchesUnknown(unknownMask, r, c, nRows, nCols)) result.background.push_back(record);
            if (unknownMask[at]) {
                result.unknown.push_back(record);
                result.indexMap[static_cast<std::size_t>(at)] = static_cast<std::int32_t>(result.unknown.size());
            }
        }
    }
    return result;
}

}  // namespace pairseek
