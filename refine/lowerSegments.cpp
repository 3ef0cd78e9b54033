// Compressed columns into segments in one pass over the columns. Each column's
// offsets (row - column) are grouped in runs; a column whose runs equal those of
// the open segment joins it, any other starts a new one. A segment's entries are
// written, offset after offset, once it closes, over entries already read: every
// float lands at a byte before the first double still to be read.
#include "lowerSegments.h"

#include <cstring>
#include <utility>

#include "hugePages.h"

namespace pairseek {
namespace {

// Long enough to amortise a segment's bookkeeping, short enough that its pending
// entries stay a small buffer whatever the band's shape.
constexpr std::ptrdiff_t maxSegmentColumns = 4096;

using Runs = std::vector<std::pair<int, int>>;   // (first offset, length)

}  // namespace

SegmentedMatrix::SegmentedMatrix(LowerTriangle&& triangle)
    : n_(triangle.n), storage_(std::move(triangle.values)) {
    resizeAdvised(diagonal_, static_cast<std::size_t>(n_));
    const std::vector<int> outer = std::move(triangle.outer);
    const std::unique_ptr<int[]> inner = std::move(triangle.inner);
    auto* bytes = reinterpret_cast<unsigned char*>(storage_.get());
    firstColumn_.push_back(0);
    firstRun_.push_back(0);
    Runs open, column;
    std::vector<float> pending;   // the open segment's entries, column after column
    std::size_t written = 0;      // floats in place so far
    std::ptrdiff_t openFirst = 0;
    const auto close = [&](std::ptrdiff_t endColumn) {
        const auto width = static_cast<std::size_t>(endColumn - openFirst);
        const std::size_t offsets = pending.size() / width;
        for (std::size_t o = 0; o < offsets; ++o)
            for (std::size_t m = 0; m < width; ++m)
                std::memcpy(bytes + sizeof(float) * (written + o * width + m), &pending[m * offsets + o], sizeof(float));
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
        std::memcpy(&diagonal_[static_cast<std::size_t>(j)], bytes + sizeof(double) * static_cast<std::size_t>(from), sizeof(double));
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
            double value;
            std::memcpy(&value, bytes + sizeof(double) * static_cast<std::size_t>(k), sizeof value);
            pending.push_back(static_cast<float>(value));
        }
    }
    if (n_ > 0) close(n_);
}

LowerSegments SegmentedMatrix::view() const {
    return {n_,
            diagonal_.data(),
            static_cast<std::ptrdiff_t>(firstColumn_.size()) - 1,
            firstColumn_.data(),
            firstRun_.data(),
            runOffset_.data(),
            runLength_.data(),
            reinterpret_cast<const float*>(storage_.get())};
}

}  // namespace pairseek
