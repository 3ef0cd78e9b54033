// The pull towards colour-matched known pixels (see knownPull.h): each unknown
// pixel keeps its nearest known candidates in a small sorted list.
#include "knownPull.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "hugePages.h"

namespace pairseek {
namespace {

// Unknown pixels per part.
constexpr std::ptrdiff_t pullPart = 4096;

// A candidate's place in the window: its offset, the position part of its
// distance and its rank in window order (column by column, top to bottom).
struct Offset {
    std::ptrdiff_t dr, dc;
    double position2;
    std::ptrdiff_t rank;
};

struct Candidate {
    double distance2;
    std::ptrdiff_t rank, cell;
};

// Nearer first; among equal distances the earlier in window order.
bool nearer(const Candidate& a, const Candidate& b) {
    return a.distance2 < b.distance2 || (a.distance2 == b.distance2 && a.rank < b.rank);
}

}  // namespace

KnownPull knownPull(const double* image, const double* knownAlpha, std::ptrdiff_t rows, std::ptrdiff_t cols,
                    const std::vector<std::int32_t>& unknownIndex, std::ptrdiff_t nU, const KnownPullParams& params,
                    const ParallelFor& parallel) {
    KnownPull out;
    assignOnHugePages(out.weight, static_cast<std::size_t>(nU), 0.0, parallel);
    assignOnHugePages(out.pull, static_cast<std::size_t>(nU), 0.0, parallel);
    if (!(params.strength > 0) || params.neighbours <= 0 || nU == 0) return out;

    const std::ptrdiff_t planeSize = rows * cols;
    std::vector<std::ptrdiff_t> cellOf;
    resizeAdvised(cellOf, static_cast<std::size_t>(nU), parallel);
    inColumnParts(cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t p = firstColumn * rows; p < lastColumn * rows; ++p) {
            const std::int32_t i = unknownIndex[static_cast<std::size_t>(p)];
            if (i >= 0) cellOf[static_cast<std::size_t>(i)] = p;
        }
    });
    const auto k = static_cast<std::size_t>(params.neighbours);
    const double position2 = params.positionScale * params.positionScale;
    const double feature2 = params.featureScale * params.featureScale;
    const std::ptrdiff_t reach = params.radius, step = std::max(1, params.stride);
    const std::ptrdiff_t lastOffset = -reach + (2 * reach / step) * step;   // the window's last row offset

    // Most of a wide band sees no known pixel in its window: a running count of the
    // known pixels every step-th row down each column finds those pixels with two
    // reads per window column instead of a read per candidate.
    std::vector<std::int32_t> knownAbove;
    resizeAdvised(knownAbove, static_cast<std::size_t>(planeSize), parallel);
    inColumnParts(cols, parallel, [&](std::ptrdiff_t firstColumn, std::ptrdiff_t lastColumn) {
        for (std::ptrdiff_t c = firstColumn; c < lastColumn; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                const std::ptrdiff_t p = r + c * rows;
                knownAbove[static_cast<std::size_t>(p)] = (unknownIndex[static_cast<std::size_t>(p)] < 0 ? 1 : 0) +
                                                          (r >= step ? knownAbove[static_cast<std::size_t>(p - step)] : 0);
            }
    });
    const auto windowHoldsKnown = [&](std::ptrdiff_t pr, std::ptrdiff_t pc) {
        std::ptrdiff_t first = pr - reach, last = pr + lastOffset;
        if (first < 0) first += (-first + step - 1) / step * step;
        if (last >= rows) last -= (last - rows + step) / step * step;
        if (first > last) return false;
        for (std::ptrdiff_t dc = -reach; dc <= reach; dc += step) {
            if (pc + dc < 0 || pc + dc >= cols) continue;
            const std::size_t column = static_cast<std::size_t>((pc + dc) * rows);
            const std::int32_t above = first >= step ? knownAbove[column + static_cast<std::size_t>(first - step)] : 0;
            if (knownAbove[column + static_cast<std::size_t>(last)] > above) return true;
        }
        return false;
    };
    // The window's offsets by their position part alone: once the list is full and
    // that part exceeds its farthest distance, no later offset can enter it.
    std::vector<Offset> offsets;
    for (std::ptrdiff_t dc = -reach; dc <= reach; dc += step)
        for (std::ptrdiff_t dr = -reach; dr <= reach; dr += step)
            offsets.push_back({dr, dc, position2 * static_cast<double>(dr * dr + dc * dc),
                               static_cast<std::ptrdiff_t>(offsets.size())});
    std::sort(offsets.begin(), offsets.end(), [](const Offset& a, const Offset& b) {
        return a.position2 < b.position2 || (a.position2 == b.position2 && a.rank < b.rank);
    });
    const std::function<void(std::ptrdiff_t)> part = [&](std::ptrdiff_t t) {
        std::vector<Candidate> best;
        best.reserve(k + 1);
        for (std::ptrdiff_t i = t * pullPart; i < std::min(nU, (t + 1) * pullPart); ++i) {
            const std::ptrdiff_t p = cellOf[static_cast<std::size_t>(i)], pr = p % rows, pc = p / rows;
            if (!windowHoldsKnown(pr, pc)) continue;   // no pull: weight and pull stay 0
            const double colour[3] = {image[p], image[p + planeSize], image[p + 2 * planeSize]};
            best.clear();
            for (const Offset& o : offsets) {
                if (best.size() == k && o.position2 > best.back().distance2) break;
                if (pc + o.dc < 0 || pc + o.dc >= cols || pr + o.dr < 0 || pr + o.dr >= rows) continue;
                const std::ptrdiff_t q = p + o.dr + o.dc * rows;
                if (unknownIndex[static_cast<std::size_t>(q)] >= 0) continue;
                const double e0 = image[q] - colour[0], e1 = image[q + planeSize] - colour[1],
                             e2 = image[q + 2 * planeSize] - colour[2];
                const Candidate c{((e0 * e0 + e1 * e1) + e2 * e2) + o.position2, o.rank, q};
                if (best.size() == k && !nearer(c, best.back())) continue;
                best.insert(std::upper_bound(best.begin(), best.end(), c, nearer), c);
                if (best.size() > k) best.pop_back();
            }
            double weight = 0, pull = 0;
            for (const Candidate& c : best) {
                const double w = params.strength * std::exp(-c.distance2 / feature2);
                weight += w;
                pull += w * knownAlpha[c.cell];
            }
            out.weight[static_cast<std::size_t>(i)] = weight;
            out.pull[static_cast<std::size_t>(i)] = pull;
        }
    };
    const std::ptrdiff_t parts = (nU + pullPart - 1) / pullPart;
    forParts(parallel, parts, part);
    return out;
}

}  // namespace pairseek
