// The public cut-out functions over caller arrays: they read views as the matte
// does, and reject what it rejects, naming the argument.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pairseek.h"

namespace pairseek {
namespace {

constexpr std::ptrdiff_t rows = 6, cols = 8;

// Red over blue, alpha falling from 1 to 0 across the columns; interleaved uint8.
struct Blend {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(rows * cols * 3);
    std::vector<double> alpha = std::vector<double>(rows * cols);   // row after row
    Blend() {
        for (std::ptrdiff_t r = 0; r < rows; ++r)
            for (std::ptrdiff_t c = 0; c < cols; ++c) {
                const double a = 1.0 - static_cast<double>(c) / (cols - 1);
                alpha[static_cast<std::size_t>(r * cols + c)] = a;
                const double fg[3] = {0.8, 0.2, 0.1}, bg[3] = {0.1, 0.3, 0.9};
                for (int k = 0; k < 3; ++k)
                    image[static_cast<std::size_t>((r * cols + c) * 3 + k)] =
                        static_cast<std::uint8_t>(255 * (a * fg[k] + (1 - a) * bg[k]) + 0.5);
            }
    }
    ArrayView imageView() const { return ArrayView::interleaved(image.data(), ElementType::uint8, rows, cols, 3); }
    ArrayView alphaView() const { return ArrayView::interleaved(alpha.data(), ElementType::float64, rows, cols); }
};

TEST(Cutouts, ForegroundAndCompositeFromViews) {
    const Blend blend;
    const ForegroundColours colours = estimateForeground(blend.imageView(), blend.alphaView());
    ASSERT_EQ(colours.foreground.planes.size(), static_cast<std::size_t>(3 * rows * cols));
    // Where alpha is 1 the foreground is the image; the blend's F stays near red.
    EXPECT_NEAR(colours.foreground.planes[0], 0.8, 1e-2);
    EXPECT_NEAR(colours.foreground.planes[static_cast<std::size_t>(2 * rows + 1)], 0.8, 0.05);

    const ArrayView front = ArrayView::columnMajor(colours.foreground.planes.data(), ElementType::float64, rows, cols, 3);
    const ColourImage white = composite(front, blend.alphaView(), 1.0, 1.0, 1.0);
    const std::size_t lastColumn = static_cast<std::size_t>((cols - 1) * rows);
    EXPECT_DOUBLE_EQ(white.planes[lastColumn], 1.0);   // alpha 0: the new background alone
    EXPECT_NEAR(white.planes[0], 0.8, 1e-2);
}

TEST(Cutouts, TrimapFromAnyMaskType) {
    std::vector<std::uint8_t> mask(40 * 40, 0);
    for (std::ptrdiff_t c = 10; c < 30; ++c)
        for (std::ptrdiff_t r = 10; r < 30; ++r) mask[static_cast<std::size_t>(r + c * 40)] = 255;
    TrimapOptions options;
    options.band = 3;
    const std::vector<std::uint8_t> trimap =
        trimapFromMask(ArrayView::columnMajor(mask.data(), ElementType::uint8, 40, 40), options);
    EXPECT_EQ(trimap[20 + 20 * 40], 255);
    EXPECT_EQ(trimap[0], 0);
    EXPECT_EQ(trimap[10 + 20 * 40], 128);
}

TEST(Cutouts, Rejections) {
    const Blend blend;
    std::vector<double> wideAlpha = blend.alpha;
    wideAlpha[3] = 255;
    const std::vector<std::uint8_t> empty(16, 0);
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* code;
    };
    const Case cases[] = {
        {"alpha in 0..255",
         [&] { estimateForeground(blend.imageView(), ArrayView::interleaved(wideAlpha.data(), ElementType::float64, rows, cols)); },
         "alphaRange"},
        {"alpha of another size",
         [&] { estimateForeground(blend.imageView(), ArrayView::interleaved(blend.alpha.data(), ElementType::float64, rows - 1, cols)); },
         "sizeMismatch"},
        {"colour above 1", [&] { composite(blend.imageView(), blend.alphaView(), 0, 2, 0); }, "colourRange"},
        {"empty mask", [&] { trimapFromMask(ArrayView::columnMajor(empty.data(), ElementType::uint8, 4, 4)); }, "emptyMask"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "accepted";
        } catch (const MatteError& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
        }
    }
}

}  // namespace
}  // namespace pairseek
