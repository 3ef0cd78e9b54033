// estimateForeground on blends of known colours: the compositing equation
// holds, the known colours come back, and the known pixels keep the image.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "cutout.h"

using namespace pairseek;

namespace {

struct Blend {
    std::ptrdiff_t rows, cols;
    std::vector<double> image, alpha;
};

// alpha F + (1 - alpha) B with one colour each for F and B.
Blend blendOf(std::vector<double> alpha, std::ptrdiff_t rows, std::ptrdiff_t cols, const double (&fg)[3],
              const double (&bg)[3]) {
    Blend b{rows, cols, std::vector<double>(std::size_t(3 * rows * cols)), std::move(alpha)};
    const std::ptrdiff_t n = rows * cols;
    for (std::ptrdiff_t k = 0; k < 3; ++k)
        for (std::ptrdiff_t i = 0; i < n; ++i)
            b.image[std::size_t(i + k * n)] = b.alpha[std::size_t(i)] * fg[k] + (1 - b.alpha[std::size_t(i)]) * bg[k];
    return b;
}

// Opaque on the left, clear on the right, a soft edge between whose alpha also
// varies down the rows (a strand-like ripple).
std::vector<double> softEdge(std::ptrdiff_t rows, std::ptrdiff_t cols) {
    std::vector<double> alpha(std::size_t(rows * cols));
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        for (std::ptrdiff_t r = 0; r < rows; ++r) {
            const double ramp = 1.0 - double(c - cols / 3) / double(cols / 3) + 0.2 * std::sin(double(r));
            alpha[std::size_t(r + c * rows)] = std::fmin(1.0, std::fmax(0.0, ramp));
        }
    return alpha;
}

TEST(EstimateForeground, RecoversTheColoursOfATwoColourBlend) {
    const double fg[3] = {0.9, 0.2, 0.1}, bg[3] = {0.1, 0.5, 0.8};
    struct Case { const char* name; std::ptrdiff_t rows, cols; };
    for (const Case& c : {Case{"square", 48, 48}, Case{"wide", 20, 90}, Case{"odd sides", 37, 53}}) {
        SCOPED_TRACE(c.name);
        const Blend b = blendOf(softEdge(c.rows, c.cols), c.rows, c.cols, fg, bg);
        const ForegroundEstimate e = estimateForeground(b.image.data(), b.alpha.data(), b.rows, b.cols);
        const std::ptrdiff_t n = b.rows * b.cols;
        double worstF = 0, worstB = 0;
        for (std::ptrdiff_t i = 0; i < n; ++i)
            for (std::ptrdiff_t k = 0; k < 3; ++k) {
                const double a = b.alpha[std::size_t(i)];
                // As a cut-out shows them: alpha F and (1 - alpha) B (a faint pixel
                // barely fixes its F).
                worstF = std::fmax(worstF, a * std::fabs(e.foreground[std::size_t(i + k * n)] - fg[k]));
                worstB = std::fmax(worstB, (1 - a) * std::fabs(e.background[std::size_t(i + k * n)] - bg[k]));
            }
        EXPECT_LT(worstF, 0.01);
        EXPECT_LT(worstB, 0.01);
    }
}

TEST(EstimateForeground, KnownPixelsKeepTheImageAndBlendsHold) {
    // A smoothly varying image under a soft matte: F is the image where alpha = 1,
    // B where alpha = 0, and the estimate explains the image where 0 < alpha < 1.
    const std::ptrdiff_t rows = 40, cols = 50, n = rows * cols;
    std::vector<double> image(std::size_t(3 * n)), alpha = softEdge(rows, cols);
    for (std::ptrdiff_t k = 0; k < 3; ++k)
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r)
                image[std::size_t(r + c * rows + k * n)] =
                    0.5 + 0.4 * std::sin(0.15 * double(r) * double(k + 1) + 0.1 * double(c));
    const ForegroundEstimate e = estimateForeground(image.data(), alpha.data(), rows, cols);
    double residual = 0;
    std::ptrdiff_t blended = 0;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double a = alpha[std::size_t(i)];
        for (std::ptrdiff_t k = 0; k < 3; ++k) {
            const std::size_t at = std::size_t(i + k * n);
            ASSERT_GE(e.foreground[at], 0.0);
            ASSERT_LE(e.foreground[at], 1.0);
            ASSERT_GE(e.background[at], 0.0);
            ASSERT_LE(e.background[at], 1.0);
            if (a == 1) {
                ASSERT_EQ(e.foreground[at], image[at]);
            }
            if (a == 0) {
                ASSERT_EQ(e.background[at], image[at]);
            }
            if (a > 0 && a < 1) residual += std::fabs(a * e.foreground[at] + (1 - a) * e.background[at] - image[at]);
        }
        blended += a > 0 && a < 1;
    }
    ASSERT_GT(blended, 0);
    EXPECT_LT(residual / double(3 * blended), 0.01);
}

TEST(EstimateForeground, SmallAndThinGrids) {
    struct Case { std::ptrdiff_t rows, cols; };
    for (const Case& c : {Case{0, 0}, Case{0, 5}, Case{1, 1}, Case{1, 2}, Case{2, 1}, Case{1, 17}, Case{17, 1},
                          Case{3, 3}}) {
        SCOPED_TRACE(std::to_string(c.rows) + "x" + std::to_string(c.cols));
        const std::ptrdiff_t n = c.rows * c.cols;
        std::vector<double> image(std::size_t(3 * n)), alpha(static_cast<std::size_t>(n));
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            alpha[std::size_t(i)] = double(i % 3) / 2;
            for (std::ptrdiff_t k = 0; k < 3; ++k) image[std::size_t(i + k * n)] = double((i + k) % 5) / 4;
        }
        const ForegroundEstimate e = estimateForeground(image.data(), alpha.data(), c.rows, c.cols);
        ASSERT_EQ(e.foreground.size(), std::size_t(3 * n));
        ASSERT_EQ(e.background.size(), std::size_t(3 * n));
        for (std::size_t at = 0; at < e.foreground.size(); ++at) {
            EXPECT_TRUE(e.foreground[at] >= 0 && e.foreground[at] <= 1) << at;
            EXPECT_TRUE(e.background[at] >= 0 && e.background[at] <= 1) << at;
        }
        if (n == 1) {
            EXPECT_EQ(e.foreground, image);
        }   // no neighbours: the pixel's own colour
    }
}

// One thread per part, all at once, as lanes of a sweep need.
void onThreads(std::ptrdiff_t parts, const std::function<void(std::ptrdiff_t)>& task) {
    std::vector<std::thread> threads;
    for (std::ptrdiff_t k = 1; k < parts; ++k) threads.emplace_back(task, k);
    task(0);
    for (std::thread& t : threads) t.join();
}

TEST(EstimateForeground, LanesGiveTheSameColours) {
    // Tall enough for three lanes of rows; parts run in order on one thread too.
    const std::ptrdiff_t rows = 900, cols = 70, n = rows * cols;
    std::vector<double> image(std::size_t(3 * n)), alpha = softEdge(rows, cols);
    for (std::ptrdiff_t i = 0; i < 3 * n; ++i) image[std::size_t(i)] = 0.5 + 0.45 * std::sin(0.37 * double(i));
    const ForegroundEstimate one = estimateForeground(image.data(), alpha.data(), rows, cols);
    struct Case { const char* name; ParallelFor parallel; int lanes; };
    const Case cases[] = {{"2 threads", onThreads, 2}, {"3 threads", onThreads, 3}, {"3 lanes in order", {}, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ForegroundEstimate e = estimateForeground(image.data(), alpha.data(), rows, cols, {}, c.parallel, c.lanes);
        EXPECT_EQ(e.foreground, one.foreground);
        EXPECT_EQ(e.background, one.background);
    }
}

TEST(EstimateForeground, RejectsBadOptions) {
    const std::vector<double> image(12, 0.5), alpha(4, 0.5);
    const auto run = [&](ForegroundOptions o) { estimateForeground(image.data(), alpha.data(), 2, 2, o); };
    ForegroundOptions o;
    o.regularization = 0;
    EXPECT_THROW(run(o), std::invalid_argument);
    o = {};
    o.backgroundGradient = -1;
    EXPECT_THROW(run(o), std::invalid_argument);
    o = {};
    o.foregroundGradient = std::nan("");
    EXPECT_THROW(run(o), std::invalid_argument);
    o = {};
    o.fineIterations = -1;
    EXPECT_THROW(run(o), std::invalid_argument);
}

}  // namespace
