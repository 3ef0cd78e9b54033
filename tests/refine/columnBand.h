// A band for the refinement's tests: foreground left of column `left`, background
// from `right` on, the columns between unknown; colour(r, c, k) gives the image.
#pragma once

#include <cstdint>
#include <vector>

#include "bandRefine.h"

namespace pairseek {

struct ColumnBand {
    std::ptrdiff_t rows, cols, unknownCount = 0;
    std::vector<double> image, knownAlpha;
    std::vector<std::uint8_t> unknown;

    template <class Colour>
    ColumnBand(std::ptrdiff_t rows_, std::ptrdiff_t cols_, std::ptrdiff_t left, std::ptrdiff_t right, Colour colour)
        : rows(rows_), cols(cols_), image(static_cast<std::size_t>(3 * rows * cols)),
          knownAlpha(static_cast<std::size_t>(rows * cols)), unknown(knownAlpha.size()) {
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const auto p = static_cast<std::size_t>(r + c * rows);
                for (std::size_t k = 0; k < 3; ++k) image[p + k * knownAlpha.size()] = colour(r, c, k);
                unknown[p] = c >= left && c < right;
                knownAlpha[p] = c < left ? 1.0 : 0.0;
                unknownCount += unknown[p];
            }
    }
    RefineInput input(const std::vector<double>& target, const std::vector<double>& confidence) const {
        return {image.data(), unknown.data(), knownAlpha.data(), target.data(), confidence.data(), rows, cols};
    }
};

}  // namespace pairseek
