// The matte pipeline: fringe samples, first pairs from the nearest samples,
// search passes, then the refinement of the sampled alphas and the foreground.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <numeric>

#include "bandRefine.h"
#include "coarseStart.h"
#include "cutout.h"
#include "hugePages.h"
#include "inputs.h"
#include "lightScan.h"
#include "matting.h"
#include "nearestSample.h"
#include "pairseek.h"
#include "refineTargets.h"
#include "schedule.h"
#include "threadPool.h"

namespace pairseek {
namespace {

// Each pass has its own seed, well spread from the last.
constexpr std::uint32_t seedStep = 2654435769u;

struct Reporter {
    const ProgressCallback& callback;
    Progress progress{"scan", 0, 1, 0, 0, 0, 0};

    void operator()(const char* stage, int step, int steps) {
        if (!callback) return;
        progress.stage = stage;
        progress.step = step;
        progress.steps = steps;
        if (!callback(progress)) throw MatteError(MatteError::Kind::cancelled, "cancelled", "cancelled by the caller");
    }
};

// Column-major n x 3 colour and n x 2 position tables of sample records, as the
// search pass reads them (positions 1-based, as the scan writes them).
struct SampleTables {
    std::size_t n = 0;
    std::unique_ptr<double[]> colour, position;
    SampleTable view(IndexBase base) const { return {colour.get(), position.get(), static_cast<Count>(n), base}; }
};

// Records per part of the pipeline's per-pixel copies.
constexpr std::ptrdiff_t partRecords = 1 << 16;

// task(first, last) over 0 .. n - 1 in parts of partRecords.
void inRecordParts(std::size_t n, const ParallelFor& parallel,
                   const std::function<void(std::size_t, std::size_t)>& task) {
    inParts(static_cast<std::ptrdiff_t>(n), partRecords, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        task(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
    });
}

SampleTables tablesOf(const std::vector<SampleRecord>& records, const ParallelFor& parallel) {
    const std::size_t n = records.size();
    SampleTables t;
    t.n = n;
    t.colour = unsetOnHugePages<double>(3 * n, parallel);
    t.position = unsetOnHugePages<double>(2 * n, parallel);
    inRecordParts(n, parallel, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            t.colour[i] = records[i].red;
            t.colour[n + i] = records[i].green;
            t.colour[2 * n + i] = records[i].blue;
            t.position[i] = records[i].row;
            t.position[n + i] = records[i].col;
        }
    });
    return t;
}

std::ptrdiff_t cellOf(const SampleRecord& s, std::ptrdiff_t rows) {
    return static_cast<std::ptrdiff_t>(s.row) - 1 + (static_cast<std::ptrdiff_t>(s.col) - 1) * rows;
}

// First pairs and scales: each unknown pixel's nearest foreground and background
// sample and the distances to them (at least 1, so every cost stays finite).
void nearestPairs(const ParallelFor& parallel, const FringeScanResult& scan, std::ptrdiff_t rows, std::ptrdiff_t cols,
                  std::vector<std::int32_t>& fgIndex, std::vector<std::int32_t>& bgIndex,
                  std::unique_ptr<double[]>& fgScale, std::unique_ptr<double[]>& bgScale) {
    std::vector<std::ptrdiff_t> cells;
    resizeAdvised(cells, scan.unknown.size(), parallel);
    inRecordParts(cells.size(), parallel, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) cells[i] = cellOf(scan.unknown[i], rows);
    });
    for (int list = 0; list < 2; ++list) {
        const std::vector<SampleRecord>& samples = list == 0 ? scan.foreground : scan.background;
        std::vector<std::int32_t>& index = list == 0 ? fgIndex : bgIndex;
        std::unique_ptr<double[]>& scale = list == 0 ? fgScale : bgScale;
        resizeAdvised(index, cells.size(), parallel);
        scale = unsetOnHugePages<double>(cells.size(), parallel);
        std::vector<std::ptrdiff_t> sampleCells(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i) sampleCells[i] = cellOf(samples[i], rows);
        nearestSamples(rows, cols, sampleCells, cells, index.data(), scale.get(), parallel);
        inRecordParts(cells.size(), parallel, [&](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i) scale[i] = std::max(scale[i], 1.0);
        });
    }
}

// task(first, last) over the pixels 0 .. rows * cols - 1 in parts of whole columns.
void inPixelParts(const MatteInput& in, const ParallelFor& parallel,
                  const std::function<void(std::size_t, std::size_t)>& task) {
    inColumnParts(in.cols, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        task(static_cast<std::size_t>(first * in.rows), static_cast<std::size_t>(last * in.rows));
    });
}

double clampUnit(double a) { return a > 0.0 ? std::min(a, 1.0) : 0.0; }   // NaN to 0

Matte knownOnly(const MatteInput& in, const ParallelFor& parallel) {
    Matte m;
    m.rows = in.rows;
    m.cols = in.cols;
    const std::size_t plane = in.fgMask.size();
    assignOnHugePages(m.alpha, plane, 0.0, parallel);
    inPixelParts(in, parallel, [&](std::size_t first, std::size_t last) {
        for (std::size_t p = first; p < last; ++p) m.alpha[p] = in.fgMask[p] ? 1.0 : 0.0;
    });
    return m;
}

// The foreground planes of the known pixels: the image on the foreground, 0 elsewhere.
void knownForeground(const MatteInput& in, Matte& m, const ParallelFor& parallel) {
    const std::size_t plane = in.fgMask.size();
    assignOnHugePages(m.foreground, 3 * plane, 0.0, parallel);
    inPixelParts(in, parallel, [&](std::size_t first, std::size_t last) {
        for (std::size_t p = first; p < last; ++p)
            if (in.fgMask[p])
                for (std::size_t k = 0; k < 3; ++k) m.foreground[p + k * plane] = in.image[p + k * plane];
    });
}

// The pixels' 3 x 3 windows reach one column to each side: strips of whole
// columns, run even strips first and odd ones next, never touch each other's
// pairs while they run. Strips hold at least stripPixels unknown pixels (see
// schedule.h), so a small image is one strip and its passes are the sequential
// ones, bit for bit. Enough strips for the threads to share out evenly:
constexpr std::ptrdiff_t stripsWanted = 64;

// Strip k is the unknown list's range first[k] .. first[k + 1] - 1: whole
// columns, split by the unknown pixels alone (never by the number of threads).
std::vector<std::ptrdiff_t> stripsOf(const std::vector<SampleRecord>& unknown, std::ptrdiff_t stripPixels) {
    const auto nU = static_cast<std::ptrdiff_t>(unknown.size());
    const std::ptrdiff_t size = std::max(stripPixels, (nU + stripsWanted - 1) / stripsWanted);
    std::vector<std::ptrdiff_t> first{0};
    for (std::ptrdiff_t i = 1; i < nU; ++i)
        if (i - first.back() >= size && unknown[static_cast<std::size_t>(i)].col != unknown[static_cast<std::size_t>(i - 1)].col &&
            nU - i >= size)
            first.push_back(i);
    first.push_back(nU);
    return first;
}

// Strip k's draws: the pass seed itself for the first strip (one strip is
// exactly the sequential pass), well mixed with k for the others.
std::uint32_t stripSeed(std::uint32_t passSeed, std::ptrdiff_t k) {
    if (k == 0) return passSeed;
    std::uint32_t h = passSeed + seedStep * static_cast<std::uint32_t>(k);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

// The band solve as the pipeline runs it: with the pull towards known pixels of
// the same colour, which mends strands and holes the fringe's pairs misjudge,
// and solved closer than refineBand's default: the targets drawn up against the
// start (see run) differ from it where the pairs' alphas disagree, and their
// effect reaches the matte only through the iterations that follow.
RefineParams pipelineRefine() {
    RefineParams params;
    params.knownPull.strength = 0.3;
    params.tolerance = 5e-4;
    return params;
}

// The coarse closed-form start, tied to its own guided start: across a wide band
// of even colour the Laplacian is nearly flat, and where its solve stops there
// would set the level of a veil or of dense hair; the tie sets it instead to what
// the known cells around say through their local colour models.
CoarseStartParams pipelineCoarseStart() {
    CoarseStartParams params;
    params.startTie = 1e-3;
    return params;
}

Matte run(const MatteInput& in, const MatteOptions& options, ThreadPool& pool, std::ptrdiff_t stripPixels) {
    Reporter report{options.progress};
    const ParallelFor onPool = pool.parallelFor();
    Matte matte = knownOnly(in, onPool);
    const auto rows = static_cast<Count>(in.rows), cols = static_cast<Count>(in.cols);
    if (std::find(in.unknownMask.begin(), in.unknownMask.end(), 1) == in.unknownMask.end()) {
        knownForeground(in, matte, onPool);
        return matte;
    }

    FringeScanResult scan =
        collectFringe(in.image.data(), in.fgMask.data(), in.bgMask.data(), in.unknownMask.data(), rows, cols, onPool);
    // The search and the targets read alphas from the scan's colours: as blends of
    // light. The smoothness terms and the foreground work on the stored values.
    decodeToLight(scan, options.gamma, onPool);
    const std::size_t nU = scan.unknown.size();
    report.progress.unknown = static_cast<std::int64_t>(nU);
    report.progress.foregroundSamples = static_cast<std::int64_t>(scan.foreground.size());
    report.progress.backgroundSamples = static_cast<std::int64_t>(scan.background.size());
    if (scan.foreground.empty())
        throw MatteError(MatteError::Kind::value, "noForeground",
                         "the " + std::to_string(nU) + " unknown pixels touch no foreground pixel; the trimap needs "
                         "foreground next to its unknown region");
    if (scan.background.empty())
        throw MatteError(MatteError::Kind::value, "noBackground",
                         "the " + std::to_string(nU) + " unknown pixels touch no background pixel; the trimap needs "
                         "background next to its unknown region");
    // The band's sparse matrix indexes its entries (up to 25 per pixel) in 32 bits.
    if (options.refine && nU > static_cast<std::size_t>(INT32_MAX / 25))
        throw MatteError(MatteError::Kind::value, "tooLarge",
                         std::to_string(nU) + " unknown pixels are too many to refine (at most " +
                             std::to_string(INT32_MAX / 25) + "); narrow the unknown band or turn refine off");
    report("scan", 1, 1);

    std::vector<std::int32_t> fgIndex, bgIndex;
    // The distances to the nearest known pixels: the search's scales, and how far
    // the refinement trusts the targets; they go once the targets have them.
    std::unique_ptr<double[]> fgScale, bgScale;
    {
        nearestPairs(onPool, scan, in.rows, in.cols, fgIndex, bgIndex, fgScale, bgScale);
        const SampleTables unknown = tablesOf(scan.unknown, onPool), foreground = tablesOf(scan.foreground, onPool),
                           background = tablesOf(scan.background, onPool);
        report("pairs", 1, 1);

        // The passes write each unknown pixel's alpha straight into the matte's plane.
        double* opacity = matte.alpha.data();
        const PreparedPass search(unknown.view(IndexBase::one), foreground.view(IndexBase::one),
                                  background.view(IndexBase::one), fgScale.get(), bgScale.get(),
                                  {scan.indexMap.data(), rows, cols, IndexBase::one}, in.unknownMask.data(),
                                  {options.decay, options.colourWeight}, {fgIndex.data(), bgIndex.data()},
                                  opacity);
        const std::vector<std::ptrdiff_t> strip = stripsOf(scan.unknown, stripPixels);
        const auto strips = static_cast<std::ptrdiff_t>(strip.size()) - 1;
        std::vector<std::int32_t> previousFg, previousBg;
        std::uint32_t seed = options.seed;
        for (int pass = 1; pass <= options.passes; ++pass) {
            if (options.progress) {
                resizeAdvised(previousFg, nU, onPool);
                resizeAdvised(previousBg, nU, onPool);
                inRecordParts(nU, onPool, [&](std::size_t first, std::size_t last) {
                    std::copy(fgIndex.begin() + first, fgIndex.begin() + last, previousFg.begin() + first);
                    std::copy(bgIndex.begin() + first, bgIndex.begin() + last, previousBg.begin() + first);
                });
            }
            for (std::ptrdiff_t parity = 0; parity < 2; ++parity)
                pool.forEach((strips - parity + 1) / 2, [&](std::ptrdiff_t part) {
                    const std::ptrdiff_t k = 2 * part + parity;
                    LinearCongruential random(stripSeed(seed, k));
                    search.run(strip[static_cast<std::size_t>(k)], strip[static_cast<std::size_t>(k + 1)], random);
                });
            if (options.progress) {
                std::vector<std::int64_t> changed((nU + partRecords - 1) / partRecords);
                inRecordParts(nU, onPool, [&](std::size_t first, std::size_t last) {
                    std::int64_t& count = changed[first / partRecords];
                    for (std::size_t i = first; i < last; ++i) count += fgIndex[i] != previousFg[i] || bgIndex[i] != previousBg[i];
                });
                report.progress.changedPairs = std::accumulate(changed.begin(), changed.end(), std::int64_t{0});
            }
            report("search", pass, options.passes);
            seed += seedStep;
        }
        inRecordParts(nU, onPool, [&](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i) {
                const auto cell = static_cast<std::size_t>(cellOf(scan.unknown[i], in.rows));
                matte.alpha[cell] = clampUnit(opacity[cell]);
            }
        });
    }   // the search's tables go before the refinement needs its memory

    // From here on the unknown pixels are found in the mask, in parts of columns,
    // each part numbering its own from the count of those before it (the list's
    // order); the list and the index map go once the targets are known, before
    // the refinement's peak.
    const std::size_t plane = in.unknownMask.size();
    constexpr std::ptrdiff_t maskColumns = 64;
    std::vector<std::size_t> unknownBefore(static_cast<std::size_t>((in.cols + maskColumns - 1) / maskColumns) + 1);
    inColumnParts(
        in.cols, onPool,
        [&](std::ptrdiff_t first, std::ptrdiff_t last) {
            unknownBefore[static_cast<std::size_t>(first / maskColumns) + 1] = static_cast<std::size_t>(
                std::count(in.unknownMask.begin() + first * in.rows, in.unknownMask.begin() + last * in.rows, 1));
        },
        maskColumns);
    std::partial_sum(unknownBefore.begin(), unknownBefore.end(), unknownBefore.begin());
    auto eachUnknown = [&](auto&& visit) {
        inColumnParts(
            in.cols, onPool,
            [&](std::ptrdiff_t first, std::ptrdiff_t last) {
                std::size_t i = unknownBefore[static_cast<std::size_t>(first / maskColumns)];
                for (auto p = static_cast<std::size_t>(first * in.rows); p < static_cast<std::size_t>(last * in.rows); ++p)
                    if (in.unknownMask[p]) visit(i++, p);
            },
            maskColumns);
    };
    // The guided filter of the targets is a smooth matte: the targets are drawn up
    // again against it (redrawTargets), so that of the pairs that fit a colour about
    // equally well the ones that agree with it win. The solve, stopped early, keeps
    // much of its start where no known pixel is near; it starts from the coarse
    // closed-form matte, which carries what the known pixels say across wide bands.
    RefineTargets targets;
    const auto refineInput = [&] {
        return RefineInput{in.image.data(), in.unknownMask.data(), matte.alpha.data(), targets.target.data(),
                           targets.confidence.data(), in.rows, in.cols};
    };
    std::vector<double> start;
    const RefineParams refineParams = pipelineRefine();
    if (options.refine) {
        report("refine", 0, 1);
        targets = refineTargets(scan, fgIndex.data(), bgIndex.data(), in.rows, in.cols, {}, onPool);
        {
            const std::vector<double> smooth =
                guidedBand(refineInput(), refineParams.guidedRadius, refineParams.epsilon, onPool);
            redrawTargets(scan, fgIndex.data(), bgIndex.data(), in.rows, in.cols, smooth.data(), targets.target, {},
                          {}, onPool);
        }
        start = coarseStart(refineInput(), pipelineCoarseStart(), onPool);
        // The smooth matte above weighs the targets by the pairs' agreement alone;
        // the solve trusts them less where both known sides are near.
        weighByBalance(targets.confidence, fgScale.get(), bgScale.get(), TargetParams{}.balancedTrust, onPool);
    }
    fgScale.reset();
    bgScale.reset();
    std::vector<SampleRecord>().swap(scan.unknown);
    std::vector<std::int32_t>().swap(scan.indexMap);
    if (options.refine) {
        const std::vector<double> refined = refineBand(refineInput(), refineParams, std::move(start), onPool);
        eachUnknown([&](std::size_t i, std::size_t cell) { matte.alpha[cell] = refined[i]; });
        report("refine", 1, 1);
    }
    targets = {};   // before the foreground estimate needs its memory

    if (options.foreground == Foreground::estimated) {
        std::vector<std::int32_t>().swap(fgIndex);
        std::vector<std::int32_t>().swap(bgIndex);
        // The estimate becomes the matte's foreground planes: it holds the image where
        // alpha is 1; what is neither foreground nor unknown is 0, as without an estimate.
        matte.foreground = estimateForeground(in.image.data(), matte.alpha.data(), in.rows, in.cols, {}, onPool, pool.size())
                .foreground;
        inPixelParts(in, onPool, [&](std::size_t first, std::size_t last) {
            for (std::size_t p = first; p < last; ++p)
                if (!in.fgMask[p] && !in.unknownMask[p])
                    for (std::size_t k = 0; k < 3; ++k) matte.foreground[p + k * plane] = 0.0;
        });
    } else {
        knownForeground(in, matte, onPool);
        // The sample's stored colour, not the light the scan holds.
        eachUnknown([&](std::size_t i, std::size_t cell) {
            const auto at = static_cast<std::size_t>(cellOf(scan.foreground[static_cast<std::size_t>(fgIndex[i])], in.rows));
            for (std::size_t k = 0; k < 3; ++k) matte.foreground[cell + k * plane] = in.image[at + k * plane];
        });
    }
    report("foreground", 1, 1);
    return matte;
}

// Runs the pipeline, the reading of the inputs included, on one pool, with
// exhausted memory reported as a MatteError.
template <class Read>
Matte guarded(const MatteOptions& options, const ArrayView& image, Read&& read,
              std::ptrdiff_t stripPixels = detail::defaultStripPixels) {
    checkOptions(options);
    return reportingMemory("matte", image, [&] {
        ThreadPool pool(options.threads);
        return run(read(pool.parallelFor()), options, pool, stripPixels);
    });
}

}  // namespace

Matte pairMatte(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options) {
    return guarded(options, image, [&](const ParallelFor& parallel) { return readInput(image, trimap, parallel); });
}

Matte pairMatte(const ArrayView& image, const TrimapMasks& masks, const MatteOptions& options) {
    return guarded(options, image, [&](const ParallelFor& parallel) { return readInput(image, masks, parallel); });
}

Matte detail::pairMatteInStrips(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options,
                                std::ptrdiff_t stripPixels) {
    return guarded(
        options, image, [&](const ParallelFor& parallel) { return readInput(image, trimap, parallel); }, stripPixels);
}

const char* version() { return "0.4.0"; }

}  // namespace pairseek
