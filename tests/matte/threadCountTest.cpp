// The pipeline on its threads: any thread count gives the same matte, bit for
// bit, and the parallel schedule of the search passes mattes as well as the
// sequential passes. The scene is large enough for several strips of the
// search, several chunks of the solve and several bands of its assembly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pairseek.h"
#include "schedule.h"

namespace pairseek {
namespace {

// A wavy soft edge across the image between two textured colours, 8-bit
// column-major planes, its true alpha, and a trimap whose unknown band (about
// 77000 pixels, 640 columns) spans several strips, chunks, bands and parts.
struct WavyEdge {
    std::ptrdiff_t rows = 200, cols = 640;
    std::vector<std::uint8_t> image, trimap;
    std::vector<double> alpha;
    WavyEdge() {
        const auto plane = static_cast<std::size_t>(rows * cols);
        image.resize(3 * plane);
        trimap.resize(plane);
        alpha.resize(plane);
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const double rd = static_cast<double>(r), cd = static_cast<double>(c);
                const double edge = 100 + 30 * std::sin(cd / 23.0);
                const double a = std::min(std::max((edge - rd) / 30 + 0.5, 0.0), 1.0);
                const double fg[3] = {0.8 + 0.1 * std::sin(rd / 3 + cd / 5), 0.45 + 0.2 * std::cos(cd / 7), 0.2};
                const double bg[3] = {0.15, 0.3 + 0.2 * std::sin(cd / 4 - rd / 9), 0.7 + 0.15 * std::cos(rd / 5)};
                const auto at = static_cast<std::size_t>(r + c * rows);
                for (std::size_t k = 0; k < 3; ++k)
                    image[at + k * plane] = static_cast<std::uint8_t>(std::lround(255 * (a * fg[k] + (1 - a) * bg[k])));
                alpha[at] = a;
                trimap[at] = std::fabs(rd - edge) > 60 ? (rd < edge ? 255 : 0) : 128;
            }
    }
    ArrayView imageView() const { return ArrayView::columnMajor(image.data(), ElementType::uint8, rows, cols, 3); }
    ArrayView trimapView() const { return ArrayView::columnMajor(trimap.data(), ElementType::uint8, rows, cols); }
    double sad(const Matte& m) const {
        double sum = 0;
        for (std::size_t p = 0; p < trimap.size(); ++p)
            if (trimap[p] == 128) sum += std::fabs(m.alpha[p] - alpha[p]);
        return sum / 1000;
    }
};

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(ThreadCount, AnyNumberOfThreadsGivesTheSameMatte) {
    const WavyEdge scene;
    for (const bool refine : {false, true}) {
        SCOPED_TRACE(refine ? "refined" : "search alone");
        MatteOptions options;
        options.refine = refine;
        options.passes = 4;
        options.threads = 1;
        const Matte one = pairMatte(scene.imageView(), scene.trimapView(), options);
        for (const int threads : {2, 3, 0}) {
            options.threads = threads;
            const Matte many = pairMatte(scene.imageView(), scene.trimapView(), options);
            EXPECT_TRUE(sameBits(many.alpha, one.alpha)) << threads << " threads";
            EXPECT_TRUE(sameBits(many.foreground, one.foreground)) << threads << " threads";
        }
    }
}

// Strips see their left neighbours' pairs of the previous pass, not this one's:
// the matte differs from the sequential one, its error must not grow.
TEST(ThreadCount, StripScheduleMattesAsWellAsTheSequentialPasses) {
    const WavyEdge scene;
    for (const bool refine : {false, true}) {
        SCOPED_TRACE(refine ? "refined" : "search alone");
        MatteOptions options;
        options.refine = refine;
        const Matte strips = pairMatte(scene.imageView(), scene.trimapView(), options);
        const Matte sequential = detail::pairMatteInStrips(scene.imageView(), scene.trimapView(), options, PTRDIFF_MAX);
        EXPECT_FALSE(sameBits(strips.alpha, sequential.alpha)) << "the scene should span several strips";
        EXPECT_LE(scene.sad(strips), 1.05 * scene.sad(sequential));
    }
}

// Below two strips' worth of unknown pixels the schedule is the sequential pass.
TEST(ThreadCount, SmallImagesRunTheSequentialPasses) {
    WavyEdge scene;
    for (std::size_t p = 0; p < scene.trimap.size(); ++p)
        if (scene.trimap[p] == 128 && p / static_cast<std::size_t>(scene.rows) > 200) scene.trimap[p] = 0;
    MatteOptions options;
    options.refine = false;
    const Matte strips = pairMatte(scene.imageView(), scene.trimapView(), options);
    const Matte sequential = detail::pairMatteInStrips(scene.imageView(), scene.trimapView(), options, PTRDIFF_MAX);
    EXPECT_TRUE(sameBits(strips.alpha, sequential.alpha));
}

}  // namespace
}  // namespace pairseek
