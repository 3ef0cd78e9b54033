// The search pass as first written: entry pair, then the 3 x 3 window, then
// random rounds around the entry pair, each candidate scored by pairCost.
#include "referencePass.h"

#include <cmath>
#include <cstdint>

namespace pairseek::reference {

namespace {

Rgb colourAt(const SampleTable& table, std::ptrdiff_t i) {
    const std::ptrdiff_t n = table.count;
    return {table.colour[i], table.colour[n + i], table.colour[2 * n + i]};
}

Point positionAt(const SampleTable& table, std::ptrdiff_t i) {
    return {table.position[i], table.position[static_cast<std::ptrdiff_t>(table.count) + i]};
}

std::int32_t drawAround(int u, double radius, std::int32_t centre, Count count) {
    const double target = (u / 32767.0 * 2.0 - 1.0) * radius + centre + 0.5;
    const std::int64_t index = static_cast<std::int64_t>(target);
    if (index < 0) return 0;
    if (index > count - 1) return count - 1;
    return static_cast<std::int32_t>(index);
}

double radiusAt(Count count, double decay, int k) { return count * std::pow(decay, static_cast<double>(k)); }

}  // namespace

void searchPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                double* opacity, RandomSource& random) {
    const std::ptrdiff_t rows = indexMap.rows, cols = indexMap.cols;
    const Count nF = foreground.count, nB = background.count;

    for (std::ptrdiff_t i = 0; i < unknown.count; ++i) {
        const Point P = positionAt(unknown, i);
        const std::ptrdiff_t r = static_cast<std::ptrdiff_t>(P.row), c = static_cast<std::ptrdiff_t>(P.col);
        const Rgb I = colourAt(unknown, i);
        const double sF = fgScale[i], sB = bgScale[i];

        auto evaluate = [&](std::int32_t f, std::int32_t b) {
            return pairCost(I, colourAt(foreground, f), colourAt(background, b), P, positionAt(foreground, f),
                            positionAt(background, b), sF, sB, params.colourWeight);
        };

        const std::int32_t entryF = state.fgIndex[i], entryB = state.bgIndex[i];
        PairEvaluation best = evaluate(entryF, entryB);
        std::int32_t bestF = entryF, bestB = entryB;
        auto consider = [&](std::int32_t f, std::int32_t b) {
            const PairEvaluation e = evaluate(f, b);
            if (best.cost > e.cost) {
                best = e;
                bestF = f;
                bestB = b;
            }
        };

        for (std::ptrdiff_t rr = r - 1; rr <= r + 1; ++rr) {
            for (std::ptrdiff_t cc = c - 1; cc <= c + 1; ++cc) {
                if (rr < 0 || rr > rows - 1 || cc < 0 || cc > cols - 1) continue;
                const std::ptrdiff_t at = gridIndex(rr, cc, rows);
                if (!unknownMask[at]) continue;
                const std::int32_t j = indexMap.entries[at];
                consider(state.fgIndex[j], state.bgIndex[j]);
            }
        }

        for (int k = 0;; ++k) {
            const double fgRadius = radiusAt(nF, params.decay, k), bgRadius = radiusAt(nB, params.decay, k);
            if (!(fgRadius > 1 && bgRadius > 1)) break;
            const std::int32_t f = drawAround(random.next(), fgRadius, entryF, nF);
            const std::int32_t b = drawAround(random.next(), bgRadius, entryB, nB);
            consider(f, b);
        }

        state.fgIndex[i] = bestF;
        state.bgIndex[i] = bestB;
        opacity[gridIndex(r, c, rows)] = best.alpha;
    }
}

}  // namespace pairseek::reference
