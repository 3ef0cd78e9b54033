// fringe_scan and pair_seek: the core's scan and one search pass
// (core/matting.h) for callers who drive the search themselves. Python sees
// 0-based positions and indices; every precondition of the core is checked
// here, so no argument can crash the interpreter.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "arrays.h"
#include "bindings.h"
#include "defaults.h"
#include "matting.h"
#include "pairseek.h"

namespace binding {

namespace {

constexpr long long maxCount = INT32_MAX;   // the core's counts and grid sides are 32-bit

// Each pixel runs about log(samples) / -log(decay) random rounds; above this a pass practically never ends.
constexpr double maxRandomRounds = 100000;

std::string number(double v) {
    py::str text = py::repr(py::float_(v));
    return text.cast<std::string>();
}

// ------------------------------------------------------------------ checks

template <class T>
void requireDtype(const py::array& a, const char* name, const char* expected) {
    if (!hasDtype<T>(a)) typeError(std::string(name) + " must be " + expected + "; got dtype " + dtypeName(a));
}

void requireMask(const py::array& a, const char* name) {
    if (!hasDtype<bool>(a) && !hasDtype<std::uint8_t>(a) && !hasDtype<std::int8_t>(a))
        typeError(std::string(name) + " must be bool, uint8 or int8 (set where non-zero); got dtype " + dtypeName(a));
}

void requireGrid(const py::array& a, const char* name, py::ssize_t rows, py::ssize_t cols) {
    if (a.ndim() != 2 || a.shape(0) != rows || a.shape(1) != cols)
        valueError(std::string(name) + " must be " + std::to_string(rows) + " x " + std::to_string(cols) + "; got " +
                   shapeText(a));
}

// An n x k table (k >= minCols) whose row count is returned.
py::ssize_t requireTable(const py::array& a, const char* name, py::ssize_t minCols) {
    if (a.ndim() != 2 || a.shape(1) < minCols)
        valueError(std::string(name) + " must be an n x " + std::to_string(minCols) + " (or wider) table; got " +
                   shapeText(a));
    return a.shape(0);
}

void requireRows(const py::array& a, const char* name, py::ssize_t n, py::ssize_t cols, const char* partner) {
    if (a.ndim() != 2 || a.shape(0) != n || a.shape(1) != cols)
        valueError(std::string(name) + " must be " + std::to_string(n) + " x " + std::to_string(cols) +
                   " (one row per row of " + partner + "); got " + shapeText(a));
}

void requireVector(const py::array& a, const char* name, py::ssize_t n) {
    if (a.ndim() != 1 || a.shape(0) != n)
        valueError(std::string(name) + " must have shape (" + std::to_string(n) +
                   ",) (one entry per unknown pixel); got " + shapeText(a));
}

void requireCount(long long n, const char* what) {
    if (n > maxCount)
        valueError(std::string(what) + " is " + std::to_string(n) + "; at most " + std::to_string(maxCount) +
                   " is supported");
}

// Column-major storage of an array whose dtype was checked (a copy only when the layout differs).
template <class T>
const T* fortranData(py::array& a) {
    a = numpy().attr("require")(a, py::none(), py::make_tuple("F_CONTIGUOUS", "ALIGNED"));
    return static_cast<const T*>(a.data());
}

// ------------------------------------------------------------------ fringe_scan

std::vector<double> positions(const std::vector<pairseek::SampleRecord>& list) {
    const std::size_t n = list.size();
    std::vector<double> pos(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        pos[i] = list[i].row - 1.0;
        pos[n + i] = list[i].col - 1.0;
    }
    return pos;
}

std::vector<double> colours(const std::vector<pairseek::SampleRecord>& list) {
    const std::size_t n = list.size();
    std::vector<double> colour(4 * n);
    for (std::size_t i = 0; i < n; ++i) {
        colour[i] = list[i].red;
        colour[n + i] = list[i].green;
        colour[2 * n + i] = list[i].blue;
        colour[3 * n + i] = list[i].gray;
    }
    return colour;
}

py::tuple fringeScan(py::array image, py::array fgMask, py::array bgMask, py::array unknownMask) {
    // --------------------------------------------------------- check
    requireDtype<double>(image, "image", "float64");
    if (image.ndim() != 3 || image.shape(2) != 3) valueError("image must be H x W x 3; got " + shapeText(image));
    const py::ssize_t rows = image.shape(0), cols = image.shape(1);
    requireCount(rows * cols, "the number of image pixels");
    py::array* masks[3] = {&fgMask, &bgMask, &unknownMask};
    const char* names[3] = {"fg_mask", "bg_mask", "unknown_mask"};
    for (int m = 0; m < 3; ++m) {
        requireMask(*masks[m], names[m]);
        requireGrid(*masks[m], names[m], rows, cols);
    }

    // --------------------------------------------------------- run
    const double* pixels = fortranData<double>(image);
    const std::uint8_t* maskData[3];
    for (int m = 0; m < 3; ++m) maskData[m] = fortranData<std::uint8_t>(*masks[m]);
    pairseek::FringeScanResult scan;
    {
        py::gil_scoped_release unlocked;
        scan = pairseek::collectFringe(pixels, maskData[0], maskData[1], maskData[2],
                                       static_cast<pairseek::Count>(rows), static_cast<pairseek::Count>(cols));
        for (std::int32_t& k : scan.indexMap) k -= 1;   // 1-based rank or 0 to 0-based index or -1
    }

    // --------------------------------------------------------- results
    auto n = [](const std::vector<pairseek::SampleRecord>& list) { return static_cast<py::ssize_t>(list.size()); };
    return py::make_tuple(fortranArray(positions(scan.foreground), {n(scan.foreground), 2}),
                          fortranArray(colours(scan.foreground), {n(scan.foreground), 4}),
                          fortranArray(positions(scan.background), {n(scan.background), 2}),
                          fortranArray(colours(scan.background), {n(scan.background), 4}),
                          fortranArray(positions(scan.unknown), {n(scan.unknown), 2}),
                          fortranArray(colours(scan.unknown), {n(scan.unknown), 4}),
                          fortranArray(std::move(scan.indexMap), {rows, cols}));
}

// ------------------------------------------------------------------ pair_seek

// A copy of a 1-d int32 array, each entry checked to lie in 0 .. n - 1.
std::vector<std::int32_t> pairIndices(const py::array& a, const char* name, py::ssize_t n, const char* what) {
    auto entries = a.unchecked<std::int32_t, 1>();
    std::vector<std::int32_t> copy(static_cast<std::size_t>(entries.shape(0)));
    for (py::ssize_t i = 0; i < entries.shape(0); ++i) {
        const std::int32_t v = entries(i);
        if (v < 0 || v >= n)
            valueError(std::string(name) + "[" + std::to_string(i) + "] is " + std::to_string(v) + "; expected 0.." +
                       std::to_string(n - 1) + " (an index into the " + what + " samples)");
        copy[static_cast<std::size_t>(i)] = v;
    }
    return copy;
}

// Every entry names an unknown pixel or none (-1), and every set mask pixel names one.
void checkIndexMap(const std::int32_t* indexMap, const std::uint8_t* unknownMask, py::ssize_t rows,
                   py::ssize_t cols, py::ssize_t nU) {
    for (py::ssize_t c = 0; c < cols; ++c)
        for (py::ssize_t r = 0; r < rows; ++r) {
            const std::int32_t v = indexMap[r + c * rows];
            const std::string at = "[" + std::to_string(r) + ", " + std::to_string(c) + "]";
            if (v < -1 || v >= nU)
                valueError("index_map" + at + " is " + std::to_string(v) + "; expected -1..." +
                           std::to_string(nU - 1) + " (an unknown pixel's index, or -1)");
            if (unknownMask[r + c * rows] && v == -1)
                valueError("unknown_mask" + at + " is set but index_map" + at +
                           " is -1; expected the index of its unknown pixel");
        }
}

// 0-based position p lands in cell trunc(p) of a side of length n.
bool insideGrid(double p, py::ssize_t n) { return p > -1.0 && p < static_cast<double>(n); }

void checkUnknownPositions(const double* pos, py::ssize_t nU, py::ssize_t rows, py::ssize_t cols) {
    for (py::ssize_t i = 0; i < nU; ++i) {
        const double r = pos[i], c = pos[nU + i];
        if (!insideGrid(r, rows) || !insideGrid(c, cols))
            valueError("unknown_pos[" + std::to_string(i) + "] is (" + number(r) + ", " + number(c) +
                       "); expected a cell of the " + std::to_string(rows) + " x " + std::to_string(cols) + " grid");
    }
}

void checkParameters(double decay, double colourWeight, long long seed, py::ssize_t nU, py::ssize_t nF,
                     py::ssize_t nB) {
    if (!(decay >= 0.0 && decay < 1.0)) valueError("decay must be a number with 0 <= decay < 1; got " + number(decay));
    const py::ssize_t fewest = nF < nB ? nF : nB;
    if (nU > 0 && fewest > 1 && decay > 0.0 &&
        !(std::log(static_cast<double>(fewest)) / -std::log(decay) <= maxRandomRounds))
        valueError("decay " + number(decay) + " shrinks the search radii too slowly (over " +
                   std::to_string(static_cast<long long>(maxRandomRounds)) + " random rounds per pixel)");
    if (!(colourWeight >= 0.0 && std::isfinite(colourWeight)))
        valueError("colour_weight must be a finite number >= 0; got " + number(colourWeight));
    if (seed < 0 || seed > 4294967295LL)
        valueError("seed must be an integer in 0..4294967295; got " + std::to_string(seed));
    if (nU > 0 && (nF == 0 || nB == 0))
        valueError(std::to_string(nU) + " unknown pixels need at least one foreground and one background sample; got " +
                   std::to_string(nF) + " and " + std::to_string(nB));
}

py::tuple pairSeek(py::array unknownColour, py::array unknownPos, py::array fgColour, py::array fgPos,
                   py::array bgColour, py::array bgPos, py::array fgScale, py::array bgScale, py::array indexMap,
                   py::array unknownMask, const py::array& fgIndexIn, const py::array& bgIndexIn,
                   const py::array& opacityIn, double decay, double colourWeight, long long seed) {
    // --------------------------------------------------------- check: dtypes, shapes, counts
    const struct { py::array* a; const char* name; } doubles[] = {
        {&unknownColour, "unknown_colour"}, {&unknownPos, "unknown_pos"}, {&fgColour, "fg_colour"},
        {&fgPos, "fg_pos"}, {&bgColour, "bg_colour"}, {&bgPos, "bg_pos"}, {&fgScale, "fg_scale"},
        {&bgScale, "bg_scale"}};
    for (const auto& d : doubles) requireDtype<double>(*d.a, d.name, "float64");
    requireDtype<double>(opacityIn, "opacity", "float64");
    requireDtype<std::int32_t>(indexMap, "index_map", "int32 (as fringe_scan returns it)");
    requireDtype<std::int32_t>(fgIndexIn, "fg_index", "int32");
    requireDtype<std::int32_t>(bgIndexIn, "bg_index", "int32");
    requireMask(unknownMask, "unknown_mask");

    const py::ssize_t nU = requireTable(unknownColour, "unknown_colour", 3);
    const py::ssize_t nF = requireTable(fgColour, "fg_colour", 3);
    const py::ssize_t nB = requireTable(bgColour, "bg_colour", 3);
    requireRows(unknownPos, "unknown_pos", nU, 2, "unknown_colour");
    requireRows(fgPos, "fg_pos", nF, 2, "fg_colour");
    requireRows(bgPos, "bg_pos", nB, 2, "bg_colour");
    requireVector(fgScale, "fg_scale", nU);
    requireVector(bgScale, "bg_scale", nU);
    requireVector(fgIndexIn, "fg_index", nU);
    requireVector(bgIndexIn, "bg_index", nU);
    if (indexMap.ndim() != 2) valueError("index_map must be H x W; got " + shapeText(indexMap));
    const py::ssize_t rows = indexMap.shape(0), cols = indexMap.shape(1);
    requireGrid(unknownMask, "unknown_mask", rows, cols);
    requireGrid(opacityIn, "opacity", rows, cols);
    requireCount(nU, "the number of unknown pixels");
    requireCount(nF, "the number of foreground samples");
    requireCount(nB, "the number of background samples");
    requireCount(rows, "the number of grid rows");
    requireCount(cols, "the number of grid columns");
    checkParameters(decay, colourWeight, seed, nU, nF, nB);

    // --------------------------------------------------------- check: values
    std::vector<std::int32_t> fgIndex = pairIndices(fgIndexIn, "fg_index", nF, "foreground");
    std::vector<std::int32_t> bgIndex = pairIndices(bgIndexIn, "bg_index", nB, "background");
    const std::int32_t* map = fortranData<std::int32_t>(indexMap);
    const std::uint8_t* mask = fortranData<std::uint8_t>(unknownMask);
    checkIndexMap(map, mask, rows, cols, nU);
    const double* unknownPositions = fortranData<double>(unknownPos);
    checkUnknownPositions(unknownPositions, nU, rows, cols);

    // --------------------------------------------------------- allocate: new results, the inputs stay as they are
    std::vector<double> opacity(static_cast<std::size_t>(rows * cols));
    auto opacityEntries = opacityIn.unchecked<double, 2>();
    for (py::ssize_t c = 0; c < cols; ++c)
        for (py::ssize_t r = 0; r < rows; ++r) opacity[static_cast<std::size_t>(r + c * rows)] = opacityEntries(r, c);

    // --------------------------------------------------------- run
    const auto count = [](py::ssize_t n) { return static_cast<pairseek::Count>(n); };
    const pairseek::SampleTable unknown{fortranData<double>(unknownColour), unknownPositions, count(nU)};
    const pairseek::SampleTable foreground{fortranData<double>(fgColour), fortranData<double>(fgPos), count(nF)};
    const pairseek::SampleTable background{fortranData<double>(bgColour), fortranData<double>(bgPos), count(nB)};
    const double* fgScales = fortranData<double>(fgScale);
    const double* bgScales = fortranData<double>(bgScale);
    {
        py::gil_scoped_release unlocked;
        pairseek::LinearCongruential random(static_cast<std::uint32_t>(seed));
        pairseek::searchPass(unknown, foreground, background, fgScales, bgScales, {map, count(rows), count(cols)},
                             mask, {decay, colourWeight}, {fgIndex.data(), bgIndex.data()}, opacity.data(), random);
    }
    return py::make_tuple(fortranArray(std::move(fgIndex), {nU}), fortranArray(std::move(bgIndex), {nU}),
                          fortranArray(std::move(opacity), {rows, cols}));
}

const pairseek::MatteOptions defaults;

constexpr const char* fringeScanDoc = R"(Boundary samples and unknown pixels of a trimap, for driving the search yourself.

Parameters
----------
image : ndarray of float64, shape (H, W, 3)
    RGB colours (in [0, 1] for the default colour weight).
fg_mask, bg_mask, unknown_mask : ndarray of bool, uint8 or int8, shape (H, W)
    The trimap's three regions, set where non-zero.

Returns
-------
fg_pos, fg_colour, bg_pos, bg_colour, unknown_pos, unknown_colour, index_map : ndarray
    ``*_pos`` are n x 2 float64 (row, column; 0-based), ``*_colour`` n x 4 float64 (R, G,
    B and gray = 0.587 G + 0.299 R + 0.114 B). The foreground and background lists hold
    the pixels of their mask next to an unknown pixel (8-neighbourhood), the unknown list
    every unknown pixel, all in column-major order. ``index_map`` is H x W int32: the
    pixel's row in the unknown list, -1 elsewhere. The inputs are not changed.

Examples
--------
>>> fg_pos, fg_colour, bg_pos, bg_colour, unknown_pos, unknown_colour, index_map = \
...     pairseek.fringe_scan(image, trimap == 1, trimap == 0, (trimap > 0) & (trimap < 1))

See Also
--------
pair_seek : one pass of the pair search over these lists.
)";

constexpr const char* pairSeekDoc = R"(One pass of the randomised pair search; returns the new pairs and alphas.

Each unknown pixel, in list order, keeps the cheapest of its current pair, the pairs
its 3 x 3 neighbours hold now and random pairs around its current one; the opacity
that pair gives is written at the pixel's cell. All indices are 0-based.

Parameters
----------
unknown_colour, unknown_pos, fg_colour, fg_pos, bg_colour, bg_pos : ndarray of float64
    The lists of :func:`fringe_scan` (colour tables n x 3 or wider, positions n x 2).
fg_scale, bg_scale : ndarray of float64, shape (nU,)
    Per unknown pixel, the spatial scale of the foreground and background distance terms
    (the pipeline uses the distance to the nearest sample, at least 1).
index_map : ndarray of int32, shape (H, W)
    Unknown pixel index per cell, -1 elsewhere; set for every ``unknown_mask`` pixel.
unknown_mask : ndarray of bool, uint8 or int8, shape (H, W)
fg_index, bg_index : ndarray of int32, shape (nU,)
    Each unknown pixel's current pair: rows of the foreground and background lists.
opacity : ndarray of float64, shape (H, W)
    The alphas so far; cells of unknown pixels are overwritten in the result.
decay : float, default {decay}
    0 <= decay < 1: shrink factor of the random search radii.
colour_weight : float, default {colour_weight}
    >= 0, weight of the colour misfit against the spatial terms.
seed : int, default {seed}
    0..4294967295, seeds the pass's random draws.

Returns
-------
fg_index, bg_index : ndarray of int32, shape (nU,)
opacity : ndarray of float64, shape (H, W)
    New arrays; the inputs are not changed. The opacities are not clamped.

Raises
------
TypeError, ValueError
    A wrong dtype or shape, an index or position out of range, an index map that does
    not match the mask, no samples for the unknown pixels, or a parameter out of range.

Examples
--------
>>> n = len(unknown_pos)
>>> fg_index = np.zeros(n, np.int32); bg_index = np.zeros(n, np.int32)
>>> opacity = np.zeros(index_map.shape)
>>> for p in range(10):
...     fg_index, bg_index, opacity = pairseek.pair_seek(
...         unknown_colour, unknown_pos, fg_colour, fg_pos, bg_colour, bg_pos,
...         np.ones(n), np.ones(n), index_map, index_map >= 0, fg_index, bg_index, opacity, seed=p)
)";

}  // namespace

void bindSearch(py::module_& module) {
    module.def("fringe_scan", &fringeScan, fringeScanDoc, py::arg("image"), py::arg("fg_mask"), py::arg("bg_mask"),
               py::arg("unknown_mask"));
    module.def("pair_seek", &pairSeek, withDefaults(pairSeekDoc).c_str(), py::arg("unknown_colour"), py::arg("unknown_pos"),
               py::arg("fg_colour"), py::arg("fg_pos"), py::arg("bg_colour"), py::arg("bg_pos"), py::arg("fg_scale"),
               py::arg("bg_scale"), py::arg("index_map"), py::arg("unknown_mask"), py::arg("fg_index"),
               py::arg("bg_index"), py::arg("opacity"), py::kw_only(), py::arg("decay") = defaults.decay,
               py::arg("colour_weight") = defaults.colourWeight,
               py::arg("seed") = static_cast<long long>(defaults.seed));
}

}  // namespace binding
