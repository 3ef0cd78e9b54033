// The band solve: the matting Laplacian's lower triangle over the unknown pixels,
// assembled window by window straight into compressed storage, turned into the
// solver's segments (lowerSegments.h), then
// (L + diag(weight + pull weight)) x = weight .* target + pull - L_uk * alpha_k by
// conjugate gradients.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <new>

#include "bandRefine.h"
#include "conjugateGradient.h"
#include "hugePages.h"
#include "lowerSegments.h"

namespace pairseek {
namespace {


// Per pixel its 0-based unknown index, -1 if known.
std::vector<std::int32_t> unknownIndexOf(const RefineInput& in, const ParallelFor& parallel) {
    std::vector<std::int32_t> index;
    assignOnHugePages(index, static_cast<std::size_t>(in.rows * in.cols), std::int32_t{-1}, parallel);
    std::int32_t next = 0;
    for (std::size_t p = 0; p < index.size(); ++p)
        if (in.unknownMask[p]) index[p] = next++;
    return index;
}

// Image columns per part of the pattern's walks.
constexpr std::ptrdiff_t patternColumns = 64;

// Lower triangle's pattern, values zero: column j holds every unknown pixel within
// 2 * radius of j (the reach of a shared window) that follows j in column-major
// order, j itself first. Rows come in increasing order, as compressed storage needs.
// Counted per part of image columns, then each part fills its own stretch.
LowerTriangle lowerPattern(const RefineInput& in, const std::vector<std::int32_t>& unknownIndex, std::ptrdiff_t nU,
                    int radius, const ParallelFor& parallel) {
    const std::ptrdiff_t rows = in.rows, cols = in.cols, reach = 2 * radius;
    const std::ptrdiff_t parts = (cols + patternColumns - 1) / patternColumns;
    auto each = [&](std::ptrdiff_t part, auto&& visit) {
        for (std::ptrdiff_t c = part * patternColumns; c < std::min(cols, (part + 1) * patternColumns); ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const std::int32_t j = unknownIndex[static_cast<std::size_t>(r + c * rows)];
                if (j < 0) continue;
                for (std::ptrdiff_t dc = 0; dc <= reach && c + dc < cols; ++dc)
                    for (std::ptrdiff_t dr = dc == 0 ? 0 : -reach; dr <= reach; ++dr) {
                        if (r + dr < 0 || r + dr >= rows) continue;
                        const std::int32_t i = unknownIndex[static_cast<std::size_t>((r + dr) + (c + dc) * rows)];
                        if (i >= 0) visit(j, i);
                    }
            }
    };
    std::vector<std::int64_t> first(static_cast<std::size_t>(parts) + 1, 0);
    forParts(parallel, parts, [&](std::ptrdiff_t part) {
        std::int64_t count = 0;
        each(part, [&](std::int32_t, std::int32_t) { ++count; });
        first[static_cast<std::size_t>(part) + 1] = count;
    });
    for (std::size_t k = 0; k < static_cast<std::size_t>(parts); ++k) first[k + 1] += first[k];
    // Compressed storage counts in int: a band beyond that is more than the memory holds anyway.
    if (first.back() > std::numeric_limits<int>::max()) throw std::bad_alloc();
    LowerTriangle matrix;
    matrix.n = nU;
    matrix.outer.resize(static_cast<std::size_t>(nU) + 1);
    const auto entries = static_cast<std::size_t>(first.back());
    matrix.inner.reset(new int[entries]);
    preferHugePages(matrix.inner.get(), entries * sizeof(int));
    matrix.values.reset(new float[entries]);
    preferHugePages(matrix.values.get(), entries * sizeof(float));
    resizeAdvised(matrix.diagonal, static_cast<std::size_t>(nU), parallel);
    int* outer = matrix.outer.data();
    int* inner = matrix.inner.get();
    float* values = matrix.values.get();
    forParts(parallel, parts, [&](std::ptrdiff_t part) {
        auto at = static_cast<int>(first[static_cast<std::size_t>(part)]);
        const auto end = static_cast<int>(first[static_cast<std::size_t>(part) + 1]);
        std::fill(values + at, values + end, 0.0f);
        each(part, [&](std::int32_t j, std::int32_t i) {
            if (i == j) outer[j] = at;   // each column starts at its diagonal entry
            inner[at++] = i;
        });
    });
    outer[nU] = static_cast<int>(first.back());
    return matrix;
}

// Adds every window inside the image centred in columns wcFirst .. wcLast - 1
// that holds an unknown pixel: its Laplacian's entries between unknown pixels
// into the matrix, its coupling to the known pixels into knownPart.
void assembleWindows(const RefineInput& in, const std::vector<std::int32_t>& unknownIndex, int radius,
                     double epsilon, std::ptrdiff_t wcFirst, std::ptrdiff_t wcLast, LowerTriangle& matrix,
                     std::vector<double>& knownPart) {
    const std::ptrdiff_t rows = in.rows, cols = in.cols, planeSize = rows * cols;
    const std::ptrdiff_t side = 2 * radius + 1, n = side * side;
    std::vector<std::ptrdiff_t> offset(static_cast<std::size_t>(n));
    for (std::ptrdiff_t a = 0; a < n; ++a) offset[static_cast<std::size_t>(a)] = (a % side - radius) + (a / side - radius) * rows;
    std::vector<double> d(static_cast<std::size_t>(3 * n)), v(static_cast<std::size_t>(3 * n));
    const double count = static_cast<double>(n);
    const int* outer = matrix.outer.data();
    const int* inner = matrix.inner.get();
    float* values = matrix.values.get();
    double* diagonal = matrix.diagonal.data();

    for (std::ptrdiff_t wc = std::max<std::ptrdiff_t>(wcFirst, radius); wc < std::min(wcLast, cols - radius); ++wc)
        for (std::ptrdiff_t wr = radius; wr < rows - radius; ++wr) {
            const std::ptrdiff_t centre = wr + wc * rows;
            bool holdsUnknown = false;
            for (std::ptrdiff_t a = 0; a < n && !holdsUnknown; ++a)
                holdsUnknown = in.unknownMask[centre + offset[static_cast<std::size_t>(a)]] != 0;
            if (!holdsUnknown) continue;

            double mean[3] = {0, 0, 0};
            for (std::ptrdiff_t a = 0; a < n; ++a)
                for (int k = 0; k < 3; ++k) mean[k] += in.image[centre + offset[static_cast<std::size_t>(a)] + k * planeSize];
            for (double& m : mean) m /= count;
            double s[6] = {0, 0, 0, 0, 0, 0};   // rr rg rb gg gb bb
            for (std::ptrdiff_t a = 0; a < n; ++a) {
                double* da = &d[static_cast<std::size_t>(3 * a)];
                for (int k = 0; k < 3; ++k)
                    da[k] = in.image[centre + offset[static_cast<std::size_t>(a)] + k * planeSize] - mean[k];
                s[0] += da[0] * da[0], s[1] += da[0] * da[1], s[2] += da[0] * da[2];
                s[3] += da[1] * da[1], s[4] += da[1] * da[2], s[5] += da[2] * da[2];
            }
            const double e = epsilon / count;
            const double srr = s[0] / count + e, srg = s[1] / count, srb = s[2] / count;
            const double sgg = s[3] / count + e, sgb = s[4] / count, sbb = s[5] / count + e;
            // Inverse of the window's regularised covariance, by cofactors.
            const double c11 = sgg * sbb - sgb * sgb, c12 = srb * sgb - srg * sbb, c13 = srg * sgb - srb * sgg;
            const double c22 = srr * sbb - srb * srb, c23 = srb * srg - srr * sgb, c33 = srr * sgg - srg * srg;
            const double det = srr * c11 + srg * c12 + srb * c13;
            for (std::ptrdiff_t a = 0; a < n; ++a) {
                const double* da = &d[static_cast<std::size_t>(3 * a)];
                double* va = &v[static_cast<std::size_t>(3 * a)];
                va[0] = (c11 * da[0] + c12 * da[1] + c13 * da[2]) / det;
                va[1] = (c12 * da[0] + c22 * da[1] + c23 * da[2]) / det;
                va[2] = (c13 * da[0] + c23 * da[1] + c33 * da[2]) / det;
            }

            // Column of each unknown slot a: the slots b >= a follow it in column-major
            // order, so one walk along the column finds their rows.
            for (std::ptrdiff_t a = 0; a < n; ++a) {
                const std::ptrdiff_t pa = centre + offset[static_cast<std::size_t>(a)];
                const std::int32_t j = unknownIndex[static_cast<std::size_t>(pa)];
                const double* va = &v[static_cast<std::size_t>(3 * a)];
                auto entry = [&](std::ptrdiff_t b) {
                    const double* db = &d[static_cast<std::size_t>(3 * b)];
                    const double value = -(1 + va[0] * db[0] + va[1] * db[1] + va[2] * db[2]) / count;
                    return a == b ? value + 1 : value;
                };
                if (j < 0) {
                    // Known pixel a: its coupling to the window's unknown pixels.
                    const double known = in.knownAlpha[pa];
                    if (known == 0) continue;
                    for (std::ptrdiff_t b = 0; b < n; ++b) {
                        const std::int32_t i = unknownIndex[static_cast<std::size_t>(centre + offset[static_cast<std::size_t>(b)])];
                        if (i >= 0) knownPart[static_cast<std::size_t>(i)] += entry(b) * known;
                    }
                    continue;
                }
                int k = outer[j];
                for (std::ptrdiff_t b = a; b < n; ++b) {
                    const std::int32_t i = unknownIndex[static_cast<std::size_t>(centre + offset[static_cast<std::size_t>(b)])];
                    if (i < 0) continue;
                    while (inner[k] < i) ++k;
                    if (i == j) diagonal[j] += entry(b);
                    else values[k] = static_cast<float>(values[k] + entry(b));
                }
            }
        }
}

// Windows in bands of columns: a band's windows reach radius columns beyond it,
// so bands two apart share no pixel and run at once, even bands before odd ones.
// Bands follow from the image alone, so every thread count adds in the same order.
void assembleInBands(const RefineInput& in, const std::vector<std::int32_t>& unknownIndex, int radius,
                     double epsilon, LowerTriangle& matrix, std::vector<double>& knownPart, const ParallelFor& parallel) {
    const std::ptrdiff_t band = std::max<std::ptrdiff_t>(64, 2 * radius + 1);
    const std::ptrdiff_t bands = (in.cols + band - 1) / band;
    for (std::ptrdiff_t parity = 0; parity < 2; ++parity) {
        const std::function<void(std::ptrdiff_t)> task = [&](std::ptrdiff_t part) {
            const std::ptrdiff_t k = 2 * part + parity;
            assembleWindows(in, unknownIndex, radius, epsilon, k * band, (k + 1) * band, matrix, knownPart);
        };
        forParts(parallel, (bands - parity + 1) / 2, task);
    }
}

}  // namespace

std::vector<double> refineBand(const RefineInput& in, const RefineParams& params, const ParallelFor& parallel) {
    // The guided filter's matte is a close start: conjugate gradients then need few iterations.
    return refineBand(in, params, guidedBand(in, params.guidedRadius, params.epsilon, parallel), parallel);
}

std::vector<double> refineBand(const RefineInput& in, const RefineParams& params, std::vector<double> start,
                               const ParallelFor& parallel) {
    const auto nU = static_cast<std::ptrdiff_t>(start.size());
    if (nU == 0) return start;
    std::vector<double> knownPart;
    resizeAdvised(knownPart, static_cast<std::size_t>(nU), parallel);
    std::vector<std::int32_t> unknownIndex = unknownIndexOf(in, parallel);
    LowerTriangle matrix = lowerPattern(in, unknownIndex, nU, params.radius, parallel);
    assembleInBands(in, unknownIndex, params.radius, params.epsilon, matrix, knownPart, parallel);
    const KnownPull pull = knownPull(in.image, in.knownAlpha, in.rows, in.cols, unknownIndex, nU, params.knownPull, parallel);
    unknownIndex = {};

    // A pixel whose windows all lie outside the image has no row in L: the floor
    // keeps the system definite there, and is too small to matter elsewhere.
    std::vector<double>& rhs = knownPart;
    for (std::ptrdiff_t j = 0; j < nU; ++j) {
        const auto u = static_cast<std::size_t>(j);
        const double weight = std::max(params.lambda * in.confidence[j], 1e-9);
        matrix.diagonal[u] += (weight + pull.weight[u]) + params.startTie;
        rhs[u] = ((weight * in.target[j] - knownPart[u]) + pull.pull[u]) + params.startTie * start[u];
    }
    const SegmentedMatrix segmented(std::move(matrix));

    // Jacobi preconditioning: an incomplete factor costs more to build than the
    // few iterations it saves from the guided start.
    conjugateGradient(segmented.view(), rhs.data(), start.data(), params.tolerance, params.maxIterations, parallel);
    for (double& x : start) x = std::min(std::max(x, 0.0), 1.0);
    return start;
}

}  // namespace pairseek
