// Compressed columns into segments in one pass over the columns. Each column's
// offsets (row - column) are grouped in runs; a column whose runs equal those of
// the open segment joins it, any other starts a new one. A segment's entries are
// written in their groups once it closes, over entries already read: each lands
// before the first entry still to be read.
#include "lowerSegments.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pairseek {
namespace {

// Long enough to amortise a segment's bookkeeping, short enough that its pending
// entries stay a small buffer whatever the band's shape.
constexpr std::ptrdiff_t maxSegmentColumns = 4096;

using Runs = std::vector<std::pair<int, int>>;   // (first offset, length)

}  // namespace

SegmentedMatrix::SegmentedMatrix(LowerTriangle&& triangle)
    : n_(triangle.n), root_(std::move(triangle.diagonal)), values_(std::move(triangle.values)) {
    const std::vector<int> outer = std::move(triangle.outer);
    const std::unique_ptr<int[]> inner = std::move(triangle.inner);
    for (double& d : root_) d = std::sqrt(d);
    float* values = values_.get();
    firstColumn_.push_back(0);
    firstRun_.push_back(0);
    Runs open, column;
    std::vector<float> pending;   // the open segment's entries, column after column
    std::size_t written = 0;      // floats in place so far
    std::ptrdiff_t openFirst = 0;
    const auto close = [&](std::ptrdiff_t endColumn) {
        const auto width = static_cast<std::size_t>(endColumn - openFirst), group = static_cast<std::size_t>(segmentGroup);
        const std::size_t offsets = pending.size() / width;
        for (std::size_t g = 0; g < width; g += group) {
            const std::size_t columns = std::min(group, width - g);
            for (std::size_t o = 0; o < offsets; ++o)
                for (std::size_t m = 0; m < columns; ++m)
                    values[written + g * offsets + o * columns + m] = pending[(g + m) * offsets + o];
        }
        written += pending.size();
        pending.clear();
        for (const auto& [offset, length] : open) {
            runOffset_.push_back(offset);
            runLength_.push_back(static_cast<std::uint8_t>(length));
        }
        firstColumn_.push_back(static_cast<int>(endColumn));
        firstRun_.push_back(static_cast<int>(runOffset_.size()));
        openFirst = endColumn;
    };
    for (std::ptrdiff_t j = 0; j < n_; ++j) {
        const int from = outer[static_cast<std::size_t>(j)], to = outer[static_cast<std::size_t>(j) + 1];
        column.clear();
        for (int k = from + 1; k < to; ++k) {
            const auto offset = static_cast<int>(inner[static_cast<std::size_t>(k)] - j);
            if (!column.empty() && offset == column.back().first + column.back().second && column.back().second < UINT8_MAX)
                ++column.back().second;
            else
                column.emplace_back(offset, 1);
        }
        if (j > openFirst && (column != open || j - openFirst == maxSegmentColumns)) close(j);
        if (j == openFirst) open = column;
        for (int k = from + 1; k < to; ++k) {
            const auto at = static_cast<std::size_t>(k);
            pending.push_back(static_cast<float>(values[at] / (root_[static_cast<std::size_t>(j)] * root_[static_cast<std::size_t>(inner[at])])));
        }
    }
    if (n_ > 0) close(n_);
}

LowerSegments SegmentedMatrix::view() const {
    return {n_,
            root_.data(),
            static_cast<std::ptrdiff_t>(firstColumn_.size()) - 1,
            firstColumn_.data(),
            firstRun_.data(),
            runOffset_.data(),
            runLength_.data(),
            values_.get()};
}

}  // namespace pairseek
