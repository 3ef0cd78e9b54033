// collectFringe on small trimaps drawn as text: which pixels become boundary
// samples, in what order, with what records, and the unknown index map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "backwards.h"
#include "matting.h"

using namespace pairseek;

namespace {

using Cells = std::vector<std::pair<int, int>>;   // 0-based (row, col), in list order

// One text row per image row; '.' is 0, '1' is 1, 'x' is 255 (any non-zero byte is set).
std::vector<std::uint8_t> maskFrom(const std::vector<std::string>& picture) {
    const std::size_t rows = picture.size(), cols = rows ? picture[0].size() : 0;
    std::vector<std::uint8_t> mask(rows * cols, 0);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c)
            mask[r + c * rows] = picture[r][c] == '.' ? 0 : picture[r][c] == '1' ? 1 : 255;
    return mask;
}

// Distinct exactly representable values per plane and pixel.
std::vector<double> imageOf(int rows, int cols) {
    const auto plane = std::size_t(rows) * std::size_t(cols);
    std::vector<double> image(3 * plane);
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t at = 0; at < plane; ++at) image[k * plane + at] = double(k + 1) * 0.25 + double(at) / 64.0;
    return image;
}

Cells cellsOf(const std::vector<SampleRecord>& records) {
    Cells cells;
    for (const SampleRecord& s : records) cells.emplace_back(int(s.row) - 1, int(s.col) - 1);
    return cells;
}

struct TrimapCase {
    const char* name;
    std::vector<std::string> fg, bg, unknown;
    Cells wantFg, wantBg;   // the unknown list is every set unknown byte, column by column
};

TEST(CollectFringe, BoundarySamplesAndIndexMap) {
    const TrimapCase cases[] = {
        {"1x1: foreground and unknown folds onto itself", {"1"}, {"."}, {"1"}, {{0, 0}}, {}},
        {"1x1: foreground only", {"1"}, {"."}, {"."}, {}, {}},
        {"1x1: background and unknown", {"."}, {"x"}, {"x"}, {}, {{0, 0}}},
        {"top row, unknown directly below", {".1.", "...", "..."}, {"...", "...", "..."}, {"...", ".1.", "..."},
         {{0, 1}}, {}},
        {"top row, unknown two rows below", {".1.", "...", "..."}, {"...", "...", "..."}, {"...", "...", ".1."},
         {}, {}},
        {"diagonal contact", {"1..", "...", "..x"}, {"...", "...", "..."}, {"...", ".1.", "..."},
         {{0, 0}, {2, 2}}, {}},
        {"an interior pixel is not its own neighbour", {"111", "111", "111"}, {"...", "...", "..."},
         {"...", ".1.", "..."}, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}, {}},
        {"a corner pixel is, through the folded border", {"111", "111", "111"}, {"...", "...", "..."},
         {"1..", "...", "..."}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {}},
        {"a pixel in all three masks enters all three lists", {"1."}, {"x."}, {"11"}, {{0, 0}}, {{0, 0}}},
        {"column-major order of both boundary lists", {"11..x", "11..x", "x1..."}, {"...xx", "...1.", "...11"},
         {"..1..", "..x..", "..1.."}, {{0, 1}, {1, 1}, {2, 1}}, {{0, 3}, {1, 3}, {2, 3}}},
        {"empty masks", {"....", "...."}, {"....", "...."}, {"....", "...."}, {}, {}},
        {"foreground and background, no unknown", {"11..", "11.."}, {"..xx", "..xx"}, {"....", "...."}, {}, {}},
    };
    for (const TrimapCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int rows = int(c.unknown.size()), cols = int(c.unknown[0].size());
        const std::vector<double> image = imageOf(rows, cols);
        const std::vector<std::uint8_t> fg = maskFrom(c.fg), bg = maskFrom(c.bg), unknown = maskFrom(c.unknown);
        const FringeScanResult result = collectFringe(image.data(), fg.data(), bg.data(), unknown.data(), rows, cols);

        EXPECT_EQ(cellsOf(result.foreground), c.wantFg);
        EXPECT_EQ(cellsOf(result.background), c.wantBg);
        Cells wantUnknown;
        std::vector<std::int32_t> wantMap(unknown.size(), 0);
        for (int col = 0; col < cols; ++col)
            for (int r = 0; r < rows; ++r)
                if (c.unknown[std::size_t(r)][std::size_t(col)] != '.') {
                    wantUnknown.emplace_back(r, col);
                    wantMap[std::size_t(r + col * rows)] = std::int32_t(wantUnknown.size());
                }
        EXPECT_EQ(cellsOf(result.unknown), wantUnknown);
        EXPECT_EQ(result.indexMap, wantMap);
    }
}

bool sameRecords(const std::vector<SampleRecord>& a, const std::vector<SampleRecord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SampleRecord& x, const SampleRecord& y) {
        return x.row == y.row && x.col == y.col && x.red == y.red && x.green == y.green && x.blue == y.blue &&
               x.gray == y.gray;
    });
}

// Parts of columns run in any order give the lists and map of one sweep, also
// where a part's first or last column touches its neighbour's unknown pixels.
TEST(CollectFringe, PartsRunInAnyOrderGiveTheSameLists) {
    const int rows = 37, cols = 300;
    const std::vector<double> image = imageOf(rows, cols);
    std::vector<std::uint8_t> fg(std::size_t(rows) * cols), bg(fg.size()), unknown(fg.size());
    std::uint32_t state = 12345;
    for (std::size_t at = 0; at < fg.size(); ++at) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t kind = (state >> 24) % 8;   // unknown pixels a little rarer than known ones
        (kind < 3 ? fg : kind < 6 ? bg : unknown)[at] = 1;
    }
    const FringeScanResult inOrder = collectFringe(image.data(), fg.data(), bg.data(), unknown.data(), rows, cols);
    const FringeScanResult reversed =
        collectFringe(image.data(), fg.data(), bg.data(), unknown.data(), rows, cols, backwards);
    ASSERT_GT(inOrder.unknown.size(), 1000u);
    // Against a plain reading: each list column by column, a sample where a clamped neighbour is unknown.
    Cells wantFg, wantBg, wantUnknown;
    auto unknownAt = [&](int r, int c) {
        return unknown[std::size_t(std::clamp(r, 0, rows - 1) + std::clamp(c, 0, cols - 1) * rows)] != 0;
    };
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            bool touches = false;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) touches = touches || ((dr || dc) && unknownAt(r + dr, c + dc));
            const std::size_t at = std::size_t(r + c * rows);
            if (fg[at] && touches) wantFg.emplace_back(r, c);
            if (bg[at] && touches) wantBg.emplace_back(r, c);
            if (unknown[at]) wantUnknown.emplace_back(r, c);
        }
    EXPECT_EQ(cellsOf(inOrder.foreground), wantFg);
    EXPECT_EQ(cellsOf(inOrder.background), wantBg);
    EXPECT_EQ(cellsOf(inOrder.unknown), wantUnknown);
    EXPECT_TRUE(sameRecords(inOrder.foreground, reversed.foreground));
    EXPECT_TRUE(sameRecords(inOrder.background, reversed.background));
    EXPECT_TRUE(sameRecords(inOrder.unknown, reversed.unknown));
    EXPECT_EQ(inOrder.indexMap, reversed.indexMap);
}

TEST(CollectFringe, IndexMapNumbersUnknownPixelsColumnByColumn) {
    const std::vector<std::string> unknownPicture = {"1..x.", ".1.x.", "x...1", "..1.1"};
    const std::vector<std::uint8_t> unknown = maskFrom(unknownPicture), none(unknown.size(), 0);
    const std::vector<double> image = imageOf(4, 5);
    const FringeScanResult result = collectFringe(image.data(), none.data(), none.data(), unknown.data(), 4, 5);

    // Read by rows here; the map itself is column-major.
    const int wantByRow[4][5] = {{1, 0, 0, 5, 0}, {0, 3, 0, 6, 0}, {2, 0, 0, 0, 7}, {0, 0, 4, 0, 8}};
    ASSERT_EQ(result.indexMap.size(), 20u);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(result.indexMap[std::size_t(r + c * 4)], wantByRow[r][c]) << "at (" << r << ", " << c << ")";
    ASSERT_EQ(result.unknown.size(), 8u);
    EXPECT_EQ(result.unknown[4].row, 1.0);   // the 5th unknown pixel is (0, 3): 1-based (1, 4)
    EXPECT_EQ(result.unknown[4].col, 4.0);
}

TEST(CollectFringe, RecordsCopyThePlanesAndPositions) {
    const std::vector<std::uint8_t> all(6, 1);
    const std::vector<double> image = imageOf(2, 3);
    const FringeScanResult result = collectFringe(image.data(), all.data(), all.data(), all.data(), 2, 3);
    for (const std::vector<SampleRecord>* list : {&result.foreground, &result.background, &result.unknown}) {
        ASSERT_EQ(list->size(), 6u);
        for (std::size_t at = 0; at < 6; ++at) {
            const SampleRecord& s = (*list)[at];
            SCOPED_TRACE("record " + std::to_string(at));
            EXPECT_EQ(s.row, double(at % 2) + 1.0);
            EXPECT_EQ(s.col, double(at / 2) + 1.0);
            EXPECT_EQ(s.red, image[at]);
            EXPECT_EQ(s.green, image[6 + at]);
            EXPECT_EQ(s.blue, image[12 + at]);
        }
    }
}

// (0.587 * G + 0.299 * R) + 0.114 * B with each step rounded (tests/core/fixtures.py).
TEST(CollectFringe, GrayKeepsItsGrouping) {
    const double red = 0.77, green = 0.27, blue = 0.77, want = 0.47649999999999998;
    EXPECT_EQ(grayOf(red, green, blue), want);
    const double image[] = {red, green, blue};
    const std::uint8_t set = 1;
    const FringeScanResult result = collectFringe(image, &set, &set, &set, 1, 1);
    ASSERT_EQ(result.unknown.size(), 1u);
    EXPECT_EQ(result.unknown[0].gray, want);

    // The fixture tells the grouping apart from the other association and from fused steps.
    EXPECT_NE(0.587 * green + (0.299 * red + 0.114 * blue), want);
    EXPECT_NE(std::fma(0.114, blue, std::fma(0.299, red, 0.587 * green)), want);
}

TEST(CollectFringe, EmptyGridVisitsNothing) {
    const std::pair<Count, Count> sizes[] = {{0, 0}, {0, 4}, {4, 0}};
    for (const auto& [rows, cols] : sizes) {
        SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(cols));
        // No pixel is read, so no storage is needed behind the pointers.
        const FringeScanResult result = collectFringe(nullptr, nullptr, nullptr, nullptr, rows, cols);
        EXPECT_TRUE(result.foreground.empty());
        EXPECT_TRUE(result.background.empty());
        EXPECT_TRUE(result.unknown.empty());
        EXPECT_TRUE(result.indexMap.empty());
    }
}

}  // namespace
