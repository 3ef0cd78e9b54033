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

// Columns per part of the scan.
constexpr std::ptrdiff_t partColumns = 64;

}  // namespace

FringeScanResult collectFringe(const double* image, const std::uint8_t* fgMask, const std::uint8_t* bgMask,
                               const std::uint8_t* unknownMask, Count rows, Count cols, const ParallelFor& parallel) {
    FringeScanResult result;
    if (rows <= 0 || cols <= 0) return result;

    const std::ptrdiff_t nRows = rows, nCols = cols;
    const std::ptrdiff_t plane = nRows * nCols;
    const std::ptrdiff_t parts = (nCols + partColumns - 1) / partColumns;
    // Visits each pixel of columns firstColumn .. lastColumn - 1 that enters a
    // list, with the lists it enters.
    struct Entries {
        bool foreground, background, unknown;
    };
    const auto eachEntry = [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn, auto&& visit) {
        for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c)
            for (std::ptrdiff_t r = 0; r < nRows; ++r) {
                const std::ptrdiff_t at = gridIndex(r, c, nRows);
                const bool touches = (fgMask[at] || bgMask[at]) && touchesUnknown(unknownMask, r, c, nRows, nCols);
                const Entries entries{fgMask[at] && touches, bgMask[at] && touches, unknownMask[at] != 0};
                if (entries.foreground || entries.background || entries.unknown) visit(r, c, at, entries);
            }
    };
    // Each part of columns counts its records first; the counts place every part's
    // records in the lists, which are allocated once at their size (growing them
    // would copy every record and touch about twice the memory).
    struct Counts {
        std::size_t foreground = 0, background = 0, unknown = 0;
    };
    std::vector<Counts> first(static_cast<std::size_t>(parts) + 1);
    inColumnParts(
        nCols, parallel,
        [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
            Counts& n = first[static_cast<std::size_t>(firstColumn / partColumns) + 1];
            eachEntry(firstColumn, lastColumn, [&](std::ptrdiff_t, std::ptrdiff_t, std::ptrdiff_t, const Entries& e) {
                n.foreground += e.foreground;
                n.background += e.background;
                n.unknown += e.unknown;
            });
        },
        partColumns);
    for (std::size_t k = 1; k < first.size(); ++k) {
        first[k].foreground += first[k - 1].foreground;
        first[k].background += first[k - 1].background;
        first[k].unknown += first[k - 1].unknown;
    }
    result.foreground.resize(first.back().foreground);
    result.background.resize(first.back().background);
    resizeAdvised(result.unknown, first.back().unknown, parallel);
    assignOnHugePages(result.indexMap, static_cast<std::size_t>(plane), std::int32_t{0}, parallel);

    inColumnParts(
        nCols, parallel,
        [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
            Counts next = first[static_cast<std::size_t>(firstColumn / partColumns)];
            eachEntry(firstColumn, lastColumn, [&](std::ptrdiff_t r, std::ptrdiff_t c, std::ptrdiff_t at, const Entries& e) {
                const double red = image[at], green = image[at + plane], blue = image[at + 2 * plane];
                const SampleRecord record{static_cast<double>(r) + 1.0, static_cast<double>(c) + 1.0,
                                          red, green, blue, grayOf(red, green, blue)};
                if (e.foreground) result.foreground[next.foreground++] = record;
                if (e.background) result.background[next.background++] = record;
                if (e.unknown) {
                    result.unknown[next.unknown++] = record;
                    result.indexMap[static_cast<std::size_t>(at)] = static_cast<std::int32_t>(next.unknown);
                }
            });
        },
        partColumns);
    return result;
}

}  // namespace pairseek
