// trimapFromMask on small masks drawn as text: band width, soft values, holes,
// the image border, objects thinner than the band, and the rejected masks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cutout.h"
#include "pairseek.h"

using namespace pairseek;

namespace {

using Picture = std::vector<std::string>;

// '#' 1, '.' 0, 'o' 0.5 (soft), '+' 0.97, '-' 0.03.
std::vector<double> maskFrom(const Picture& picture) {
    const std::size_t rows = picture.size(), cols = picture[0].size();
    std::vector<double> mask(rows * cols);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c) {
            const char v = picture[r][c];
            mask[r + c * rows] = v == '#' ? 1 : v == 'o' ? 0.5 : v == '+' ? 0.97 : v == '-' ? 0.03 : 0;
        }
    return mask;
}

// 'F' 255, 'U' 128, 'B' 0.
Picture pictureOf(const std::vector<std::uint8_t>& trimap, std::size_t rows, std::size_t cols) {
    Picture picture(rows, std::string(cols, '?'));
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c) {
            const std::uint8_t v = trimap[r + c * rows];
            picture[r][c] = v == 255 ? 'F' : v == 128 ? 'U' : v == 0 ? 'B' : '?';
        }
    return picture;
}

struct Case {
    const char* name;
    double band;
    Picture mask, want;
};

TEST(TrimapFromMask, HandDrawnMasks) {
    const Case cases[] = {
        {"square, band 1: edge pixels and their outer neighbours unknown", 1,
         {".......", ".......", "..###..", "..###..", "..###..", ".......", "......."},
         {"BBBBBBB", "BBUUUBB", "BUUUUUB", "BUUFUUB", "BUUUUUB", "BBUUUBB", "BBBBBBB"}},
        {"band 0: the thresholded mask", 0, {"..##", ".###", "...#"}, {"BBFF", "BFFF", "BBBF"}},
        {"band 1.5 reaches the diagonal", 1.5, {".....", ".....", "..#..", ".....", "....."},
         {"BBBBB", "BUUUB", "BUFUB", "BUUUB", "BBBBB"}},
        {"soft values are unknown and widen the band", 1, {"####o....", "####o....", "####o...."},
         {"FFFUUUBBB", "FFFUUUBBB", "FFFUUUBBB"}},
        {"values beyond the thresholds count as sure", 0, {"#+o-."}, {"FFUBB"}},
        {"a hole is background inside the ring", 1,
         {"#########", "#########", "##.....##", "##.....##", "##.....##", "##.....##", "##.....##",
          "#########", "#########"},
         {"FFFFFFFFF", "FFUUUUUFF", "FUUUUUUUF", "FUUBBBUUF", "FUUBBBUUF", "FUUBBBUUF", "FUUUUUUUF",
          "FFUUUUUFF", "FFFFFFFFF"}},
        {"the border is neither side: an object touching it stays foreground there", 1,
         {"##....", "##....", "##...."}, {"FUUBBB", "FUUBBB", "FUUBBB"}},
        {"sides thinner than the band keep their middles", 5, {"........", "########", "########",
                                                                   "########", "........"},
         {"BBBBBBBB", "UUUUUUUU", "FFFFFFFF", "UUUUUUUU", "BBBBBBBB"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t rows = c.mask.size(), cols = c.mask[0].size();
        const std::vector<double> mask = maskFrom(c.mask);
        TrimapOptions options;
        options.band = c.band;
        EXPECT_EQ(pictureOf(trimapFromMask(mask.data(), std::ptrdiff_t(rows), std::ptrdiff_t(cols), options), rows,
                            cols),
                  c.want);
    }
}

TEST(TrimapFromMask, DefaultBandGrowsWithTheObjectWithinLimits) {
    struct Size { std::ptrdiff_t side, object; double want; };
    for (const Size& s : {Size{20, 4, 3}, Size{600, 500, 10}, Size{2000, 1800, 30}}) {
        SCOPED_TRACE(std::to_string(s.object) + " pixel square");
        std::vector<double> mask(std::size_t(s.side * s.side), 0);
        for (std::ptrdiff_t c = 0; c < s.object; ++c)
            for (std::ptrdiff_t r = 0; r < s.object; ++r) mask[std::size_t(r + c * s.side)] = 1;
        EXPECT_DOUBLE_EQ(defaultBand(mask.data(), s.side, s.side), s.want);
    }
}

TEST(TrimapFromMask, RejectsMasksWithoutBothSidesAndBadOptions) {
    struct Rejection { const char* name; Picture mask; double low, high, band; const char* code; };
    const Rejection cases[] = {
        {"empty", {"...", "..."}, 0.05, 0.95, -1, "emptyMask"},
        {"soft only: nothing sure foreground", {"ooo", "o.o"}, 0.05, 0.95, -1, "emptyMask"},
        {"full", {"###", "###"}, 0.05, 0.95, -1, "fullMask"},
        {"full but soft", {"##o", "###"}, 0.05, 0.95, -1, "fullMask"},
        {"low above high", {"#.."}, 0.6, 0.4, -1, "trimapOption"},
        {"high above 1", {"#.."}, 0.05, 1.5, -1, "trimapOption"},
        {"band NaN", {"#.."}, 0.05, 0.95, std::nan(""), "trimapOption"},
        {"band infinite", {"#.."}, 0.05, 0.95, std::numeric_limits<double>::infinity(), "trimapOption"},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> mask = maskFrom(c.mask);
        TrimapOptions options;
        options.low = c.low;
        options.high = c.high;
        options.band = c.band;
        try {
            trimapFromMask(mask.data(), std::ptrdiff_t(c.mask.size()), std::ptrdiff_t(c.mask[0].size()), options);
            ADD_FAILURE() << "no error";
        } catch (const MatteError& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.kind(), MatteError::Kind::value);
        }
    }
}

}  // namespace
