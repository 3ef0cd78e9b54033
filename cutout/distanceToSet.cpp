// Exact Euclidean distance transform: squared distances to the set along each
// column, then along each row the lower envelope of the parabolas
// (x - q)^2 + column(q), which is exact for the squared Euclidean distance.
#include <cmath>
#include <limits>

#include "cutout.h"

namespace pairseek {
namespace {

// Lower envelope of f over 0..n-1 into out (stride-free scratch: vertex, boundary).
void envelope(const double* f, std::ptrdiff_t n, double* out, std::ptrdiff_t* vertex, double* boundary) {
    const double inf = std::numeric_limits<double>::infinity();
    std::ptrdiff_t hull = -1;
    for (std::ptrdiff_t q = 0; q < n; ++q) {
        if (f[q] == inf) continue;
        const double fq = f[q] + static_cast<double>(q) * static_cast<double>(q);
        double s = -inf;
        while (hull >= 0) {
            const std::ptrdiff_t p = vertex[hull];
            const double fp = f[p] + static_cast<double>(p) * static_cast<double>(p);
            // Where the parabolas of p and q cross.
            s = (fq - fp) / (2.0 * static_cast<double>(q - p));
            if (s > boundary[hull]) break;
            --hull;
        }
        ++hull;
        vertex[hull] = q;
        boundary[hull] = hull == 0 ? -inf : s;
    }
    if (hull < 0) {
        for (std::ptrdiff_t x = 0; x < n; ++x) out[x] = inf;
        return;
    }
    std::ptrdiff_t k = 0;
    for (std::ptrdiff_t x = 0; x < n; ++x) {
        while (k < hull && boundary[k + 1] < static_cast<double>(x)) ++k;
        const double d = static_cast<double>(x - vertex[k]);
        out[x] = d * d + f[vertex[k]];
    }
}

}  // namespace

std::vector<double> distanceToSet(const std::uint8_t* inSet, std::ptrdiff_t rows, std::ptrdiff_t cols) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::ptrdiff_t n = rows * cols;
    std::vector<double> squared(static_cast<std::size_t>(n));
    // Down each column: squared distance to the nearest set pixel in that column.
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        double* column = squared.data() + c * rows;
        double run = inf;
        for (std::ptrdiff_t r = 0; r < rows; ++r) {
            run = inSet[r + c * rows] ? 0 : run + 1;
            column[r] = run;
        }
        run = inf;
        for (std::ptrdiff_t r = rows; r-- > 0;) {
            run = inSet[r + c * rows] ? 0 : run + 1;
            if (run < column[r]) column[r] = run;
        }
        for (std::ptrdiff_t r = 0; r < rows; ++r) column[r] = column[r] == inf ? inf : column[r] * column[r];
    }
    // Along each row: the lower envelope over the columns.
    std::vector<double> line(static_cast<std::size_t>(cols)), result(static_cast<std::size_t>(cols)),
        boundary(static_cast<std::size_t>(cols));
    std::vector<std::ptrdiff_t> vertex(static_cast<std::size_t>(cols));
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        for (std::ptrdiff_t c = 0; c < cols; ++c) line[static_cast<std::size_t>(c)] = squared[static_cast<std::size_t>(r + c * rows)];
        envelope(line.data(), cols, result.data(), vertex.data(), boundary.data());
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            squared[static_cast<std::size_t>(r + c * rows)] = std::sqrt(result[static_cast<std::size_t>(c)]);
    }
    return squared;
}

}  // namespace pairseek
