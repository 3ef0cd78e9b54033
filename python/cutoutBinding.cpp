// estimate_foreground, composite and trimap_from_mask: the cut-out functions of
// the public header over numpy arrays. Checks dtype and shape here, so that
// messages name the caller's argument; every value check is the library's own.
#include <optional>
#include <string>
#include <utility>

#include <pybind11/stl.h>

#include "argChecks.h"
#include "argTypes.h"
#include "arrays.h"
#include "bindings.h"
#include "pairseek.h"

namespace binding {

namespace {

using pairseek::ElementType;

// A checked array and its element type; viewed once every argument is checked.
struct Checked {
    py::array array;
    ElementType type;
};

Checked checkedImage(const py::object& arg, const char* name) {
    const py::array array = numpy().attr("asarray")(arg);
    return {array, imageType(array, name)};
}

Checked checkedGrid(const py::object& arg, const char* name) {
    const py::array array = numpy().attr("asarray")(arg);
    return {array, gridType(array, name)};
}

// A view of the array in place (or of an element-aligned copy, kept in `array`).
pairseek::ArrayView viewed(Checked& checked) {
    checked.array = elementAligned(checked.array);
    return viewOf(checked.array, checked.type);
}

py::array_t<double> colourArray(pairseek::ColourImage&& image) {
    return fortranArray(std::move(image.planes), {image.rows, image.cols, 3});
}

// --------------------------------------------------------- estimate_foreground

ColoursResult estimateForeground(const ArrayLike& imageArg, const ArrayLike& alphaArg, bool returnBackground) {
    Checked image = checkedImage(imageArg.object, "image"), alpha = checkedGrid(alphaArg.object, "alpha");
    const pairseek::ArrayView imageView = viewed(image), alphaView = viewed(alpha);
    pairseek::ForegroundColours colours;
    {
        py::gil_scoped_release unlocked;
        colours = pairseek::estimateForeground(imageView, alphaView);
    }
    py::array_t<double> foreground = colourArray(std::move(colours.foreground));
    if (!returnBackground) return {std::move(foreground)};
    return {py::make_tuple(foreground, colourArray(std::move(colours.background)))};
}

constexpr const char* estimateForegroundDoc = R"(Foreground and background colours of an image from its alpha matte.

Where 0 < alpha < 1 each pixel's colour is a blend ``alpha * F + (1 - alpha) * B``;
this finds F and B that give back the image, smooth where the image is smooth,
coarse to fine over a pyramid of halved images. F is the image where alpha is 1,
B where alpha is 0. The usual step between a matte and a cut-out: F, unlike the
image, carries no trace of the old background at the object's soft edges.

Parameters
----------
image : ndarray, shape (H, W, 3) or (H, W)
    RGB or gray image: float64 or float32 in [0, 1], or uint8 / uint16 (scaled by
    1/255 or 1/65535). Any memory layout; it is read in place, never changed.
alpha : ndarray, shape (H, W)
    The matte: float64 or float32 in [0, 1], uint8 / uint16 (scaled), or bool.
return_background : bool, default False
    Also return B.

Returns
-------
foreground : ndarray of float64, shape (H, W, 3)
    F in [0, 1] (a gray image gives three equal channels).
background : ndarray of float64, shape (H, W, 3)
    B in [0, 1]; only with ``return_background=True``.

Raises
------
TypeError
    image or alpha has a dtype not listed above.
ValueError
    Wrong shape, image and alpha sizes differ, NaN or infinite values, float values
    outside [0, 1]. The exception's ``code`` attribute names the fault in one word
    (``"imageRange"``, ``"alphaRange"``, ``"sizeMismatch"``, ``"nonFinite"``).
MemoryError
    Not enough memory for the colours.

Notes
-----
The conventions are those of the ``estimate_foreground_*`` functions of the common
Python matting libraries. :func:`matte` returns the same F on the pixels the trimap
leaves unknown or foreground. Time and memory grow linearly with the pixel count;
the interpreter lock is released meanwhile. Results are new Fortran-ordered arrays.

Examples
--------
>>> alpha = pairseek.estimate_alpha(image, trimap)
>>> foreground = pairseek.estimate_foreground(image, alpha)
>>> foreground, background = pairseek.estimate_foreground(image, alpha, return_background=True)

See Also
--------
composite : the cut-out over a new background.
)";

// --------------------------------------------------------- composite

py::array_t<double> composite(const ArrayLike& foregroundArg, const ArrayLike& alphaArg,
                              const ArrayLike& backgroundArg) {
    Checked foreground = checkedImage(foregroundArg.object, "foreground");
    Checked alpha = checkedGrid(alphaArg.object, "alpha");
    const py::array backgroundArray = numpy().attr("asarray")(backgroundArg.object);
    const bool isColour = backgroundArray.ndim() <= 1;
    std::optional<Checked> background;
    double colour[3] = {0, 0, 0};
    if (isColour) {
        const char kind = backgroundArray.dtype().kind();
        if (kind != 'f' && kind != 'i' && kind != 'u')
            typeError("a background colour must be numbers (R, G, B in [0, 1]); got dtype " +
                      dtypeName(backgroundArray));
        const py::ssize_t count = backgroundArray.ndim() == 0 ? 1 : backgroundArray.shape(0);
        if (count != 3 && backgroundArray.ndim() != 0)
            valueError("a background colour must have 3 values (R, G, B in [0, 1]) or be one gray level; got " +
                       std::to_string(count) + " values");
        const py::array_t<double> values = backgroundArray.attr("astype")(numpy().attr("float64"));
        for (py::ssize_t k = 0; k < 3; ++k) colour[k] = values.data()[backgroundArray.ndim() == 0 ? 0 : k];
    } else {
        if (backgroundArray.ndim() > 3)
            valueError("background must be an H x W x 3 or H x W image, or a colour; got " +
                       shapeText(backgroundArray));
        background = Checked{backgroundArray, imageType(backgroundArray, "background")};
    }

    const pairseek::ArrayView foregroundView = viewed(foreground), alphaView = viewed(alpha);
    const std::optional<pairseek::ArrayView> backgroundView =
        background ? std::optional<pairseek::ArrayView>(viewed(*background)) : std::nullopt;
    pairseek::ColourImage out;
    try {
        py::gil_scoped_release unlocked;
        out = backgroundView ? pairseek::composite(foregroundView, alphaView, *backgroundView)
                             : pairseek::composite(foregroundView, alphaView, colour[0], colour[1], colour[2]);
    } catch (const pairseek::MatteError& e) {
        // The library calls both images "image"; it reads the foreground, then
        // alpha, then the background. Name the one it rejected.
        const bool aboutAnImage = (e.code() == "imageRange" || e.code() == "nonFinite") &&
                                  std::string(e.what()).compare(0, 5, "alpha") != 0;
        if (!aboutAnImage) throw;
        const auto foregroundRead = [&] {
            try {
                py::gil_scoped_release unlocked;
                pairseek::composite(foregroundView, alphaView, 0, 0, 0);
                return true;
            } catch (const pairseek::MatteError&) {
                return false;
            }
        };
        const bool inBackground = backgroundView && foregroundRead();
        throw pairseek::MatteError(e.kind(), e.code(),
                                   std::string(inBackground ? "background" : "foreground") + ": " + e.what());
    }
    return colourArray(std::move(out));
}

constexpr const char* compositeDoc = R"(A cut-out over a new background.

``alpha * foreground + (1 - alpha) * background`` at every pixel.

Parameters
----------
foreground : ndarray, shape (H, W, 3) or (H, W)
    The cut-out's colours (from :func:`estimate_foreground` or :func:`matte`), or the
    image itself: float64 or float32 in [0, 1], or uint8 / uint16 (scaled).
alpha : ndarray, shape (H, W)
    The matte: float64 or float32 in [0, 1], uint8 / uint16 (scaled), or bool.
background : ndarray of shape (H, W, 3) or (H, W), or a colour
    An image of the same size, typed as ``foreground``; or a colour: three numbers R,
    G, B in [0, 1] (a tuple, a list, an array), or one gray level in [0, 1]. A 1 x 1
    image counts as a colour too.

Returns
-------
ndarray of float64, shape (H, W, 3)
    In [0, 1]: exactly the background where alpha is 0 and the foreground where it is 1.

Raises
------
TypeError
    An argument has a dtype not listed above.
ValueError
    Wrong shape, sizes differ, NaN or infinite values, values outside [0, 1]. The
    exception's ``code`` attribute names the fault in one word (``"imageRange"``,
    ``"alphaRange"``, ``"colourRange"``, ``"sizeMismatch"``, ``"nonFinite"``).
MemoryError
    Not enough memory for the result.

Examples
--------
>>> alpha, foreground = pairseek.matte(image, trimap)
>>> on_green = pairseek.composite(foreground, alpha, (0.0, 0.8, 0.2))
>>> on_beach = pairseek.composite(foreground, alpha, beach)   # uint8 H x W x 3
>>> Image.fromarray(np.round(on_beach * 255).astype(np.uint8)).save("cutout.png")

See Also
--------
estimate_foreground : the cut-out's colours from an image and its alpha.
)";

// --------------------------------------------------------- trimap_from_mask

py::array_t<std::uint8_t> trimapFromMask(const ArrayLike& maskArg, std::optional<double> band, double low,
                                         double high) {
    Checked mask = checkedGrid(maskArg.object, "mask");
    if (band && *band < 0)
        valueError("band must be None (the default width) or a number of pixels >= 0; got " +
                   py::repr(py::float_(*band)).cast<std::string>());
    pairseek::TrimapOptions options;
    if (band) options.band = *band;
    options.low = low;
    options.high = high;

    const pairseek::ArrayView maskView = viewed(mask);
    std::vector<std::uint8_t> trimap;
    {
        py::gil_scoped_release unlocked;
        trimap = pairseek::trimapFromMask(maskView, options);
    }
    return fortranArray(std::move(trimap), {maskView.rows, maskView.cols});
}

std::string trimapFromMaskDoc() {
    const pairseek::TrimapOptions defaults;
    return R"(A trimap from a rough mask: a segmentation's, a selection's, a chroma key's.

The mask's sure foreground and background, each eroded by ``band`` pixels (exact
Euclidean distance), become 255 and 0; everything else, the band along the mask's
edge and the mask's uncertain values, is unknown (128). Ready for :func:`matte`.

Parameters
----------
mask : ndarray, shape (H, W)
    bool, uint8 / uint16 (scaled by 1/255 or 1/65535), or float64 / float32 in [0, 1].
band : float or None, default None
    Unknown band on each side of the mask's edge, in pixels, >= 0. None: 2 % of the
    square root of the object's area (the pixels with mask >= 0.5), within 3..30.
    Where the band would erode one side away, that side keeps its innermost pixels.
low : float, default )" +
           py::repr(py::float_(defaults.low)).cast<std::string>() + R"(
    Mask values <= low are background.
high : float, default )" +
           py::repr(py::float_(defaults.high)).cast<std::string>() + R"(
    Mask values >= high are foreground; values between low and high are unknown.
    0 <= low < high <= 1.

Returns
-------
ndarray of uint8, shape (H, W)
    0 background, 128 unknown, 255 foreground.

Raises
------
TypeError
    mask has a dtype not listed above, or an option is not a number.
ValueError
    Wrong shape, NaN or infinite values, float values outside [0, 1], a negative
    band, low and high out of order (``code`` ``"trimapOption"``), a mask with no
    value reaching ``high`` (``"emptyMask"``) or none at most ``low`` (``"fullMask"``).
MemoryError
    Not enough memory for the trimap.

Notes
-----
Pixels outside the image count as neither foreground nor background: an object
touching the border stays foreground there. The interpreter lock is released while
the trimap is made. The result is a new Fortran-ordered array.

Examples
--------
>>> mask = segmentation > 0.5                      # bool H x W
>>> trimap = pairseek.trimap_from_mask(mask, band=10)
>>> alpha, foreground = pairseek.matte(image, trimap)
)";
}

}  // namespace

void bindCutouts(py::module_& module) {
    module.def("estimate_foreground", &estimateForeground, estimateForegroundDoc, py::arg("image"),
               py::arg("alpha"), py::kw_only(), py::arg("return_background") = false);

    module.def("composite", &composite, compositeDoc, py::arg("foreground"), py::arg("alpha"),
               py::arg("background"));

    const pairseek::TrimapOptions defaults;
    module.def("trimap_from_mask", &trimapFromMask, trimapFromMaskDoc().c_str(), py::arg("mask"), py::kw_only(),
               py::arg("band") = py::none(), py::arg("low") = defaults.low, py::arg("high") = defaults.high);
}

}  // namespace binding
