// estimate_alpha and matte: the whole pipeline (pairseek::pairMatte) over numpy
// arrays. Checks dtype and shape here, so that messages name the caller's
// argument; every value check is the pipeline's own.
#include <climits>
#include <optional>
#include <string>
#include <utility>

#include "argChecks.h"
#include "argTypes.h"
#include "arrays.h"
#include "bindings.h"
#include "defaults.h"
#include "pairseek.h"

namespace binding {

namespace {

using pairseek::ElementType;

ElementType trimapType(const py::array& trimap) {
    ElementType type;
    if (hasDtype<std::uint8_t>(trimap)) type = ElementType::uint8;
    else if (hasDtype<std::uint16_t>(trimap)) type = ElementType::uint16;
    else if (hasDtype<float>(trimap)) type = ElementType::float32;
    else if (hasDtype<double>(trimap)) type = ElementType::float64;
    else if (hasDtype<bool>(trimap)) type = ElementType::boolean;
    else
        typeError("trimap must be float64 or float32 in [0, 1], uint8, uint16 or bool; got dtype " +
                  dtypeName(trimap));
    if (trimap.ndim() != 2 && trimap.ndim() != 3)
        valueError("trimap must be H x W (or H x W x C, first channel read); got " + shapeText(trimap));
    return type;
}

// The caller's progress callable, run with the interpreter lock held. An
// exception it raises, or Ctrl-C, stops the pipeline and is raised again
// once the pipeline has unwound.
struct PythonProgress {
    py::object callback;   // None or a callable
    std::optional<py::error_already_set> raised;

    bool operator()(const pairseek::Progress& progress) {
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) {
            raised.emplace();
            return false;
        }
        if (callback.is_none()) return true;
        try {
            // A copy: the callable may keep it beyond the pipeline's own record.
            py::object answer = callback(py::cast(progress, py::return_value_policy::copy));
            if (answer.is_none()) return true;
            const int truth = PyObject_IsTrue(answer.ptr());
            if (truth < 0) throw py::error_already_set();
            return truth == 1;
        } catch (py::error_already_set& e) {
            raised.emplace(std::move(e));
            return false;
        }
    }
};

struct MatteCall {
    int passes;
    double decay, colourWeight;
    long long seed;
    bool refine;
    double gamma;
    py::object progress;
    pairseek::Foreground foreground;
    int threads;
};

// matte's `foreground` option by name, or ValueError.
pairseek::Foreground foregroundOption(const std::string& name) {
    if (name == foregroundName(pairseek::Foreground::estimated)) return pairseek::Foreground::estimated;
    if (name == foregroundName(pairseek::Foreground::samples)) return pairseek::Foreground::samples;
    valueError("foreground must be \"estimated\" or \"samples\"; got " + py::repr(py::str(name)).cast<std::string>());
}

pairseek::Matte runMatte(const py::object& imageArg, const py::object& trimapArg, const MatteCall& call) {
    // --------------------------------------------------------- check
    // Array-likes are read as numpy reads them; an ndarray is taken as it is.
    const py::array image = numpy().attr("asarray")(imageArg), trimap = numpy().attr("asarray")(trimapArg);
    const ElementType imageElement = imageType(image, "image");
    const ElementType trimapElement = trimapType(trimap);
    if (call.seed < 0 || call.seed > 4294967295LL)
        valueError("seed must be an integer in 0..4294967295; got " + std::to_string(call.seed));
    if (!call.progress.is_none() && !PyCallable_Check(call.progress.ptr()))
        typeError("progress must be a callable or None; got " +
                  py::str(py::type::of(call.progress).attr("__name__")).cast<std::string>());

    // --------------------------------------------------------- views
    const py::array imageData = elementAligned(image), trimapData = elementAligned(trimap);
    const pairseek::ArrayView imageView = viewOf(imageData, imageElement);
    const pairseek::ArrayView trimapView = viewOf(trimapData, trimapElement);

    // --------------------------------------------------------- run
    PythonProgress progress{call.progress, std::nullopt};
    pairseek::MatteOptions options;
    options.passes = call.passes;
    options.decay = call.decay;
    options.colourWeight = call.colourWeight;
    options.seed = static_cast<std::uint32_t>(call.seed);
    options.refine = call.refine;
    options.gamma = call.gamma;
    options.foreground = call.foreground;
    options.threads = call.threads;
    // Captures a pointer only: nothing Python is copied without the lock.
    options.progress = [reporter = &progress](const pairseek::Progress& p) { return (*reporter)(p); };
    try {
        py::gil_scoped_release unlocked;
        return pairseek::pairMatte(imageView, trimapView, options);
    } catch (const pairseek::MatteError&) {
        if (progress.raised) throw *progress.raised;
        throw;
    }
}

const pairseek::MatteOptions defaults;

constexpr const char* parametersDoc = R"(
Parameters
----------
image : ndarray, shape (H, W, 3) or (H, W)
    RGB or gray image: float64 or float32 in [0, 1], or uint8 / uint16 (scaled by
    1/255 or 1/65535). Any memory layout; it is read in place, never changed.
trimap : ndarray, shape (H, W)
    float64 or float32 in [0, 1]: 0 background, 1 foreground, any other value unknown.
    uint8: 0 / 255 and other; uint16: 0 / 65535 and other; bool: False / True (no
    unknown pixels). Of an (H, W, C) trimap the first channel is read.
passes : int, default {passes}
    Search passes, >= 1. More passes: better pairs, more time.
decay : float, default {decay}
    Shrink factor of the random search radii, 0 <= decay < 1.
colour_weight : float, default {colour_weight}
    Weight of the colour misfit against the spatial terms (colours in [0, 1]), >= 0.
seed : int, default {seed}
    0..4294967295. The same inputs, options and seed give the same matte, bit for bit,
    here and in every other pairseek host (C++, Octave, the command).
refine : bool, default {refine}
    True: a smooth, edge-aware matte from the sampled alphas, each weighted by its
    pair's confidence. False: the search's own alphas, clamped to [0, 1].
gamma : float, default {gamma}
    0.25..4. The search and the refinement read each alpha as a blend of
    value ** gamma: a camera mixes the light of foreground and background, but stores
    light ** (1 / gamma). Above 1 for photographs; 1 for composites blended in their
    stored values, which it then reads exactly.
progress : callable or None, default None
    Called as ``progress(p)`` after the fringe scan, after each search pass and around
    the refinement, with the interpreter lock held; ``p`` is a :class:`pairseek.Progress`
    (``p.stage``, ``p.step``, ``p.steps``, ``p.unknown``, ...). Return False to stop:
    :class:`pairseek.Cancelled` is raised. An exception it raises is raised again here.
threads : int, default 0
    Threads to run on, 0 for every core. The matte is the same, bit for bit, for any
    number of threads.
)";

constexpr const char* raisesDoc = R"(
Raises
------
TypeError
    image or trimap has a dtype not listed above, or an option has the wrong type.
ValueError
    Wrong shape, image and trimap sizes differ, NaN or infinite values, float values
    outside [0, 1], no foreground or no background pixel next to the unknown region,
    options out of range. The exception's ``code`` attribute names the fault in one
    word (``"imageRange"``, ``"sizeMismatch"``, ``"noForeground"``, ...).
pairseek.Cancelled
    ``progress`` returned False.
MemoryError
    Not enough memory for the matte.
KeyboardInterrupt
    Ctrl-C, seen at the next progress point (after a search pass at the latest).

Notes
-----
The conventions (float images in [0, 1], H x W x 3, trimap 0 / 1 / other as float or
0 / 255 / other as uint8, H x W float64 alpha) are those of the common Python matting
libraries, so that swapping their alpha estimation for this one is a one-line change.
The interpreter lock is released while the matte is computed: threads matting
different images run in parallel. Results are new Fortran-ordered float64 arrays.
)";

std::string estimateAlphaDoc() {
    return std::string(R"(Alpha matte of an image from its trimap.

For each unknown pixel of the trimap a randomised search picks one foreground and one
background sample from the boundary of the known regions; the opacity that mixes the
pair into the pixel's colour, refined into a smooth matte, is the pixel's alpha.
)") + parametersDoc + R"(
Returns
-------
alpha : ndarray of float64, shape (H, W)
    In [0, 1]; exactly 0 and 1 on the trimap's background and foreground.
)" + raisesDoc + R"(
Examples
--------
>>> import numpy as np, pairseek
>>> from PIL import Image
>>> image = np.asarray(Image.open("data/synth1_image.png"))     # uint8, H x W x 3
>>> trimap = np.asarray(Image.open("data/synth1_trimap.png"))   # uint8, 0 / 128 / 255
>>> alpha = pairseek.estimate_alpha(image, trimap)
>>> alpha.shape, alpha.dtype
((200, 200), dtype('float64'))

See Also
--------
matte : the alpha and the foreground colours together.
)";
}

std::string matteDoc() {
    return std::string(R"(Alpha matte and foreground colours of an image from its trimap.

Like :func:`estimate_alpha`, and also the foreground colours, so that
``pairseek.composite(foreground, alpha, new_background)`` puts the object onto a new
background.
)") + parametersDoc + R"(foreground : {"estimated", "samples"}, default ")" +
           foregroundName(defaults.foreground) + R"("
    The colours of the unknown pixels. "estimated": solved from the image and the
    final alpha, as :func:`estimate_foreground` does: smooth, and blended with the
    background they give back the image. "samples": the colour of each pixel's chosen
    foreground sample, copied from the known foreground.

Returns
-------
alpha : ndarray of float64, shape (H, W)
    In [0, 1]; exactly 0 and 1 on the trimap's background and foreground.
foreground : ndarray of float64, shape (H, W, 3)
    In [0, 1]: the image on the known foreground, 0 on the known background, the
    ``foreground`` colours on the unknown pixels (a gray image gives three equal channels).
)" + raisesDoc + R"(
Examples
--------
>>> alpha, foreground = pairseek.matte(image, trimap, passes=20, seed=7)
>>> cutout = np.dstack([foreground, alpha])      # H x W x 4 RGBA in [0, 1]
>>> on_white = pairseek.composite(foreground, alpha, (1.0, 1.0, 1.0))

See Also
--------
estimate_alpha : the alpha alone.
estimate_foreground : the foreground (and background) colours of any alpha.
composite : the cut-out over a new background.
)";
}

}  // namespace

void bindMatte(py::module_& module) {
    module.def(
        "estimate_alpha",
        [](const ArrayLike& image, const ArrayLike& trimap, int passes, double decay, double colourWeight,
           long long seed, bool refine, double gamma, const ProgressCallable& progress, int threads) {
            // The foreground is dropped: the samples' colours cost nothing, and the alpha is the same.
            pairseek::Matte m = runMatte(image.object, trimap.object,
                                         {passes, decay, colourWeight, seed, refine, gamma, progress.object,
                                          pairseek::Foreground::samples, threads});
            return fortranArray(std::move(m.alpha), {m.rows, m.cols});
        },
        withDefaults(estimateAlphaDoc()).c_str(), py::arg("image"), py::arg("trimap"), py::kw_only(),
        py::arg("passes") = defaults.passes, py::arg("decay") = defaults.decay,
        py::arg("colour_weight") = defaults.colourWeight, py::arg("seed") = static_cast<long long>(defaults.seed),
        py::arg("refine") = defaults.refine, py::arg("gamma") = defaults.gamma, py::arg("progress") = py::none(),
        py::arg("threads") = defaults.threads);

    module.def(
        "matte",
        [](const ArrayLike& image, const ArrayLike& trimap, int passes, double decay, double colourWeight,
           long long seed, bool refine, double gamma, const ProgressCallable& progress,
           const std::string& foreground, int threads) {
            pairseek::Matte m = runMatte(image.object, trimap.object,
                                         {passes, decay, colourWeight, seed, refine, gamma, progress.object,
                                          foregroundOption(foreground), threads});
            const py::ssize_t rows = m.rows, cols = m.cols;
            return std::make_pair(fortranArray(std::move(m.alpha), {rows, cols}),
                                  fortranArray(std::move(m.foreground), {rows, cols, 3}));
        },
        withDefaults(matteDoc()).c_str(), py::arg("image"), py::arg("trimap"), py::kw_only(), py::arg("passes") = defaults.passes,
        py::arg("decay") = defaults.decay, py::arg("colour_weight") = defaults.colourWeight,
        py::arg("seed") = static_cast<long long>(defaults.seed), py::arg("refine") = defaults.refine,
        py::arg("gamma") = defaults.gamma, py::arg("progress") = py::none(), py::arg("foreground") = std::string(foregroundName(defaults.foreground)),
        py::arg("threads") = defaults.threads);
}

}  // namespace binding
