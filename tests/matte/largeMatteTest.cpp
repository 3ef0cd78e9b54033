// A 48-Mpx photograph-sized matte with 10 % unknown pixels completes on the
// default options: a slow test, outside the default run (ctest -L slow).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "pairseek.h"

namespace pairseek {
namespace {

TEST(LargeMatte, FortyEightMegapixelsWithATenthUnknown) {
    const std::ptrdiff_t rows = 6000, cols = 8000, plane = rows * cols;
    // Interleaved 8-bit pixels, as an image file gives them: a disc of one
    // texture over another, its edge band a tenth of the image.
    std::vector<std::uint8_t> image(static_cast<std::size_t>(3 * plane)), trimap(static_cast<std::size_t>(plane));
    const double radius = 2000, halfBand = 0.1 * static_cast<double>(plane) / (4 * M_PI * radius);
    std::ptrdiff_t unknown = 0;
    for (std::ptrdiff_t r = 0; r < rows; ++r)
        for (std::ptrdiff_t c = 0; c < cols; ++c) {
            const double d = std::hypot(static_cast<double>(r - rows / 2), static_cast<double>(c - cols / 2)) - radius;
            const double a = std::min(std::max(0.5 - d / 40, 0.0), 1.0);
            const auto at = static_cast<std::size_t>(r * cols + c);
            const double fg[3] = {200 + 30 * std::sin(static_cast<double>(r) / 9), 120, 40};
            const double bg[3] = {30, 90 + 40 * std::cos(static_cast<double>(c) / 13), 210};
            for (std::size_t k = 0; k < 3; ++k)
                image[3 * at + k] = static_cast<std::uint8_t>(std::lround(a * fg[k] + (1 - a) * bg[k]));
            trimap[at] = d < -halfBand ? 255 : d > halfBand ? 0 : 128;
            unknown += trimap[at] == 128;
        }
    const auto started = std::chrono::steady_clock::now();
    const Matte m = pairMatte(ArrayView::interleaved(image.data(), ElementType::uint8, rows, cols, 3),
                              ArrayView::interleaved(trimap.data(), ElementType::uint8, rows, cols));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%td x %td, %td unknown: %.1f s\n", rows, cols, unknown, seconds);
    EXPECT_NEAR(static_cast<double>(unknown) / static_cast<double>(plane), 0.1, 0.01);
    ASSERT_EQ(m.alpha.size(), static_cast<std::size_t>(plane));
    std::ptrdiff_t wrong = 0;
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r) {
            const double a = m.alphaAt(r, c);
            const std::uint8_t t = trimap[static_cast<std::size_t>(r * cols + c)];
            if (!(a >= 0 && a <= 1) || (t == 255 && a != 1) || (t == 0 && a != 0)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // The disc's centre row crosses the edge: alpha falls from 1 to 0 across it.
    EXPECT_GT(m.alphaAt(rows / 2, cols / 2 - 2000 + 20), 0.9);
    EXPECT_LT(m.alphaAt(rows / 2, cols / 2 - 2000 - 20), 0.1);
}

}  // namespace
}  // namespace pairseek
