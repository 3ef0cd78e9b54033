// The pipeline through its public header: layouts and element types that hold
// the same values give the same matte, the masks form agrees with the trimap
// form, rejected input names its fault, progress reports and cancels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pairseek.h"

namespace pairseek {
namespace {

// A soft disc over two textured colours, 8-bit, column-major planes; trimap
// 255 where alpha is 1, 0 where it is 0, 128 between.
struct Disc {
    std::ptrdiff_t rows = 20, cols = 24;
    std::vector<std::uint8_t> image, trimap;
    Disc() {
        image.resize(static_cast<std::size_t>(3 * rows * cols));
        trimap.resize(static_cast<std::size_t>(rows * cols));
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const double d = std::hypot(static_cast<double>(r) - 9.5, static_cast<double>(c) - 11.5);
                const double a = std::min(std::max((7 - d) / 4 + 0.5, 0.0), 1.0);
                const double rd = static_cast<double>(r), cd = static_cast<double>(c);
                const double fg[3] = {0.85 + 0.05 * std::sin(rd), 0.3 + 0.1 * std::cos(cd), 0.15};
                const double bg[3] = {0.1, 0.35 + 0.2 * std::sin(cd / 2.0), 0.75 + 0.1 * std::cos(rd / 3.0)};
                const std::size_t at = static_cast<std::size_t>(r + c * rows);
                for (int k = 0; k < 3; ++k)
                    image[at + static_cast<std::size_t>(k * rows * cols)] =
                        static_cast<std::uint8_t>(std::lround(255 * (a * fg[k] + (1 - a) * bg[k])));
                trimap[at] = a == 1 ? 255 : a == 0 ? 0 : 128;
            }
    }
    ArrayView imageView() const { return ArrayView::columnMajor(image.data(), ElementType::uint8, rows, cols, 3); }
    ArrayView trimapView() const { return ArrayView::columnMajor(trimap.data(), ElementType::uint8, rows, cols); }
};

TEST(PairMatte, SameValuesInAnyLayoutOrTypeGiveTheSameMatte) {
    const Disc disc;
    const Matte reference = pairMatte(disc.imageView(), disc.trimapView());
    const std::size_t cells = disc.trimap.size();

    std::vector<std::uint8_t> interleaved(3 * cells);   // row after row, channels together
    std::vector<double> unit(3 * cells);
    std::vector<float> unitTrimap(cells);
    for (std::ptrdiff_t c = 0; c < disc.cols; ++c)
        for (std::ptrdiff_t r = 0; r < disc.rows; ++r)
            for (std::ptrdiff_t k = 0; k < 3; ++k) {
                const std::uint8_t v = disc.image[static_cast<std::size_t>(r + c * disc.rows + k * disc.rows * disc.cols)];
                interleaved[static_cast<std::size_t>((r * disc.cols + c) * 3 + k)] = v;
                unit[static_cast<std::size_t>(r + c * disc.rows + k * disc.rows * disc.cols)] = v / 255.0;
            }
    for (std::size_t p = 0; p < cells; ++p) unitTrimap[p] = disc.trimap[p] == 128 ? 0.5f : disc.trimap[p] / 255.0f;

    const Matte fromInterleaved = pairMatte(
        ArrayView::interleaved(interleaved.data(), ElementType::uint8, disc.rows, disc.cols, 3), disc.trimapView());
    const Matte fromDoubles =
        pairMatte(ArrayView::columnMajor(unit.data(), ElementType::float64, disc.rows, disc.cols, 3),
                  ArrayView::columnMajor(unitTrimap.data(), ElementType::float32, disc.rows, disc.cols));
    EXPECT_EQ(fromInterleaved.alpha, reference.alpha);
    EXPECT_EQ(fromInterleaved.foreground, reference.foreground);
    EXPECT_EQ(fromDoubles.alpha, reference.alpha);

    std::vector<std::uint8_t> fg(cells), bg(cells), unknown(cells);
    for (std::size_t p = 0; p < cells; ++p) {
        fg[p] = disc.trimap[p] == 255;
        bg[p] = disc.trimap[p] == 0;
        unknown[p] = disc.trimap[p] == 128;
    }
    auto mask = [&](const std::vector<std::uint8_t>& m) {
        return ArrayView::columnMajor(m.data(), ElementType::uint8, disc.rows, disc.cols);
    };
    EXPECT_EQ(pairMatte(disc.imageView(), TrimapMasks{mask(fg), mask(bg), mask(unknown)}).alpha, reference.alpha);
}

// The search reads the image raised to gamma, bit for bit: the same pairs as on an
// image of those values read as they are; its foreground samples keep the stored colours.
TEST(PairMatte, GammaRaisesTheColoursTheSearchReads) {
    const Disc disc;
    std::vector<double> unit(disc.image.size()), raised(disc.image.size());
    for (std::size_t p = 0; p < unit.size(); ++p) {
        unit[p] = disc.image[p] / 255.0;
        raised[p] = std::pow(unit[p], 2.2);
    }
    const auto view = [&](const std::vector<double>& planes) {
        return ArrayView::columnMajor(planes.data(), ElementType::float64, disc.rows, disc.cols, 3);
    };
    MatteOptions asLight, asStored;
    asLight.refine = asStored.refine = false;
    asLight.foreground = asStored.foreground = Foreground::samples;
    asLight.gamma = 2.2;
    asStored.gamma = 1;
    const Matte light = pairMatte(view(unit), disc.trimapView(), asLight);
    const Matte ofRaised = pairMatte(view(raised), disc.trimapView(), asStored);
    EXPECT_EQ(light.alpha, ofRaised.alpha);
    EXPECT_NE(light.alpha, pairMatte(view(unit), disc.trimapView(), asStored).alpha);
    // The same samples, each in the colours of its own image.
    ASSERT_EQ(light.foreground.size(), ofRaised.foreground.size());
    for (std::size_t p = 0; p < light.foreground.size(); ++p)
        EXPECT_EQ(ofRaised.foreground[p], std::pow(light.foreground[p], 2.2)) << "at " << p;
}

TEST(PairMatte, SeedsRepeat) {
    const Disc disc;
    MatteOptions options;
    options.refine = false;
    options.passes = 1;
    options.seed = 7;
    EXPECT_EQ(pairMatte(disc.imageView(), disc.trimapView(), options).alpha,
              pairMatte(disc.imageView(), disc.trimapView(), options).alpha);
}

TEST(PairMatte, KnownPixelsAndRange) {
    const Disc disc;
    const Matte m = pairMatte(disc.imageView(), disc.trimapView());
    ASSERT_EQ(m.alpha.size(), disc.trimap.size());
    ASSERT_EQ(m.foreground.size(), 3 * disc.trimap.size());
    for (std::size_t p = 0; p < disc.trimap.size(); ++p) {
        if (disc.trimap[p] == 255) {
            EXPECT_EQ(m.alpha[p], 1.0);
        }
        if (disc.trimap[p] == 0) {
            EXPECT_EQ(m.alpha[p], 0.0);
            EXPECT_EQ(m.foreground[p], 0.0);
        }
        EXPECT_GE(m.alpha[p], 0.0);
        EXPECT_LE(m.alpha[p], 1.0);
    }
}

TEST(PairMatte, RejectsWithCodeAndKind) {
    const Disc disc;
    std::vector<double> scaled(disc.image.size()), withNaN(disc.image.size());
    for (std::size_t k = 0; k < scaled.size(); ++k) scaled[k] = disc.image[k], withNaN[k] = disc.image[k] / 255.0;
    withNaN[5] = std::nan("");
    std::vector<std::uint8_t> noForeground = disc.trimap, noBackground = disc.trimap;
    for (auto& t : noForeground) t = t == 255 ? 128 : t;
    for (auto& t : noBackground) t = t == 0 ? 128 : t;
    bool flags[1] = {true};

    const auto cm = [&](const void* data, ElementType type, std::ptrdiff_t channels) {
        return ArrayView::columnMajor(data, type, disc.rows, disc.cols, channels);
    };
    MatteOptions zeroPasses, decayOne, heavyColour, noSuchForeground, negativeThreads, gammaZero, gammaNaN;
    noSuchForeground.foreground = static_cast<Foreground>(7);
    gammaZero.gamma = 0;
    gammaNaN.gamma = NAN;
    zeroPasses.passes = 0;
    negativeThreads.threads = -1;
    decayOne.decay = 1;
    heavyColour.colourWeight = INFINITY;
    struct Case {
        const char* name;
        ArrayView image, trimap;
        MatteOptions options;
        const char* code;
        MatteError::Kind kind;
    };
    const Case cases[] = {
        {"0..255 doubles", cm(scaled.data(), ElementType::float64, 3), disc.trimapView(), {}, "imageRange",
         MatteError::Kind::value},
        {"NaN", cm(withNaN.data(), ElementType::float64, 3), disc.trimapView(), {}, "nonFinite", MatteError::Kind::value},
        {"two planes", cm(disc.image.data(), ElementType::uint8, 2), disc.trimapView(), {}, "imageSize",
         MatteError::Kind::value},
        {"boolean image", ArrayView::columnMajor(flags, ElementType::boolean, 1, 1, 1), disc.trimapView(), {},
         "imageClass", MatteError::Kind::type},
        {"sizes differ", disc.imageView(), ArrayView::columnMajor(disc.trimap.data(), ElementType::uint8, 19, 24), {},
         "sizeMismatch", MatteError::Kind::value},
        {"no foreground", disc.imageView(), cm(noForeground.data(), ElementType::uint8, 1), {}, "noForeground",
         MatteError::Kind::value},
        {"no background", disc.imageView(), cm(noBackground.data(), ElementType::uint8, 1), {}, "noBackground",
         MatteError::Kind::value},
        {"passes 0", disc.imageView(), disc.trimapView(), zeroPasses, "Passes", MatteError::Kind::value},
        {"decay 1", disc.imageView(), disc.trimapView(), decayOne, "Decay", MatteError::Kind::value},
        {"colour weight inf", disc.imageView(), disc.trimapView(), heavyColour, "ColourWeight", MatteError::Kind::value},
        {"no such foreground", disc.imageView(), disc.trimapView(), noSuchForeground, "Foreground",
         MatteError::Kind::value},
        {"threads -1", disc.imageView(), disc.trimapView(), negativeThreads, "Threads", MatteError::Kind::value},
        {"gamma 0", disc.imageView(), disc.trimapView(), gammaZero, "Gamma", MatteError::Kind::value},
        {"gamma NaN", disc.imageView(), disc.trimapView(), gammaNaN, "Gamma", MatteError::Kind::value},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            pairMatte(c.image, c.trimap, c.options);
            ADD_FAILURE() << "accepted";
        } catch (const MatteError& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_GT(std::string(e.what()).size(), 20u);
        }
    }
}

// The image is read in parts of columns on the threads; the message still counts
// every value outside [0, 1] and names the first in reading order (plane by
// plane, column by column).
TEST(PairMatte, RangeErrorNamesTheFirstValueInReadingOrder) {
    const std::ptrdiff_t rows = 4, cols = 200, plane = rows * cols;
    std::vector<double> image(static_cast<std::size_t>(3 * plane), 0.5);
    image[2 + 150 * rows] = 3;           // red, row 3, column 151
    image[2 + 10 * rows] = 2;            // red, row 3, column 11: the first
    image[plane + 0 + 5 * rows] = 7;     // green, row 1, column 6: an earlier column, a later plane
    std::vector<std::uint8_t> trimap(static_cast<std::size_t>(plane), 128);
    trimap[0] = 0;
    trimap[static_cast<std::size_t>(plane - 1)] = 255;
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        MatteOptions options;
        options.threads = threads;
        try {
            pairMatte(ArrayView::columnMajor(image.data(), ElementType::float64, rows, cols, 3),
                      ArrayView::columnMajor(trimap.data(), ElementType::uint8, rows, cols), options);
            ADD_FAILURE() << "accepted";
        } catch (const MatteError& e) {
            EXPECT_EQ(e.code(), std::string("imageRange"));
            EXPECT_NE(std::string(e.what()).find("3 are outside, the first 2 at row 3, column 11"), std::string::npos)
                << e.what();
        }
    }
}

TEST(PairMatte, ProgressReportsEveryStageAndCancels) {
    const Disc disc;
    MatteOptions options;
    options.passes = 3;
    std::vector<std::string> seen;
    options.progress = [&](const Progress& p) {
        seen.push_back(std::string(p.stage) + " " + std::to_string(p.step) + "/" + std::to_string(p.steps));
        EXPECT_GT(p.unknown, 0);
        return true;
    };
    pairMatte(disc.imageView(), disc.trimapView(), options);
    const std::vector<std::string> expected = {"scan 1/1",   "pairs 1/1",  "search 1/3", "search 2/3",   "search 3/3",
                                               "refine 0/1", "refine 1/1", "foreground 1/1"};
    EXPECT_EQ(seen, expected);

    int calls = 0;
    options.progress = [&](const Progress& p) { return ++calls < 3 && std::string(p.stage) != "refine"; };
    try {
        pairMatte(disc.imageView(), disc.trimapView(), options);
        ADD_FAILURE() << "not cancelled";
    } catch (const MatteError& e) {
        EXPECT_EQ(e.kind(), MatteError::Kind::cancelled);
        EXPECT_EQ(calls, 3);
    }
}

TEST(PairMatte, EmptyAndAllKnownReturnAtOnce) {
    const Disc disc;
    std::vector<std::uint8_t> allKnown = disc.trimap;
    for (auto& t : allKnown) t = t == 128 ? 255 : t;
    const Matte m = pairMatte(disc.imageView(), ArrayView::columnMajor(allKnown.data(), ElementType::uint8, disc.rows,
                                                                        disc.cols));
    for (std::size_t p = 0; p < allKnown.size(); ++p) EXPECT_EQ(m.alpha[p], allKnown[p] == 255 ? 1.0 : 0.0);
    const Matte empty = pairMatte(ArrayView::columnMajor(nullptr, ElementType::uint8, 0, 0, 3),
                                  ArrayView::columnMajor(nullptr, ElementType::uint8, 0, 0));
    EXPECT_TRUE(empty.alpha.empty());
}

}  // namespace
}  // namespace pairseek
