// The per-pixel loop of the search pass. A pixel's candidates are all known
// before any is scored (window pairs as the state holds them now, draws that do
// not depend on outcomes), so they are scored as one batch in SIMD lanes and the
// winner is then picked by the sequential rule. Lane arithmetic is pairCost's,
// operation for operation and without fused multiply-add, so every cost and
// alpha is the same to the bit.
#include <cmath>
#include <cstdint>
#include <utility>

#include "passLayout.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PAIRSEEK_X86_DISPATCH 1
#endif

#if defined(__GNUC__)
#define PAIRSEEK_INLINE inline __attribute__((always_inline))
#else
#define PAIRSEEK_INLINE inline
#endif

namespace pairseek::pass {

namespace {

// Rounds handled per batch; more rounds (decay near 1) take further batches.
constexpr int roundsPerBatch = 64;
// Entry pair, nine window pairs, the rounds, and room to pad the last lane group.
constexpr int batchCapacity = 10 + roundsPerBatch;

struct Candidates {
    std::int32_t f[batchCapacity + 8];
    std::int32_t b[batchCapacity + 8];
    double cost[batchCapacity + 8];
    double alpha[batchCapacity + 8];
    int count;
};

struct Best {
    double cost, alpha;
    std::int32_t f, b;
};

// The sequential rule: adopt only on a strictly lower cost, so a NaN never
// adopts and ties keep the earlier candidate.
PAIRSEEK_INLINE void pickBest(const Candidates& c, int from, Best& best) {
    for (int k = from; k < c.count; ++k) {
        if (best.cost > c.cost[k]) best = {c.cost[k], c.alpha[k], c.f[k], c.b[k]};
    }
}

// ------------------------------------------------------------ candidates

// A draw u in 0 .. 32767 aims at centre + (2u/32767 - 1) * radius, rounded by
// truncating (centre + offset + 0.5), then clamped to the list.
PAIRSEEK_INLINE std::int32_t drawAround(int u, double radius, std::int32_t centre, Count count) {
    const double target = (u / 32767.0 * 2.0 - 1.0) * radius + centre + 0.5;
    // Truncate in 64 bits: target can exceed the 32-bit range for large lists.
    const std::int64_t index = static_cast<std::int64_t>(target);
    if (index < 0) return 0;
    if (index > count - 1) return count - 1;
    return static_cast<std::int32_t>(index);
}

// Appends the pairs of the 3 x 3 window as the state holds them now. A pair
// equal to one already listed is left out: its cost would be the same to the
// bit, and an equal cost never adopts.
PAIRSEEK_INLINE void addWindow(const PassInput& in, std::ptrdiff_t r, std::ptrdiff_t c, Candidates& cand) {
    for (std::ptrdiff_t rr = r - 1; rr <= r + 1; ++rr) {
        if (rr < 0 || rr > in.rows - 1) continue;
        for (std::ptrdiff_t cc = c - 1; cc <= c + 1; ++cc) {
            if (cc < 0 || cc > in.cols - 1) continue;
            const std::ptrdiff_t at = gridIndex(rr, cc, in.rows);
            if (!in.mask[at]) continue;
            const std::ptrdiff_t j = in.map[at] - in.mapShift;
            const std::int32_t f = in.fgIndex[j] - in.stateShift, b = in.bgIndex[j] - in.stateShift;
            bool seen = false;
            for (int k = 0; k < cand.count; ++k) seen |= cand.f[k] == f && cand.b[k] == b;
            if (seen) continue;
            cand.f[cand.count] = f;
            cand.b[cand.count] = b;
            ++cand.count;
        }
    }
}

// Appends up to roundsPerBatch rounds from round k on; returns the next round,
// or -1 once a round's radii end the search.
PAIRSEEK_INLINE int addRounds(const PassInput& in, int k, std::int32_t eF, std::int32_t eB, Candidates& cand,
                              RandomSource& random) {
    double fgRadius[roundsPerBatch], bgRadius[roundsPerBatch];
    const RoundRadii& radii = *in.radii;
    const int cached = static_cast<int>(radii.fg.size());
    int m = 0;
    bool ended = false;
    while (m < roundsPerBatch) {
        const int round = k + m;
        if (round < cached) {
            fgRadius[m] = radii.fg[static_cast<std::size_t>(round)];
            bgRadius[m] = radii.bg[static_cast<std::size_t>(round)];
        } else if (radii.complete) {
            ended = true;
            break;
        } else {
            fgRadius[m] = radiusAt(in.nF, in.params.decay, round);
            bgRadius[m] = radiusAt(in.nB, in.params.decay, round);
            if (!(fgRadius[m] > 1 && bgRadius[m] > 1)) {
                ended = true;
                break;
            }
        }
        ++m;
    }

    int draws[2 * roundsPerBatch];
    random.fill(draws, 2 * static_cast<std::size_t>(m));
    for (int q = 0; q < m; ++q) {
        cand.f[cand.count] = drawAround(draws[2 * q], fgRadius[q], eF, in.nF);
        cand.b[cand.count] = drawAround(draws[2 * q + 1], bgRadius[q], eB, in.nB);
        ++cand.count;
    }
    return ended ? -1 : k + m;
}


// Reads pixel i's own values, converting a 1-based position as a copy would.
PAIRSEEK_INLINE Pixel pixelAt(const PassInput& in, std::ptrdiff_t i) {
    Pixel p;
    p.row = in.unknownPosition[i] - in.unknownShift;
    p.col = in.unknownPosition[in.nU + i] - in.unknownShift;
    p.red = in.unknownColour[i];
    p.green = in.unknownColour[in.nU + i];
    p.blue = in.unknownColour[2 * static_cast<std::ptrdiff_t>(in.nU) + i];
    p.sF = in.fgScale[i];
    p.sB = in.bgScale[i];
    p.colourWeight = in.params.colourWeight;
    return p;
}

// Scalar candidates: pairCost itself, for compilers without vector extensions.
void scoreScalar(const Pixel& p, const PassInput& in, Candidates& c) {
    for (int k = 0; k < c.count; ++k) {
        const PackedSample& F = in.fg[c.f[k]];
        const PackedSample& B = in.bg[c.b[k]];
        const PairEvaluation e = pairCost({p.red, p.green, p.blue}, {F.red, F.green, F.blue}, {B.red, B.green, B.blue},
                                          {p.row, p.col}, {F.row, F.col}, {B.row, B.col}, p.sF, p.sB, p.colourWeight);
        c.cost[k] = e.cost;
        c.alpha[k] = e.alpha;
    }
}

// The pixel loop; `score` fills cost and alpha of every listed candidate.
template <void (*score)(const Pixel&, const PassInput&, Candidates&)>
void passWith(const PassInput& in, RandomSource& random) {
    Candidates cand;
    for (std::ptrdiff_t i = 0; i < in.nU; ++i) {
        const Pixel p = pixelAt(in, i);
        const std::ptrdiff_t r = static_cast<std::ptrdiff_t>(p.row), c = static_cast<std::ptrdiff_t>(p.col);
        const std::int32_t eF = in.fgIndex[i] - in.stateShift, eB = in.bgIndex[i] - in.stateShift;

        cand.f[0] = eF;
        cand.b[0] = eB;
        cand.count = 1;
        addWindow(in, r, c, cand);
        int next = addRounds(in, 0, eF, eB, cand, random);
        score(p, in, cand);
        Best best{cand.cost[0], cand.alpha[0], eF, eB};
        pickBest(cand, 1, best);
        while (next >= 0) {
            cand.count = 0;
            next = addRounds(in, next, eF, eB, cand, random);
            score(p, in, cand);
            pickBest(cand, 0, best);
        }

        in.fgIndex[i] = best.f + in.stateShift;
        in.bgIndex[i] = best.b + in.stateShift;
        in.opacity[gridIndex(r, c, in.rows)] = best.alpha;
    }
}

}  // namespace
}  // namespace pairseek::pass

// The scoring is compiled once per instruction set, each copy inside its own
// target region; the processor picks one per call. Nothing else is compiled
// for a wider set, so no wider instruction runs on a processor that lacks it.
#if defined(PAIRSEEK_X86_DISPATCH)

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace pairseek::pass::avx512 {
namespace {
struct Lanes {
    static constexpr int width = 8;
    typedef double V __attribute__((vector_size(64)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm512_maskz_sqrt_pd(static_cast<__mmask8>(0xFF), x); }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::avx512
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
namespace pairseek::pass::avx2 {
namespace {
struct Lanes {
    static constexpr int width = 4;
    typedef double V __attribute__((vector_size(32)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm256_sqrt_pd(x); }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::avx2
#pragma GCC pop_options

namespace pairseek::pass::sse2 {
namespace {
struct Lanes {
    static constexpr int width = 2;
    typedef double V __attribute__((vector_size(16)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm_sqrt_pd(x); }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::sse2

#elif defined(__GNUC__)

namespace pairseek::pass::generic {
namespace {
struct Lanes {
    static constexpr int width = 2;
    typedef double V __attribute__((vector_size(16)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = V{std::sqrt(x[0]), std::sqrt(x[1])}; }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::generic

#endif

namespace pairseek::pass {

double radiusAt(Count count, double decay, int k) { return count * std::pow(decay, static_cast<double>(k)); }

namespace {

// The widest set this processor runs, for `widest`; other sets as they are.
LaneSet resolved(LaneSet lanes) {
#if defined(PAIRSEEK_X86_DISPATCH)
    if (lanes == LaneSet::widest)
        return available(LaneSet::avx512) ? LaneSet::avx512 : available(LaneSet::avx2) ? LaneSet::avx2 : LaneSet::sse2;
#endif
    return lanes;
}

}  // namespace

void scorePairs(LaneSet lanes, const PassInput& in, const Pixel& p, const std::int32_t* f, const std::int32_t* b,
                int n, double* cost, double* alpha) {
    lanes = resolved(lanes);
    Candidates c;
    for (int from = 0; from < n; from += batchCapacity) {
        c.count = n - from < batchCapacity ? n - from : batchCapacity;
        for (int k = 0; k < c.count; ++k) {
            c.f[k] = f[from + k];
            c.b[k] = b[from + k];
        }
        switch (lanes) {
#if defined(PAIRSEEK_X86_DISPATCH)
            case LaneSet::avx512:
                avx512::score(p, in, c);
                break;
            case LaneSet::avx2:
                avx2::score(p, in, c);
                break;
            case LaneSet::sse2:
                sse2::score(p, in, c);
                break;
#elif defined(__GNUC__)
            case LaneSet::widest:
                generic::score(p, in, c);
                break;
#endif
            default:
                scoreScalar(p, in, c);
        }
        for (int k = 0; k < c.count; ++k) {
            cost[from + k] = c.cost[k];
            alpha[from + k] = c.alpha[k];
        }
    }
}

bool available(LaneSet lanes) {
    switch (lanes) {
        case LaneSet::widest:
        case LaneSet::scalar:
            return true;
#if defined(PAIRSEEK_X86_DISPATCH)
        case LaneSet::sse2:
            return true;
        case LaneSet::avx2:
            return __builtin_cpu_supports("avx2");
        case LaneSet::avx512:
            return __builtin_cpu_supports("avx512f");
#endif
        default:
            return false;
    }
}

void runPass(const PassInput& in, RandomSource& random, LaneSet lanes) {
#if defined(PAIRSEEK_X86_DISPATCH)
    lanes = resolved(lanes);
    switch (lanes) {
        case LaneSet::avx512:
            return passWith<avx512::score>(in, random);
        case LaneSet::avx2:
            return passWith<avx2::score>(in, random);
        case LaneSet::sse2:
            return passWith<sse2::score>(in, random);
        default:
            return passWith<scoreScalar>(in, random);
    }
#elif defined(__GNUC__)
    if (lanes == LaneSet::scalar) return passWith<scoreScalar>(in, random);
    passWith<generic::score>(in, random);
#else
    static_cast<void>(lanes);
    passWith<scoreScalar>(in, random);
#endif
}

}  // namespace pairseek::pass
