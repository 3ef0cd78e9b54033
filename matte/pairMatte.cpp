// The matte pipeline: fringe samples, first pairs from the nearest samples,
// search passes, then the refinement of the sampled alphas and the foreground.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

#include "bandRefine.h"
#include "cutout.h"
#include "inputs.h"
#include "matting.h"
#include "nearestSample.h"
#include "pairseek.h"
#include "refineTargets.h"

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

// Column-major n x 4 colour and n x 2 position tables of sample records, as the
// search pass reads them (positions 1-based, as the scan writes them).
struct SampleTables {
    std::vector<double> colour, position;
    SampleTable view(IndexBase base) const {
        return {colour.data(), position.data(), static_cast<Count>(position.size() / 2), base};
    }
};

SampleTables tablesOf(const std::vector<SampleRecord>& records) {
    const std::size_t n = records.size();
    SampleTables t;
    t.colour.resize(3 * n);
    t.position.resize(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        t.colour[i] = records[i].red;
        t.colour[n + i] = records[i].green;
        t.colour[2 * n + i] = records[i].blue;
        t.position[i] = records[i].row;
        t.position[n + i] = records[i].col;
    }
    return t;
}

std::ptrdiff_t cellOf(const SampleRecord& s, std::ptrdiff_t rows) {
    return static_cast<std::ptrdiff_t>(s.row) - 1 + (static_cast<std::ptrdiff_t>(s.col) - 1) * rows;
}

// First pairs and scales: each unknown pixel's nearest foreground and background
// sample and the distances to them (at least 1, so every cost stays finite).
void nearestPairs(const FringeScanResult& scan, std::ptrdiff_t rows, std::ptrdiff_t cols,
                  std::vector<std::int32_t>& fgIndex, std::vector<std::int32_t>& bgIndex,
                  std::vector<double>& fgScale, std::vector<double>& bgScale) {
    std::vector<std::ptrdiff_t> cells(scan.unknown.size());
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = cellOf(scan.unknown[i], rows);
    auto fill = [&](const std::vector<SampleRecord>& samples, std::vector<std::int32_t>& index,
                    std::vector<double>& scale) {
        std::vector<std::ptrdiff_t> sampleCells(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i) sampleCells[i] = cellOf(samples[i], rows);
        const std::vector<NearestSample> nearest = nearestSamples(rows, cols, sampleCells, cells);
        index.resize(cells.size());
        scale.resize(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            index[i] = nearest[i].index;
            scale[i] = std::max(nearest[i].distance, 1.0);
        }
    };
    fill(scan.foreground, fgIndex, fgScale);
    fill(scan.background, bgIndex, bgScale);
}

double clampUnit(double a) { return a > 0.0 ? std::min(a, 1.0) : 0.0; }   // NaN to 0

Matte knownOnly(const MatteInput& in) {
    Matte m;
    m.rows = in.rows;
    m.cols = in.cols;
    const std::size_t plane = in.fgMask.size();
    m.alpha.resize(plane);
    m.foreground.assign(3 * plane, 0.0);
    for (std::size_t p = 0; p < plane; ++p) {
        m.alpha[p] = in.fgMask[p] ? 1.0 : 0.0;
        if (in.fgMask[p])
            for (std::size_t k = 0; k < 3; ++k) m.foreground[p + k * plane] = in.image[p + k * plane];
    }
    return m;
}

std::string sizeText(std::ptrdiff_t rows, std::ptrdiff_t cols) {
    char text[64];
    std::snprintf(text, sizeof text, "%tdx%td", rows, cols);
    return text;
}

Matte run(const MatteInput& in, const MatteOptions& options) {
    Reporter report{options.progress};
    Matte matte = knownOnly(in);
    const auto rows = static_cast<Count>(in.rows), cols = static_cast<Count>(in.cols);
    if (std::find(in.unknownMask.begin(), in.unknownMask.end(), 1) == in.unknownMask.end()) return matte;

    FringeScanResult scan =
        collectFringe(in.image.data(), in.fgMask.data(), in.bgMask.data(), in.unknownMask.data(), rows, cols);
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
    std::vector<double> fgScale, bgScale;
    nearestPairs(scan, in.rows, in.cols, fgIndex, bgIndex, fgScale, bgScale);

    const SampleTables unknown = tablesOf(scan.unknown), foreground = tablesOf(scan.foreground),
                       background = tablesOf(scan.background);
    std::vector<double> opacity(in.unknownMask.size(), 0.0);
    std::vector<std::int32_t> previousFg, previousBg;
    std::uint32_t seed = options.seed;
    for (int pass = 1; pass <= options.passes; ++pass) {
        if (options.progress) previousFg = fgIndex, previousBg = bgIndex;
        LinearCongruential random(seed);
        searchPass(unknown.view(IndexBase::one), foreground.view(IndexBase::one), background.view(IndexBase::one),
                   fgScale.data(), bgScale.data(), {scan.indexMap.data(), rows, cols, IndexBase::one},
                   in.unknownMask.data(), {options.decay, options.colourWeight}, {fgIndex.data(), bgIndex.data()},
                   opacity.data(), random);
        if (options.progress) {
            std::int64_t changed = 0;
            for (std::size_t i = 0; i < nU; ++i) changed += fgIndex[i] != previousFg[i] || bgIndex[i] != previousBg[i];
            report.progress.changedPairs = changed;
        }
        report("search", pass, options.passes);
        seed += seedStep;
    }

    for (std::size_t i = 0; i < nU; ++i) {
        const auto cell = static_cast<std::size_t>(cellOf(scan.unknown[i], in.rows));
        matte.alpha[cell] = clampUnit(opacity[cell]);
    }
    if (options.refine) {
        report("refine", 0, 1);
        const RefineTargets targets = refineTargets(scan, fgIndex.data(), bgIndex.data(), in.rows, in.cols);
        const RefineInput refineInput{in.image.data(), in.unknownMask.data(), matte.alpha.data(),
                                      targets.target.data(), targets.confidence.data(), in.rows, in.cols};
        const std::vector<double> refined = refineBand(refineInput, RefineParams{});
        for (std::size_t i = 0; i < nU; ++i)
            matte.alpha[static_cast<std::size_t>(cellOf(scan.unknown[i], in.rows))] = refined[i];
        report("refine", 1, 1);
    }

    const std::size_t plane = in.unknownMask.size();
    if (options.foreground == Foreground::estimated) {
        const std::vector<double> estimated =
            estimateForeground(in.image.data(), matte.alpha.data(), in.rows, in.cols).foreground;
        for (std::size_t i = 0; i < nU; ++i) {
            const auto cell = static_cast<std::size_t>(cellOf(scan.unknown[i], in.rows));
            for (std::size_t k = 0; k < 3; ++k) matte.foreground[cell + k * plane] = estimated[cell + k * plane];
        }
    } else {
        for (std::size_t i = 0; i < nU; ++i) {
            const auto cell = static_cast<std::size_t>(cellOf(scan.unknown[i], in.rows));
            const SampleRecord& f = scan.foreground[static_cast<std::size_t>(fgIndex[i])];
            matte.foreground[cell] = f.red;
            matte.foreground[cell + plane] = f.green;
            matte.foreground[cell + 2 * plane] = f.blue;
        }
    }
    report("foreground", 1, 1);
    return matte;
}

// Runs the pipeline with exhausted memory reported as a MatteError.
template <class Read>
Matte guarded(const MatteOptions& options, const ArrayView& image, Read&& read) {
    checkOptions(options);
    try {
        return run(read(), options);
    } catch (const std::bad_alloc&) {
        throw MatteError(MatteError::Kind::outOfMemory, "outOfMemory",
                         "not enough memory to matte a " + sizeText(image.rows, image.cols) + " image");
    } catch (const std::length_error&) {   // a size beyond what any allocation can hold
        throw MatteError(MatteError::Kind::outOfMemory, "outOfMemory",
                         "not enough memory to matte a " + sizeText(image.rows, image.cols) + " image");
    }
}

}  // namespace

Matte pairMatte(const ArrayView& image, const ArrayView& trimap, const MatteOptions& options) {
    return guarded(options, image, [&] { return readInput(image, trimap); });
}

Matte pairMatte(const ArrayView& image, const TrimapMasks& masks, const MatteOptions& options) {
    return guarded(options, image, [&] { return readInput(image, masks); });
}

const char* version() { return "0.4.0"; }

}  // namespace pairseek
