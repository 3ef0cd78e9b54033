// A trimap from a rough mask: the mask's sure foreground and background, each
// eroded by the band (exact Euclidean distance), the rest unknown.
#include <algorithm>
#include <cmath>
#include <string>

#include "cutout.h"
#include "pairseek.h"

namespace pairseek {
namespace {

constexpr std::uint8_t backgroundValue = 0, unknownValue = 128, foregroundValue = 255;

void checkOptions(const TrimapOptions& options) {
    const auto fail = [](const std::string& message) {
        throw MatteError(MatteError::Kind::value, "trimapOption", message);
    };
    if (std::isnan(options.band) || std::isinf(options.band))
        fail("band must be a finite number of pixels (or < 0 for the default); got " + std::to_string(options.band));
    if (!(options.low >= 0 && options.low < options.high && options.high <= 1))
        fail("low and high must satisfy 0 <= low < high <= 1; got low " + std::to_string(options.low) + ", high " +
             std::to_string(options.high));
}

}  // namespace

double defaultBand(const double* mask, std::ptrdiff_t rows, std::ptrdiff_t cols) {
    std::ptrdiff_t area = 0;
    for (std::ptrdiff_t i = 0; i < rows * cols; ++i) area += mask[i] >= 0.5;
    return std::clamp(0.02 * std::sqrt(static_cast<double>(area)), 3.0, 30.0);
}

std::vector<std::uint8_t> trimapFromMask(const double* mask, std::ptrdiff_t rows, std::ptrdiff_t cols,
                                         const TrimapOptions& options) {
    checkOptions(options);
    const std::ptrdiff_t n = rows * cols;
    std::vector<std::uint8_t> notForeground(static_cast<std::size_t>(n)), notBackground(static_cast<std::size_t>(n));
    bool anyForeground = false, anyBackground = false;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        // NaN counts as unknown: neither side.
        const bool isForeground = mask[i] >= options.high, isBackground = mask[i] <= options.low;
        notForeground[static_cast<std::size_t>(i)] = !isForeground;
        notBackground[static_cast<std::size_t>(i)] = !isBackground;
        anyForeground = anyForeground || isForeground;
        anyBackground = anyBackground || isBackground;
    }
    if (!anyForeground)
        throw MatteError(MatteError::Kind::value, "emptyMask",
                         "the mask has no foreground: no value reaches high (" + std::to_string(options.high) + ")");
    if (!anyBackground)
        throw MatteError(MatteError::Kind::value, "fullMask",
                         "the mask has no background: no value is at most low (" + std::to_string(options.low) + ")");
    const double band = options.band < 0 ? defaultBand(mask, rows, cols) : options.band;

    std::vector<std::uint8_t> trimap(static_cast<std::size_t>(n), unknownValue);
    const auto keepCore = [&](const std::vector<std::uint8_t>& outside, std::uint8_t value) {
        const std::vector<double> distance = distanceToSet(outside.data(), rows, cols);
        double deepest = 0;
        for (double d : distance) deepest = std::max(deepest, d);
        // An object thinner than the band keeps its innermost pixels.
        const double limit = std::min(band, deepest - 0.5);
        for (std::ptrdiff_t i = 0; i < n; ++i)
            if (distance[static_cast<std::size_t>(i)] > limit) trimap[static_cast<std::size_t>(i)] = value;
    };
    keepCore(notForeground, foregroundValue);
    keepCore(notBackground, backgroundValue);
    return trimap;
}

}  // namespace pairseek
