// pairseek core: host-independent alpha matting over column-major arrays.
//
// Every grid is rows x cols with element (r, c) at r + c * rows; an n-row table
// has element (i, k) at i + k * n. Counts are 32-bit signed, linear indices are
// 64-bit so grids above 2^31 elements are addressed correctly.
//
// collectFringe produces 1-based positions and a 1-based index map (the host's
// layout). pairCost works on 0-based positions; searchPass on 0-based ones or,
// when a view says so, on the host's 1-based arrays as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "parallelFor.h"

namespace pairseek {

using Count = std::int32_t;

inline std::ptrdiff_t gridIndex(std::ptrdiff_t r, std::ptrdiff_t c, std::ptrdiff_t rows) { return r + c * rows; }

// ---------------------------------------------------------------- fringe scan

// One sample: 1-based position and colour with its gray value.
struct SampleRecord {
    double row, col;
    double red, green, blue, gray;
};

struct FringeScanResult {
    std::vector<SampleRecord> foreground;   // foreground pixels touching the unknown region
    std::vector<SampleRecord> background;   // background pixels touching the unknown region
    std::vector<SampleRecord> unknown;      // every unknown pixel
    std::vector<std::int32_t> indexMap;     // rows x cols: 1-based rank in `unknown`, 0 elsewhere
};

// gray = (0.587 * G + 0.299 * R) + 0.114 * B, each step rounded on its own.
double grayOf(double red, double green, double blue);

// Scans `image` (rows x cols x 3, planes R, G, B) and its trimap masks (one byte
// per pixel, set when non-zero) in column-major order, in parts of columns on
// `parallel` (the lists come out the same). Throws std::bad_alloc when memory
// runs out; otherwise never fails.
FringeScanResult collectFringe(const double* image, const std::uint8_t* fgMask, const std::uint8_t* bgMask,
                               const std::uint8_t* unknownMask, Count rows, Count cols,
                               const ParallelFor& parallel = {});

// ------------------------------------------------------------------ pair cost

struct Rgb {
    double red, green, blue;
};

struct Point {
    double row, col;
};

struct PairEvaluation {
    double cost;
    double alpha;   // not clamped: outside [0, 1] when I projects beyond F or B
};

// Cost returned when the two samples have the same colour: FLT_MAX held in a double.
inline constexpr double identicalColourCost = 3.4028234663852886e38;

// Scores foreground F at M and background B at Q for the unknown pixel of colour I at P.
PairEvaluation pairCost(const Rgb& I, const Rgb& F, const Rgb& B, const Point& P, const Point& M, const Point& Q,
                        double sF, double sB, double colourWeight);

// ---------------------------------------------------------------- search pass

// How a view counts positions and indices. `one` is the host's layout: the pass
// reads p - 1.0, m - 1, index - 1 and stores index + 1, exactly as if it had
// been given 0-based copies, so no copy is needed.
enum class IndexBase { zero, one };

// A sample list as two column-major tables: colour (count rows, columns R, G, B
// read, further columns ignored) and position (count x 2: row, col).
struct SampleTable {
    const double* colour;
    const double* position;
    Count count;
    IndexBase base = IndexBase::zero;   // of the positions
};

// rows x cols map from pixel to unknown index: 0-based with -1 where there is
// none, or (base one) 1-based with 0 where there is none.
struct IndexMapView {
    const std::int32_t* entries;
    Count rows;
    Count cols;
    IndexBase base = IndexBase::zero;
};

struct SearchParams {
    double decay;          // radius factor per random round; must be < 1 (see searchPass)
    double colourWeight;
};

// Each unknown pixel's foreground and background sample, updated in place.
struct PairState {
    std::int32_t* fgIndex;
    std::int32_t* bgIndex;
    IndexBase base = IndexBase::zero;
};

// Uniform integers in 0 .. 32767. searchPass draws from it; tests feed fixed sequences.
struct RandomSource {
    virtual ~RandomSource() = default;
    virtual int next() = 0;
    // The next `count` draws, in order; sources override it to save a call per draw.
    virtual void fill(int* draws, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) draws[k] = next();
    }
};

// The project's generator, identical on every platform for a given seed:
// state = state * 1103515245 + 12345 (mod 2^32), draw = (state >> 16) & 0x7FFF.
struct LinearCongruential final : RandomSource {
    explicit LinearCongruential(std::uint32_t seed) : state(seed) {}
    int next() override {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    // Four states at once, each straight from the current one (state after k steps
    // = a_k * state + c_k), so the steps do not wait on each other.
    void fill(int* draws, std::size_t count) override {
        constexpr std::uint32_t a1 = 1103515245u, c1 = 12345u;
        constexpr std::uint32_t a2 = a1 * a1, c2 = a1 * c1 + c1;
        constexpr std::uint32_t a3 = a2 * a1, c3 = a1 * c2 + c1;
        constexpr std::uint32_t a4 = a3 * a1, c4 = a1 * c3 + c1;
        auto draw = [](std::uint32_t s) { return static_cast<int>((s >> 16) & 0x7FFFu); };
        std::size_t k = 0;
        for (; k + 4 <= count; k += 4) {
            draws[k] = draw(a1 * state + c1);
            draws[k + 1] = draw(a2 * state + c2);
            draws[k + 2] = draw(a3 * state + c3);
            state = a4 * state + c4;
            draws[k + 3] = draw(state);
        }
        for (; k < count; ++k) draws[k] = LinearCongruential::next();
    }
    std::uint32_t state;
};

// Number of random rounds per pixel: the k with nF * decay^k > 1 and nB * decay^k > 1.
// Requires decay < 1 (or NaN) when nF, nB >= 2; otherwise it never ends.
std::int64_t randomRounds(Count nF, Count nB, double decay);

// One PatchMatch-style pass over the unknown pixels in list order: each pixel
// keeps the cheapest of its entry pair, the pairs its 3 x 3 neighbours hold now
// and random pairs around its entry pair, then writes that pair's alpha into
// `opacity` (rows x cols) at its position.
//
// Each candidate is scored as pairCost would, to the bit; a pixel's candidates
// are scored together with SIMD where the processor has it. Working
// storage: one 64-byte record per foreground and background sample and up to
// 16 KB of radii, released on return; nothing per unknown pixel or grid cell.
// Throws std::bad_alloc, before writing anything, when that cannot be had.
//
// Preconditions (not checked here; the host modules check them):
//   nF >= 1 and nB >= 1 whenever nU >= 1; every fgIndex in 0 .. nF-1 and bgIndex
//   in 0 .. nB-1; every set mask pixel maps to an index in 0 .. nU-1; every
//   unknown position truncates to a cell inside the grid (all as 0-based values,
//   after any conversion); decay < 1, because with decay >= 1 the radii never
//   shrink and the pass never ends; `opacity` shares no storage with what the
//   pass reads, and fgIndex and bgIndex none with each other or the index map.
void searchPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state,
                double* opacity, RandomSource& random);

// A search pass prepared once (samples packed, radii computed) and run over
// ranges of the unknown list, for callers that schedule the pixels themselves:
// run(first, last, random) is exactly what searchPass does to pixels first ..
// last - 1 in list order, with the state and opacity as they are at the call.
// The arrays are the caller's and must outlive the object. Two runs may go on
// at the same time when no pixel of one lies in the 3 x 3 window of a pixel of
// the other (each reads its neighbours' pairs and writes its own).
// Same preconditions as searchPass; the constructor throws std::bad_alloc.
class PreparedPass {
public:
    PreparedPass(const SampleTable& unknown, const SampleTable& foreground, const SampleTable& background,
                 const double* fgScale, const double* bgScale, const IndexMapView& indexMap,
                 const std::uint8_t* unknownMask, const SearchParams& params, const PairState& state, double* opacity);
    ~PreparedPass();
    PreparedPass(const PreparedPass&) = delete;
    PreparedPass& operator=(const PreparedPass&) = delete;

    void run(std::ptrdiff_t first, std::ptrdiff_t last, RandomSource& random) const;

private:
    struct Parts;
    Parts* parts_;
};

}  // namespace pairseek
