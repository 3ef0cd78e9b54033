// Host module pairSeek: one pass of the randomised pair search over host arrays,
// written back in place (no outputs) or into new arrays (with outputs).
// Calling form and argument rules: matlab/pairSeek.m.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "hostArgs.h"
#include "matting.h"

namespace {

enum PairSeekInput {
    UnknownColourIn, UnknownPosIn, FgColourIn, FgPosIn, BgColourIn, BgPosIn, FgScaleIn, BgScaleIn,
    IndexMapIn, UnknownMaskIn, DecayIn, ColourWeightIn, FgIndexIn, BgIndexIn, OpacityIn, SeedIn, PairSeekInputs
};
enum PairSeekOutput { FgIndexOut, BgIndexOut, OpacityOut, PairSeekOutputs };

constexpr hostArgs::Checker check{"pairSeek"};
using hostArgs::Size;

// Above this many random rounds per pixel a call runs practically forever, and
// the host cannot interrupt a module.
constexpr double maxRandomRounds = 1e9;

using hostArgs::doubles;
using hostArgs::int32s;

struct PassInput {
    const double *unknownColour, *unknownPos, *fgColour, *fgPos, *bgColour, *bgPos, *fgScale, *bgScale;
    const std::int32_t* indexMap;
    const std::uint8_t* unknownMask;
    const std::int32_t *fgIndex, *bgIndex;
    pairseek::Count nU, nF, nB, rows, cols;
    pairseek::SearchParams params;
};

// Where the pass writes: the inputs' own storage, or new arrays for the outputs.
struct PassTarget {
    std::int32_t* fgIndex;
    std::int32_t* bgIndex;
    double* opacity;
};

std::vector<std::int32_t> toZeroBased(const std::int32_t* index, std::size_t n) {
    std::vector<std::int32_t> out(n);
    for (std::size_t k = 0; k < n; ++k) out[k] = index[k] - 1;
    return out;
}

void toOneBased(const std::vector<std::int32_t>& index, std::int32_t* out) {
    for (std::size_t k = 0; k < index.size(); ++k) out[k] = index[k] + 1;
}

bool overlaps(const double* a, std::size_t aCount, const double* b, std::size_t bCount) {
    const std::less<const double*> before;
    return aCount > 0 && bCount > 0 && before(a, b + bCount) && before(b, a + aCount);
}

// Positions and the index map are read 1-based where they lie. The pairs are
// copied, because fgIndex and bgIndex may be one shared host array and because
// the index map may share storage with either: the copies are written back only
// once the pass is over. Owns that storage, so the caller raises host errors
// only once it is released and nothing was written.
hostArgs::RunStatus runPass(const PassInput& in, const PassTarget& target, std::uint32_t seed) {
    const std::size_t nU = static_cast<std::size_t>(in.nU);
    std::vector<std::int32_t> fgIndex, bgIndex;
    std::vector<double> positionCopy;
    return hostArgs::runGuarded([&] {
        fgIndex = toZeroBased(in.fgIndex, nU);
        bgIndex = toZeroBased(in.bgIndex, nU);
        // The pass writes opacity while it still reads unknown positions: if the host
        // passed one array as both, a written alpha would become a later pixel's
        // position. Read the positions from a copy then.
        const double* unknownPos = in.unknownPos;
        const std::size_t cells = static_cast<std::size_t>(in.rows) * static_cast<std::size_t>(in.cols);
        if (overlaps(target.opacity, cells, unknownPos, 2 * nU)) {
            positionCopy.assign(unknownPos, unknownPos + 2 * nU);
            unknownPos = positionCopy.data();
        }

        // ------------------------------------------------ run and write back
        constexpr auto oneBased = pairseek::IndexBase::one;
        pairseek::LinearCongruential random(seed);
        pairseek::searchPass({in.unknownColour, unknownPos, in.nU, oneBased},
                             {in.fgColour, in.fgPos, in.nF, oneBased}, {in.bgColour, in.bgPos, in.nB, oneBased},
                             in.fgScale, in.bgScale, {in.indexMap, in.rows, in.cols, oneBased}, in.unknownMask,
                             in.params, {fgIndex.data(), bgIndex.data()}, target.opacity, random);
        toOneBased(fgIndex, target.fgIndex);
        toOneBased(bgIndex, target.bgIndex);
    });
}

mxArray* copyOf(const mxArray* a) {
    const auto ndims = mxGetNumberOfDimensions(a);
    mxArray* copy = mxCreateNumericArray(ndims, mxGetDimensions(a), mxGetClassID(a), mxREAL);
    const std::size_t bytes = mxGetNumberOfElements(a) * mxGetElementSize(a);
    if (bytes > 0) std::memcpy(mxGetData(copy), mxGetData(a), bytes);
    return copy;
}

// A table's n x 2 position partner.
void checkPositionTable(const mxArray* a, const char* name, Size n, const char* colourName) {
    if (hostArgs::numberOfDims(a) != 2 || hostArgs::dim(a, 0) != n || hostArgs::dim(a, 1) != 2)
        check.fail("shape", "%s must be %lldx2 (one row per row of %s); got %s", name, n, colourName,
                   hostArgs::ShapeText(a).text);
}

void checkPairIndices(const std::int32_t* index, Size nU, const char* id, const char* name, Size n, const char* what) {
    for (Size i = 0; i < nU; ++i)
        if (index[i] < 1 || index[i] > n)
            check.fail(id, "%s(%lld) is %d; expected 1..%lld (the number of %s samples)", name, i + 1, index[i], n,
                       what);
}

// Every entry names an unknown pixel or none, and every set mask pixel names one.
void checkIndexMap(const std::int32_t* indexMap, const std::uint8_t* unknownMask, Size cells, Size nU) {
    for (Size k = 0; k < cells; ++k) {
        if (indexMap[k] < 0 || indexMap[k] > nU)
            check.fail("indexMapRange", "indexMap(%lld) is %d; expected 0..%lld (the number of unknown pixels)",
                       k + 1, indexMap[k], nU);
        if (unknownMask[k] && indexMap[k] == 0)
            check.fail("maskWithoutIndex", "unknownMask(%lld) is set but indexMap(%lld) is 0; expected the index "
                       "of its unknown pixel", k + 1, k + 1);
    }
}

// 1-based position p lands in cell trunc(p - 1) of a side of length n.
bool insideGrid(double p, Size n) {
    const double zeroBased = p - 1.0;
    return zeroBased > -1.0 && zeroBased < static_cast<double>(n);
}

void checkUnknownPositions(const double* unknownPos, Size nU, Size rows, Size cols) {
    for (Size i = 0; i < nU; ++i) {
        const double r = unknownPos[i], c = unknownPos[nU + i];
        if (!insideGrid(r, rows) || !insideGrid(c, cols))
            check.fail("unknownPosRange", "unknownPos(%lld,:) is (%g, %g); expected a cell of the %lldx%lld grid",
                       i + 1, r, c, rows, cols);
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const std::time_t now = std::time(nullptr);

    // --------------------------------------------------------- unpack
    check.argumentCounts(nrhs, SeedIn, PairSeekInputs, nlhs, PairSeekOutputs);
    const bool seedGiven = nrhs > SeedIn;

    // --------------------------------------------------------- check
    static const struct { PairSeekInput slot; const char* name; } doubleInputs[] = {
        {UnknownColourIn, "unknownColour"}, {UnknownPosIn, "unknownPos"}, {FgColourIn, "fgColour"},
        {FgPosIn, "fgPos"}, {BgColourIn, "bgColour"}, {BgPosIn, "bgPos"}, {FgScaleIn, "fgScale"},
        {BgScaleIn, "bgScale"}, {DecayIn, "decay"}, {ColourWeightIn, "colourWeight"}, {OpacityIn, "opacity"}};
    for (const auto& input : doubleInputs) check.realDouble(prhs[input.slot], input.name);
    check.realInt32(prhs[IndexMapIn], "indexMap");
    check.realInt32(prhs[FgIndexIn], "fgIndex");
    check.realInt32(prhs[BgIndexIn], "bgIndex");
    check.mask(prhs[UnknownMaskIn], "unknownMask");
    if (seedGiven) check.realDouble(prhs[SeedIn], "seed");

    const Size nU = check.table(prhs[UnknownColourIn], "unknownColour", 3);
    const Size nF = check.table(prhs[FgColourIn], "fgColour", 3);
    const Size nB = check.table(prhs[BgColourIn], "bgColour", 3);
    checkPositionTable(prhs[UnknownPosIn], "unknownPos", nU, "unknownColour");
    checkPositionTable(prhs[FgPosIn], "fgPos", nF, "fgColour");
    checkPositionTable(prhs[BgPosIn], "bgPos", nB, "bgColour");
    check.elementCount(prhs[FgScaleIn], "fgScale", nU);
    check.elementCount(prhs[BgScaleIn], "bgScale", nU);
    check.elementCount(prhs[FgIndexIn], "fgIndex", nU);
    check.elementCount(prhs[BgIndexIn], "bgIndex", nU);
    if (hostArgs::numberOfDims(prhs[IndexMapIn]) != 2)
        check.fail("shape", "indexMap must be rows x cols; got %s", hostArgs::ShapeText(prhs[IndexMapIn]).text);
    const Size rows = hostArgs::dim(prhs[IndexMapIn], 0), cols = hostArgs::dim(prhs[IndexMapIn], 1);
    check.grid(prhs[UnknownMaskIn], "unknownMask", rows, cols);
    check.grid(prhs[OpacityIn], "opacity", rows, cols);
    // The first element is used, as in the original calling form; an empty one has none.
    if (hostArgs::elements(prhs[DecayIn]) < 1) check.fail("shape", "decay must be a scalar; got an empty array");
    if (hostArgs::elements(prhs[ColourWeightIn]) < 1)
        check.fail("shape", "colourWeight must be a scalar; got an empty array");
    if (seedGiven && hostArgs::elements(prhs[SeedIn]) != 1)
        check.fail("shape", "seed must be a scalar; got %s", hostArgs::ShapeText(prhs[SeedIn]).text);

    check.count(nU, "the number of unknown pixels");
    check.count(nF, "the number of foreground samples");
    check.count(nB, "the number of background samples");
    check.count(rows, "the number of grid rows");
    check.count(cols, "the number of grid columns");

    const double decay = doubles(prhs[DecayIn])[0];
    const double colourWeight = doubles(prhs[ColourWeightIn])[0];
    if (!(decay < 1.0)) check.fail("decay", "decay must be below 1 (the search radii must shrink); got %g", decay);
    if (nU > 0 && nF > 1 && nB > 1 && decay > 0.0) {
        const double rounds = std::log(static_cast<double>(nF < nB ? nF : nB)) / -std::log(decay);
        if (!(rounds <= maxRandomRounds))
            check.fail("decay", "decay %.17g needs about %.3g random rounds per pixel; at most %.0f are supported",
                       decay, rounds, maxRandomRounds);
    }
    std::uint32_t seed = static_cast<std::uint32_t>(static_cast<long long>(now));
    if (seedGiven) {
        const double s = doubles(prhs[SeedIn])[0];
        if (!(s >= 0.0 && s <= 4294967295.0 && s == std::floor(s)))
            check.fail("seed", "seed must be an integer in 0..4294967295; got %.17g", s);
        seed = static_cast<std::uint32_t>(s);
    }

    if (nU > 0 && (nF == 0 || nB == 0))
        check.fail("noSamples", "%lld unknown pixels need at least one foreground and one background sample; "
                   "got %lld and %lld", nU, nF, nB);
    const std::int32_t* fgIndex = int32s(prhs[FgIndexIn]);
    const std::int32_t* bgIndex = int32s(prhs[BgIndexIn]);
    checkPairIndices(fgIndex, nU, "fgIndexRange", "fgIndex", nF, "foreground");
    checkPairIndices(bgIndex, nU, "bgIndexRange", "bgIndex", nB, "background");

    const std::int32_t* indexMap = int32s(prhs[IndexMapIn]);
    const std::uint8_t* unknownMask = hostArgs::bytes(prhs[UnknownMaskIn]);
    checkIndexMap(indexMap, unknownMask, rows * cols, nU);
    const double* unknownPos = doubles(prhs[UnknownPosIn]);
    checkUnknownPositions(unknownPos, nU, rows, cols);

    // --------------------------------------------------------- allocate
    const PassInput in{doubles(prhs[UnknownColourIn]), unknownPos, doubles(prhs[FgColourIn]), doubles(prhs[FgPosIn]),
                       doubles(prhs[BgColourIn]), doubles(prhs[BgPosIn]), doubles(prhs[FgScaleIn]),
                       doubles(prhs[BgScaleIn]), indexMap, unknownMask, fgIndex, bgIndex,
                       static_cast<pairseek::Count>(nU), static_cast<pairseek::Count>(nF),
                       static_cast<pairseek::Count>(nB), static_cast<pairseek::Count>(rows),
                       static_cast<pairseek::Count>(cols), {decay, colourWeight}};
    // With outputs the pass runs on new copies and the inputs stay untouched;
    // without, it writes into the inputs' storage (shared with the caller).
    mxArray* results[PairSeekOutputs] = {};
    PassTarget target;
    if (nlhs > 0) {
        results[FgIndexOut] = copyOf(prhs[FgIndexIn]);
        results[BgIndexOut] = copyOf(prhs[BgIndexIn]);
        results[OpacityOut] = copyOf(prhs[OpacityIn]);
        target = {static_cast<std::int32_t*>(mxGetData(results[FgIndexOut])),
                  static_cast<std::int32_t*>(mxGetData(results[BgIndexOut])),
                  static_cast<double*>(mxGetData(results[OpacityOut]))};
    } else {
        target = {static_cast<std::int32_t*>(mxGetData(prhs[FgIndexIn])),
                  static_cast<std::int32_t*>(mxGetData(prhs[BgIndexIn])),
                  static_cast<double*>(mxGetData(prhs[OpacityIn]))};
    }

    const hostArgs::RunStatus status = runPass(in, target, seed);
    char task[128];
    std::snprintf(task, sizeof task, "the pass over %lld unknown pixels and %lld + %lld samples", nU, nF, nB);
    check.finished(status, task);
    for (int k = 0; k < PairSeekOutputs && results[k]; ++k) {
        if (k < nlhs) plhs[k] = results[k];
        else mxDestroyArray(results[k]);
    }
}
