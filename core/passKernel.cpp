// The per-pixel loop of the search pass. A pixel's candidates are all known
// before any is scored (window pairs as the state holds them now, draws that do
// not depend on outcomes), so they are scored as one batch in SIMD lanes and the
// winner is then picked by the sequential rule. Lane arithmetic is pairCost's
// and drawAround's, operation for operation and without fused multiply-add, so
// every index, cost and alpha is the same to the bit.
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Compiles the functions between BEGIN and END for an instruction set.
#define PAIRSEEK_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define PAIRSEEK_TARGET_BEGIN(isa) PAIRSEEK_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define PAIRSEEK_TARGET_END PAIRSEEK_PRAGMA(clang attribute pop)
#else
#define PAIRSEEK_TARGET_BEGIN(isa) PAIRSEEK_PRAGMA(GCC push_options) PAIRSEEK_PRAGMA(GCC target(isa))
#define PAIRSEEK_TARGET_END PAIRSEEK_PRAGMA(GCC pop_options)
#endif

namespace pairseek::pass {

namespace {

// Entry pair, nine window pairs and the rounds; arrays have room to pad the
// last group of lanes.
constexpr int batchCapacity = 10 + roundsPerBatch;
constexpr int lanePadding = 8;

struct Candidates {
    std::int32_t f[batchCapacity + lanePadding];
    std::int32_t b[batchCapacity + lanePadding];
    double cost[batchCapacity + lanePadding];
    double alpha[batchCapacity + lanePadding];
    int count;
};

// m rounds around (eF, eB): draws and radii interleave foreground and background,
// both padded to a whole group of lanes.
struct Rounds {
    int draws[2 * roundsPerBatch + lanePadding];
    const double* radii;
    int m;
};

struct Best {
    double cost, alpha;
    std::int32_t f, b;
};

// The fields of W sample records, one vector per field.
template <class V>
struct SampleLanes {
    V red, green, blue, row, col;
};

#if defined(__GNUC__)
typedef double Double2 __attribute__((vector_size(16)));

// Two records, each read as (red, green), (blue, row) and col, then transposed.
PAIRSEEK_INLINE void gatherPairs(const PackedSample* samples, const std::int32_t* index, SampleLanes<Double2>& out) {
    const PackedSample &s0 = samples[index[0]], &s1 = samples[index[1]];
    Double2 a0, a1, b0, b1;
    std::memcpy(&a0, &s0.red, sizeof a0);
    std::memcpy(&a1, &s1.red, sizeof a1);
    std::memcpy(&b0, &s0.blue, sizeof b0);
    std::memcpy(&b1, &s1.blue, sizeof b1);
    out.red = __builtin_shufflevector(a0, a1, 0, 2);
    out.green = __builtin_shufflevector(a0, a1, 1, 3);
    out.blue = __builtin_shufflevector(b0, b1, 0, 2);
    out.row = __builtin_shufflevector(b0, b1, 1, 3);
    out.col = Double2{s0.col, s1.col};
}
#endif

// The sequential rule: adopt only on a strictly lower cost, so a NaN never
// adopts and ties keep the earlier candidate.
PAIRSEEK_INLINE void pickBest(const Candidates& c, int from, Best& best) {
    for (int k = from; k < c.count; ++k) {
        if (best.cost > c.cost[k]) best = {c.cost[k], c.alpha[k], c.f[k], c.b[k]};
    }
}

// ------------------------------------------------------------ candidates

// Appends the pairs of the 3 x 3 window as the state holds them now.
PAIRSEEK_INLINE void addWindow(const PassInput& in, std::ptrdiff_t r, std::ptrdiff_t c, Candidates& cand) {
    const std::ptrdiff_t rowFirst = r > 0 ? r - 1 : 0, rowLast = r < in.rows - 1 ? r + 1 : in.rows - 1;
    const std::ptrdiff_t colFirst = c > 0 ? c - 1 : 0, colLast = c < in.cols - 1 ? c + 1 : in.cols - 1;
    int n = cand.count;
    for (std::ptrdiff_t rr = rowFirst; rr <= rowLast; ++rr) {
        for (std::ptrdiff_t cc = colFirst; cc <= colLast; ++cc) {
            const std::ptrdiff_t at = gridIndex(rr, cc, in.rows);
            if (!in.mask[at]) continue;
            const std::ptrdiff_t j = in.map[at] - in.mapShift;
            cand.f[n] = in.fgIndex[j] - in.stateShift;
            cand.b[n] = in.bgIndex[j] - in.stateShift;
            ++n;
        }
    }
    cand.count = n;
}

// Draws up to roundsPerBatch rounds from round k on into `rounds`; returns the
// next round, or -1 once a round's radii end the search.
// 64-bit: a decay just below 1 asks for more than 2^31 rounds.
PAIRSEEK_INLINE std::int64_t drawRounds(const PassInput& in, std::int64_t k, Rounds& rounds, double* uncached,
                                        RandomSource& random) {
    const RoundRadii& radii = *in.radii;
    const int cached = radii.cached;
    int m = 0;
    bool ended = false;
    if (k < cached) {
        m = static_cast<int>(cached - k < roundsPerBatch ? cached - k : roundsPerBatch);
        rounds.radii = radii.radius.data() + 2 * k;
        ended = radii.complete && k + m == cached;
    } else if (radii.complete) {
        ended = true;
    } else {
        // Past the cache (decay very near 1): radii as they come, the same values.
        for (; m < roundsPerBatch; ++m) {
            uncached[2 * m] = radiusAt(in.nF, in.params.decay, k + m);
            uncached[2 * m + 1] = radiusAt(in.nB, in.params.decay, k + m);
            if (!(uncached[2 * m] > 1 && uncached[2 * m + 1] > 1)) {
                ended = true;
                break;
            }
        }
        for (int pad = 2 * m; pad < 2 * m + lanePadding; ++pad) uncached[pad] = 2.0;
        rounds.radii = uncached;
    }
    rounds.m = m;
    random.fill(rounds.draws, 2 * static_cast<std::size_t>(m));
    for (int pad = 2 * m; pad < 2 * m + lanePadding; ++pad) rounds.draws[pad] = 0;
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

// ---------------------------------------------------------- scalar kernel

// For compilers without vector extensions, and as the baseline the benchmark shows.
namespace scalar {

void score(const Pixel& p, const PassInput& in, Candidates& c) {
    for (int k = 0; k < c.count; ++k) {
        const PackedSample& F = in.fg[c.f[k]];
        const PackedSample& B = in.bg[c.b[k]];
        const PairEvaluation e = pairCost({p.red, p.green, p.blue}, {F.red, F.green, F.blue}, {B.red, B.green, B.blue},
                                          {p.row, p.col}, {F.row, F.col}, {B.row, B.col}, p.sF, p.sB, p.colourWeight);
        c.cost[k] = e.cost;
        c.alpha[k] = e.alpha;
    }
}

// A draw u in 0 .. 32767 aims at centre + (2u/32767 - 1) * radius, rounded by
// truncating (centre + offset + 0.5), then clamped to the list.
std::int32_t drawAround(int u, double radius, std::int32_t centre, Count count) {
    const double target = (u / 32767.0 * 2.0 - 1.0) * radius + centre + 0.5;
    // Truncate in 64 bits: target can exceed the 32-bit range for large lists.
    const std::int64_t index = static_cast<std::int64_t>(target);
    if (index < 0) return 0;
    if (index > count - 1) return count - 1;
    return static_cast<std::int32_t>(index);
}

void draw(const PassInput& in, const Rounds& r, std::int32_t eF, std::int32_t eB, Candidates& c) {
    for (int q = 0; q < r.m; ++q) {
        c.f[c.count + q] = drawAround(r.draws[2 * q], r.radii[2 * q], eF, in.nF);
        c.b[c.count + q] = drawAround(r.draws[2 * q + 1], r.radii[2 * q + 1], eB, in.nB);
    }
    c.count += r.m;
}

}  // namespace scalar

// ------------------------------------------------------------------- pass

using ScoreFunction = void (*)(const Pixel&, const PassInput&, Candidates&);
using DrawFunction = void (*)(const PassInput&, const Rounds&, std::int32_t, std::int32_t, Candidates&);

// The pixel loop; `score` fills cost and alpha of every listed candidate,
// `draw` appends the rounds' pairs.
template <ScoreFunction score, DrawFunction draw>
void passWith(const PassInput& in, RandomSource& random) {
    Candidates cand;
    Rounds rounds;
    double uncached[2 * roundsPerBatch + lanePadding];
    const std::ptrdiff_t last = in.last < 0 ? in.nU : in.last;
    for (std::ptrdiff_t i = in.first; i < last; ++i) {
        const Pixel p = pixelAt(in, i);
        const std::ptrdiff_t r = static_cast<std::ptrdiff_t>(p.row), c = static_cast<std::ptrdiff_t>(p.col);
        const std::int32_t eF = in.fgIndex[i] - in.stateShift, eB = in.bgIndex[i] - in.stateShift;

        cand.f[0] = eF;
        cand.b[0] = eB;
        cand.count = 1;
        addWindow(in, r, c, cand);
        std::int64_t next = drawRounds(in, 0, rounds, uncached, random);
        draw(in, rounds, eF, eB, cand);
        score(p, in, cand);
        Best best{cand.cost[0], cand.alpha[0], eF, eB};
        pickBest(cand, 1, best);
        while (next >= 0) {
            next = drawRounds(in, next, rounds, uncached, random);
            cand.count = 0;
            draw(in, rounds, eF, eB, cand);
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

// The kernels are compiled once per instruction set, each inside its own target
// region; the processor picks one per call. Nothing else is compiled for a
// wider set, so no wider instruction runs on a processor that lacks it.
#if defined(PAIRSEEK_X86_DISPATCH)

PAIRSEEK_TARGET_BEGIN("avx512f")
namespace pairseek::pass::avx512 {
namespace {
struct Lanes {
    static constexpr int width = 8;
    typedef double V __attribute__((vector_size(64)));
    typedef std::int32_t Index __attribute__((vector_size(32)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm512_maskz_sqrt_pd(static_cast<__mmask8>(0xFF), x); }
    // Eight whole records, transposed.
    static PAIRSEEK_INLINE void gather(const PackedSample* samples, const std::int32_t* index, SampleLanes<V>& out) {
        V r[8];
        for (int l = 0; l < 8; ++l) r[l] = _mm512_load_pd(&samples[index[l]].red);
        V even[4], odd[4];   // fields 0 2 4 6 and 1 3 5 7 of record pairs
        for (int q = 0; q < 4; ++q) {
            even[q] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 0, 8, 2, 10, 4, 12, 6, 14);
            odd[q] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 1, 9, 3, 11, 5, 13, 7, 15);
        }
        V f04[2], f26[2], f15[2], f37[2];   // fields 0 and 4, 2 and 6, ... of record quads
        for (int h = 0; h < 2; ++h) {
            f04[h] = __builtin_shufflevector(even[2 * h], even[2 * h + 1], 0, 1, 8, 9, 4, 5, 12, 13);
            f26[h] = __builtin_shufflevector(even[2 * h], even[2 * h + 1], 2, 3, 10, 11, 6, 7, 14, 15);
            f15[h] = __builtin_shufflevector(odd[2 * h], odd[2 * h + 1], 0, 1, 8, 9, 4, 5, 12, 13);
            f37[h] = __builtin_shufflevector(odd[2 * h], odd[2 * h + 1], 2, 3, 10, 11, 6, 7, 14, 15);
        }
        out.red = __builtin_shufflevector(f04[0], f04[1], 0, 1, 2, 3, 8, 9, 10, 11);
        out.col = __builtin_shufflevector(f04[0], f04[1], 4, 5, 6, 7, 12, 13, 14, 15);
        out.green = __builtin_shufflevector(f15[0], f15[1], 0, 1, 2, 3, 8, 9, 10, 11);
        out.blue = __builtin_shufflevector(f26[0], f26[1], 0, 1, 2, 3, 8, 9, 10, 11);
        out.row = __builtin_shufflevector(f37[0], f37[1], 0, 1, 2, 3, 8, 9, 10, 11);
    }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::avx512
PAIRSEEK_TARGET_END

PAIRSEEK_TARGET_BEGIN("avx2")
namespace pairseek::pass::avx2 {
namespace {
struct Lanes {
    static constexpr int width = 4;
    typedef double V __attribute__((vector_size(32)));
    typedef std::int32_t Index __attribute__((vector_size(16)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm256_sqrt_pd(x); }
    // The first four fields of four records, transposed; the fifth one by one.
    static PAIRSEEK_INLINE void gather(const PackedSample* samples, const std::int32_t* index, SampleLanes<V>& out) {
        V r[4];
        for (int l = 0; l < 4; ++l) r[l] = _mm256_load_pd(&samples[index[l]].red);
        const V t0 = __builtin_shufflevector(r[0], r[1], 0, 4, 2, 6), t1 = __builtin_shufflevector(r[0], r[1], 1, 5, 3, 7);
        const V t2 = __builtin_shufflevector(r[2], r[3], 0, 4, 2, 6), t3 = __builtin_shufflevector(r[2], r[3], 1, 5, 3, 7);
        out.red = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
        out.blue = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
        out.green = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
        out.row = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
        out.col = V{samples[index[0]].col, samples[index[1]].col, samples[index[2]].col, samples[index[3]].col};
    }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::avx2
PAIRSEEK_TARGET_END

namespace pairseek::pass::sse2 {
namespace {
struct Lanes {
    static constexpr int width = 2;
    typedef double V __attribute__((vector_size(16)));
    typedef std::int32_t Index __attribute__((vector_size(8)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = _mm_sqrt_pd(x); }
    static PAIRSEEK_INLINE void gather(const PackedSample* samples, const std::int32_t* index, SampleLanes<V>& out) {
        gatherPairs(samples, index, out);
    }
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
    typedef std::int32_t Index __attribute__((vector_size(8)));
    static PAIRSEEK_INLINE void sqrt(const V& x, V& root) { root = V{std::sqrt(x[0]), std::sqrt(x[1])}; }
    static PAIRSEEK_INLINE void gather(const PackedSample* samples, const std::int32_t* index, SampleLanes<V>& out) {
        gatherPairs(samples, index, out);
    }
};
#include "passLanes.inc"
}  // namespace
}  // namespace pairseek::pass::generic

#endif

namespace pairseek::pass {

namespace {

// The widest set this processor runs, for `widest`; other sets as they are.
LaneSet resolved(LaneSet lanes) {
    if (lanes != LaneSet::widest) return lanes;
#if defined(PAIRSEEK_X86_DISPATCH)
    return available(LaneSet::avx512) ? LaneSet::avx512 : available(LaneSet::avx2) ? LaneSet::avx2 : LaneSet::sse2;
#elif defined(__GNUC__)
    return LaneSet::generic;
#else
    return LaneSet::scalar;
#endif
}

}  // namespace

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
#elif defined(__GNUC__)
        case LaneSet::generic:
            return true;
#endif
        default:
            return false;
    }
}

namespace {

// The pixel loop and the scoring compiled for one lane set.
struct Kernel {
    void (*pass)(const PassInput&, RandomSource&);
    ScoreFunction score;
};

template <ScoreFunction score, DrawFunction draw>
constexpr Kernel kernel() {
    return {passWith<score, draw>, score};
}

Kernel kernelFor(LaneSet lanes) {
    switch (resolved(lanes)) {
#if defined(PAIRSEEK_X86_DISPATCH)
        case LaneSet::avx512:
            return kernel<avx512::score, avx512::draw>();
        case LaneSet::avx2:
            return kernel<avx2::score, avx2::draw>();
        case LaneSet::sse2:
            return kernel<sse2::score, sse2::draw>();
#elif defined(__GNUC__)
        case LaneSet::generic:
            return kernel<generic::score, generic::draw>();
#endif
        default:
            return kernel<scalar::score, scalar::draw>();
    }
}

}  // namespace

void runPass(const PassInput& in, RandomSource& random, LaneSet lanes) { kernelFor(lanes).pass(in, random); }

void scorePairs(LaneSet lanes, const PassInput& in, const Pixel& p, const std::int32_t* f, const std::int32_t* b,
                int n, double* cost, double* alpha) {
    const ScoreFunction score = kernelFor(lanes).score;
    Candidates c;
    for (int from = 0; from < n; from += batchCapacity) {
        c.count = n - from < batchCapacity ? n - from : batchCapacity;
        for (int k = 0; k < c.count; ++k) {
            c.f[k] = f[from + k];
            c.b[k] = b[from + k];
        }
        score(p, in, c);
        for (int k = 0; k < c.count; ++k) {
            cost[from + k] = c.cost[k];
            alpha[from + k] = c.alpha[k];
        }
    }
}

}  // namespace pairseek::pass
