// What the two starting mattes (guidedBand, coarseStart) share: a grid of square
// blocks of pixels, values interpolated between block centres, and the unknown
// pixels found column by column in the band's list order.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pairseek {

// Between which block centres a pixel lies along one axis, and how far.
struct Interpolation {
    std::ptrdiff_t first, last;
    double weight;   // of `last`
};

// Pixel x along an axis of `count` blocks of `side` pixels; clamped at the ends.
inline Interpolation interpolation(std::ptrdiff_t x, std::ptrdiff_t side, std::ptrdiff_t count) {
    const double at = (static_cast<double>(x) - 0.5 * static_cast<double>(side - 1)) / static_cast<double>(side);
    const auto first = std::min(std::max(static_cast<std::ptrdiff_t>(std::floor(at)), std::ptrdiff_t{0}), count - 1);
    const std::ptrdiff_t last = std::min(first + 1, count - 1);
    return {first, last, last == first ? 0.0 : std::min(std::max(at - static_cast<double>(first), 0.0), 1.0)};
}

// interpolation(x, side, count) for x = 0 .. n - 1: the weights of a whole axis,
// taken once where every column (or row) shares them.
inline std::vector<Interpolation> interpolations(std::ptrdiff_t n, std::ptrdiff_t side, std::ptrdiff_t count) {
    std::vector<Interpolation> along(static_cast<std::size_t>(n));
    for (std::ptrdiff_t x = 0; x < n; ++x) along[static_cast<std::size_t>(x)] = interpolation(x, side, count);
    return along;
}

// Bilinear value at (down, across) of a column-major plane of blocks with `rows` rows.
inline double interpolated(const double* plane, std::ptrdiff_t rows, const Interpolation& down,
                           const Interpolation& across) {
    const auto at = [&](std::ptrdiff_t r, std::ptrdiff_t c) { return plane[r + c * rows]; };
    return (1 - across.weight) * ((1 - down.weight) * at(down.first, across.first) + down.weight * at(down.last, across.first)) +
           across.weight * ((1 - down.weight) * at(down.first, across.last) + down.weight * at(down.last, across.last));
}

// For each column c of the box (rows r0 .. r0 + boxRows - 1, columns c0 ..), the
// number of unknown pixels in the box's columns before it; one entry more at the end.
inline std::vector<std::ptrdiff_t> unknownBefore(const std::uint8_t* unknownMask, std::ptrdiff_t rows,
                                                 std::ptrdiff_t r0, std::ptrdiff_t c0, std::ptrdiff_t boxRows,
                                                 std::ptrdiff_t boxCols) {
    std::vector<std::ptrdiff_t> before(static_cast<std::size_t>(boxCols + 1), 0);
    for (std::ptrdiff_t c = 0; c < boxCols; ++c) {
        std::ptrdiff_t count = 0;
        for (std::ptrdiff_t r = 0; r < boxRows; ++r) count += unknownMask[(r0 + r) + (c0 + c) * rows] != 0;
        before[static_cast<std::size_t>(c + 1)] = before[static_cast<std::size_t>(c)] + count;
    }
    return before;
}

}  // namespace pairseek
