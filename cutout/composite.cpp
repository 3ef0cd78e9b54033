// Compositing a cut-out over a new background: alpha F + (1 - alpha) B.
#include "cutout.h"

namespace pairseek {

std::vector<double> composite(const double* foreground, const double* alpha, std::ptrdiff_t rows,
                              std::ptrdiff_t cols, const std::array<double, 3>& colour) {
    const std::ptrdiff_t n = rows * cols;
    std::vector<double> out(static_cast<std::size_t>(3 * n));
    for (std::ptrdiff_t k = 0; k < 3; ++k)
        for (std::ptrdiff_t i = 0; i < n; ++i)
            out[static_cast<std::size_t>(i + k * n)] =
                alpha[i] * foreground[i + k * n] + (1 - alpha[i]) * colour[static_cast<std::size_t>(k)];
    return out;
}

std::vector<double> composite(const double* foreground, const double* alpha, std::ptrdiff_t rows,
                              std::ptrdiff_t cols, const double* background) {
    const std::ptrdiff_t n = rows * cols;
    std::vector<double> out(static_cast<std::size_t>(3 * n));
    for (std::ptrdiff_t k = 0; k < 3; ++k)
        for (std::ptrdiff_t i = 0; i < n; ++i)
            out[static_cast<std::size_t>(i + k * n)] =
                alpha[i] * foreground[i + k * n] + (1 - alpha[i]) * background[i + k * n];
    return out;
}

}  // namespace pairseek
