"""estimate_foreground, composite, trimap_from_mask and matte's foreground option:
the C++ library's cut-outs bit for bit, with known answers on small hand-made cases
and the caller's arrays left as they were."""
import os
import subprocess

import numpy as np
import pytest

import pairseek
from conftest import snapshot
from test_matte import REFERENCE, reference_matte, same_bits

CUTOUT_REFERENCE = os.environ.get("PAIRSEEK_CUTOUT_REFERENCE")
TRUE_F, TRUE_B = np.array([0.9, 0.2, 0.1]), np.array([0.1, 0.3, 0.8])


def soft_disc(size=40, radius=12.0, edge=4.0):
    """The alpha of a disc with a soft edge `edge` pixels wide, and its image: a
    blend of TRUE_F over TRUE_B."""
    r = np.hypot(*(np.mgrid[0:size, 0:size] - size / 2 + 0.5))
    alpha = np.clip((radius - r) / edge + 0.5, 0, 1)
    return alpha[..., None] * TRUE_F + (1 - alpha[..., None]) * TRUE_B, alpha


def unchanged(before, arrays):
    return all(was.dtype == now.dtype and np.array_equal(was, now, equal_nan=was.dtype.kind == "f")
               for was, now in zip(before, arrays))


def check_rejected(call, args, error, fragment, code):
    before = snapshot(*[a for a in args if isinstance(a, np.ndarray)])
    with pytest.raises(error) as raised:
        call(*args)
    assert fragment in str(raised.value)
    if code is not None:
        assert raised.value.code == code
    assert unchanged(before, [a for a in args if isinstance(a, np.ndarray)])


# ------------------------------------------------------------ estimate_foreground

def test_foreground_of_a_two_colour_blend():
    image, alpha = soft_disc()
    before = snapshot(image, alpha)
    foreground, background = pairseek.estimate_foreground(image, alpha, return_background=True)
    assert np.abs(foreground - TRUE_F)[alpha >= 0.1].max() < 0.02
    assert np.abs(background - TRUE_B)[alpha <= 0.9].max() < 0.02
    blend = alpha[..., None] * foreground + (1 - alpha[..., None]) * background
    assert np.abs(blend - image).max() < 1e-9
    assert np.array_equal(foreground[alpha == 1], image[alpha == 1])
    assert np.array_equal(background[alpha == 0], image[alpha == 0])
    assert unchanged(before, (image, alpha))


def test_foreground_results_are_new_fortran_float64_arrays():
    image, alpha = soft_disc(size=9)
    foreground = pairseek.estimate_foreground(image, alpha)
    assert isinstance(foreground, np.ndarray) and foreground.shape == (9, 9, 3)
    assert foreground.dtype == np.float64 and foreground.flags.f_contiguous and foreground.flags.writeable
    assert same_bits(foreground, pairseek.estimate_foreground(image, alpha, return_background=True)[0])


# Every accepted encoding of the same image and alpha gives the colours of its float64 values.
ENCODINGS = {
    "uint8 image": lambda i, a: ((i * 255).round().astype(np.uint8), a, (i * 255).round() / 255, a),
    "uint16 image": lambda i, a: ((i * 65535).round().astype(np.uint16), a, (i * 65535).round() / 65535, a),
    "float32 image": lambda i, a: (i.astype(np.float32), a, i.astype(np.float32).astype(np.float64), a),
    "gray image": lambda i, a: (i[:, :, 1], a, np.dstack([i[:, :, 1]] * 3), a),
    "uint8 alpha": lambda i, a: (i, (a * 255).round().astype(np.uint8), i, (a * 255).round() / 255),
    "float32 alpha H x W x 1": lambda i, a: (i, a.astype(np.float32)[:, :, None], i,
                                             a.astype(np.float32).astype(np.float64)),
    "bool alpha": lambda i, a: (i, a > 0.5, i, (a > 0.5).astype(np.float64)),
    "Fortran order, flipped": lambda i, a: (np.asfortranarray(i)[::-1], a[::-1], i[::-1], a[::-1]),
}


@pytest.mark.parametrize("encoding", sorted(ENCODINGS))
def test_foreground_of_every_encoding(encoding):
    image, alpha, float_image, float_alpha = ENCODINGS[encoding](*soft_disc(size=16, radius=5, edge=3))
    assert same_bits(pairseek.estimate_foreground(image, alpha), pairseek.estimate_foreground(float_image, float_alpha))


@pytest.mark.skipif(not CUTOUT_REFERENCE, reason="PAIRSEEK_CUTOUT_REFERENCE (the C++ reference program) not set")
def test_foreground_bit_identical_to_the_cpp_api(synth1, tmp_path):
    alpha = pairseek.estimate_alpha(synth1.image, synth1.trimap)
    rows, cols = alpha.shape
    np.ascontiguousarray(synth1.image).tofile(tmp_path / "image.raw")
    np.ascontiguousarray(alpha).tofile(tmp_path / "alpha.raw")
    subprocess.run([CUTOUT_REFERENCE, "foreground", str(rows), str(cols), str(tmp_path / "image.raw"),
                    str(tmp_path / "alpha.raw"), str(tmp_path / "out.raw")], check=True)
    planes = np.fromfile(tmp_path / "out.raw", dtype=np.float64).reshape((2, 3, cols, rows)).transpose(0, 3, 2, 1)
    foreground, background = pairseek.estimate_foreground(synth1.image, alpha, return_background=True)
    assert same_bits(foreground, planes[0]) and same_bits(background, planes[1])


# ------------------------------------------------------------ matte's foreground

def test_matte_foreground_is_estimate_foreground_of_its_alpha(synth1):
    alpha, foreground = pairseek.matte(synth1.image, synth1.trimap)
    estimated = pairseek.estimate_foreground(synth1.image, alpha)
    background = synth1.trimap == 0
    assert same_bits(foreground[~background], estimated[~background])
    assert np.all(foreground[background] == 0)   # the matte leaves the known background black
    assert same_bits(pairseek.matte(synth1.image, synth1.trimap, foreground="estimated")[1], foreground)


def test_matte_sample_colours_are_known_foreground_pixels(synth1):
    alpha, foreground = pairseek.matte(synth1.image, synth1.trimap, foreground="samples")
    assert same_bits(alpha, pairseek.estimate_alpha(synth1.image, synth1.trimap))
    known = {tuple(c) for c in synth1.image[synth1.trimap == 255] / 255.0}
    unknown = (synth1.trimap != 0) & (synth1.trimap != 255)
    assert all(tuple(c) in known for c in foreground[unknown])
    assert not np.array_equal(foreground, pairseek.matte(synth1.image, synth1.trimap)[1])


@pytest.mark.skipif(not REFERENCE, reason="PAIRSEEK_MATTE_REFERENCE (the C++ reference program) not set")
def test_matte_sample_colours_bit_identical_to_the_cpp_api(small, tmp_path):
    expected_alpha, expected_foreground = reference_matte(small, tmp_path, foreground="samples")
    alpha, foreground = pairseek.matte(small.image, small.trimap, foreground="samples")
    assert same_bits(alpha, expected_alpha) and same_bits(foreground, expected_foreground)


@pytest.mark.parametrize("value, error, fragment", [
    ("Samples", ValueError, "foreground must be \"estimated\" or \"samples\"; got 'Samples'"),
    ("", ValueError, "got ''"),
    (1, TypeError, "incompatible function arguments"),
    (None, TypeError, "incompatible function arguments"),
])
def test_matte_foreground_rejected(small, value, error, fragment):
    with pytest.raises(error) as raised:
        pairseek.matte(small.image, small.trimap, foreground=value)
    assert fragment in str(raised.value)


# ------------------------------------------------------------ composite

def plain(colour):
    return lambda image: colour


def resized(colour):
    return lambda image: np.broadcast_to(np.asarray(colour, dtype=np.float64), image.shape)


# (name, background as passed, the same background as an H x W x 3 float64 image)
BACKGROUNDS = [
    ("tuple", lambda image: (0.0, 0.8, 0.2), resized((0.0, 0.8, 0.2))),
    ("list of ints", lambda image: [1, 0, 1], resized((1.0, 0.0, 1.0))),
    ("float32 array", lambda image: np.array([0.25, 0.5, 1.0], np.float32), resized((0.25, 0.5, 1.0))),
    ("gray level", lambda image: 0.5, resized((0.5, 0.5, 0.5))),
    ("1 x 1 uint8 image", lambda image: np.array([[[255, 0, 51]]], np.uint8), resized((1.0, 0.0, 0.2))),
    ("float64 image", lambda image: image[::-1].copy(), lambda image: image[::-1]),
    ("uint8 image", lambda image: (image * 255).round().astype(np.uint8), lambda image: (image * 255).round() / 255),
    ("gray image", lambda image: image[:, :, 0], lambda image: np.dstack([image[:, :, 0]] * 3)),
]


@pytest.mark.parametrize("name, background, as_image", BACKGROUNDS, ids=[b[0] for b in BACKGROUNDS])
def test_composite_over_a_colour_or_an_image(name, background, as_image):
    image, alpha = soft_disc(size=16, radius=5, edge=3)
    foreground = pairseek.estimate_foreground(image, alpha)
    passed = background(image)
    before = snapshot(foreground, alpha) + ([np.array(passed)] if isinstance(passed, np.ndarray) else [])
    out = pairseek.composite(foreground, alpha, passed)
    back = as_image(image)
    assert out.shape == (16, 16, 3) and out.dtype == np.float64 and out.flags.f_contiguous
    assert same_bits(out, alpha[..., None] * foreground + (1 - alpha[..., None]) * back)
    assert np.array_equal(out[alpha == 0], back[alpha == 0])
    assert np.array_equal(out[alpha == 1], foreground[alpha == 1])
    assert unchanged(before, [foreground, alpha] + ([passed] if isinstance(passed, np.ndarray) else []))


# ------------------------------------------------------------ trimap_from_mask

def oracle_trimap(mask, band, low=0.05, high=0.95):
    """Brute force: foreground where every pixel that is not foreground lies farther
    than `band`, background likewise, unknown elsewhere (pixels outside the image
    count as neither; the band is small enough to leave both sides a core)."""
    rows, cols = mask.shape
    r, c = np.mgrid[0:rows, 0:cols]
    points = np.stack([r.ravel(), c.ravel()], axis=1)
    distance = np.hypot(*(points[:, None, :] - points[None, :, :]).transpose(2, 0, 1))
    fg, bg = (mask >= high).ravel(), (mask <= low).ravel()
    trimap = np.full(rows * cols, 128, np.uint8)
    trimap[fg & (distance[:, ~fg].min(axis=1) > band)] = 255
    trimap[bg & (distance[:, ~bg].min(axis=1) > band)] = 0
    return trimap.reshape(rows, cols)


def hand_made_mask():
    """12 x 14: a block touching the top border with a hole, and a soft patch."""
    mask = np.zeros((12, 14))
    mask[0:7, 3:11] = 1
    mask[3, 6] = 0           # a one-pixel hole
    mask[9:11, 1:3] = 0.5    # a soft patch in the background
    mask[10, 12] = 0.04      # below low: background
    return mask


@pytest.mark.parametrize("band", [0, 1, 1.5, 2])
def test_trimap_band_width(band):
    mask = hand_made_mask()
    before = snapshot(mask)
    trimap = pairseek.trimap_from_mask(mask, band=band)
    assert trimap.dtype == np.uint8 and trimap.shape == mask.shape and trimap.flags.f_contiguous
    assert np.array_equal(trimap, oracle_trimap(mask, band))
    assert unchanged(before, [mask])


def test_trimap_soft_values_hole_and_border():
    trimap = pairseek.trimap_from_mask(hand_made_mask(), band=1)
    assert np.all(trimap[9:11, 1:3] == 128)               # soft values are unknown
    assert trimap[10, 12] == 0 and trimap[11, 13] == 0
    assert trimap[3, 6] == 128 and trimap[1, 6] == 255    # the hole's surroundings open up
    assert np.all(trimap[0, 5:9] == 255)                  # the block stays foreground at the border


def test_trimap_default_band():
    mask = hand_made_mask()   # area 55: 2 % of its square root, raised to the smallest default, 3
    assert np.array_equal(pairseek.trimap_from_mask(mask), pairseek.trimap_from_mask(mask, band=3))
    big = np.zeros((400, 400), bool)
    big[50:350, 50:350] = True   # area 90000: 2 % of 300 = 6
    assert np.array_equal(pairseek.trimap_from_mask(big), pairseek.trimap_from_mask(big, band=6))


def test_trimap_low_and_high():
    mask = np.linspace(0, 1, 11)[None, :].repeat(3, axis=0)
    trimap = pairseek.trimap_from_mask(mask, band=0, low=0.2, high=0.7)
    assert list(trimap[1]) == [0, 0, 0] + [128] * 4 + [255] * 4


# Every accepted mask dtype of the same labels gives the same trimap.
MASK_FORMS = {
    "bool": lambda m: m == 1,
    "uint8": lambda m: (m * 255).astype(np.uint8),
    "uint16": lambda m: (m * 65535).astype(np.uint16),
    "float32": lambda m: m.astype(np.float32),
    "float64 H x W x 1": lambda m: m[:, :, None],
}


@pytest.mark.parametrize("form", sorted(MASK_FORMS))
def test_trimap_of_every_mask_dtype(form):
    mask = hand_made_mask()
    mask[mask == 0.5] = 0   # labels every dtype can hold
    expected = pairseek.trimap_from_mask(mask, band=1)
    assert np.array_equal(pairseek.trimap_from_mask(MASK_FORMS[form](mask), band=1), expected)


@pytest.mark.parametrize("mask, code", [
    (np.zeros((5, 5)), "emptyMask"),
    (np.full((5, 5), 0.5), "emptyMask"),
    (np.ones((5, 5), bool), "fullMask"),
    (np.full((5, 5), 255, np.uint8), "fullMask"),
])
def test_trimap_of_an_empty_or_full_mask(mask, code):
    with pytest.raises(ValueError) as raised:
        pairseek.trimap_from_mask(mask)
    assert raised.value.code == code and "the mask has no" in str(raised.value)


@pytest.mark.skipif(not CUTOUT_REFERENCE, reason="PAIRSEEK_CUTOUT_REFERENCE (the C++ reference program) not set")
@pytest.mark.parametrize("band, low, high", [(-1, 0.05, 0.95), (2.5, 0.3, 0.6)])
def test_trimap_bit_identical_to_the_cpp_api(synth1, tmp_path, band, low, high):
    from conftest import REPO_DATA
    from PIL import Image

    mask = np.asarray(Image.open(os.path.join(REPO_DATA, "synth1_alpha.png")).convert("L")) / 255.0
    rows, cols = mask.shape
    np.ascontiguousarray(mask).tofile(tmp_path / "mask.raw")
    subprocess.run([CUTOUT_REFERENCE, "trimap", str(rows), str(cols), str(tmp_path / "mask.raw"), str(band), str(low),
                    str(high), str(tmp_path / "out.raw")], check=True)
    expected = np.fromfile(tmp_path / "out.raw", dtype=np.uint8).reshape((cols, rows)).T
    trimap = pairseek.trimap_from_mask(mask, band=None if band < 0 else band, low=low, high=high)
    assert np.array_equal(trimap, expected)


# ------------------------------------------------------------ rejections

def small_case():
    image, alpha = soft_disc(size=6, radius=2, edge=2)
    return image, alpha


# (name, arguments of estimate_foreground, exception, message fragment, code)
FOREGROUND_REJECTIONS = [
    ("int64 image", lambda i, a: ((i * 255).astype(np.int64), a), TypeError, "image must be float64 or float32", None),
    ("bool image", lambda i, a: (i > 0.5, a), TypeError, "got dtype bool", None),
    ("int32 alpha", lambda i, a: (i, (a * 255).astype(np.int32)), TypeError, "alpha must be float64", None),
    ("object alpha", lambda i, a: (i, a.astype(object)), TypeError, "got dtype object", None),
    ("RGBA image", lambda i, a: (np.dstack([i, a]), a), ValueError, "image[..., :3]", None),
    ("1-d image", lambda i, a: (i.ravel(), a), ValueError, "image must be H x W x 3 or H x W; got 108", None),
    ("H x W x 3 alpha", lambda i, a: (i, i), ValueError, "alpha must be H x W (or H x W x 1); got 6 x 6 x 3", None),
    ("sizes differ", lambda i, a: (i, a[:5]), ValueError, "alpha must be 6 x 6 like the image; got 5 x 6",
     "sizeMismatch"),
    ("image in 0..255", lambda i, a: (i * 255, a), ValueError, "divide 0..255 values by 255", "imageRange"),
    ("alpha above 1", lambda i, a: (i, a * 2), ValueError, "alpha must hold values in [0, 1]", "alphaRange"),
    ("negative alpha", lambda i, a: (i, a - 0.5), ValueError, "values in [0, 1]", "alphaRange"),
    ("NaN alpha", lambda i, a: (i, np.where(a > 0.5, np.nan, a)), ValueError, "finite", "nonFinite"),
]


@pytest.mark.parametrize("name, change, error, fragment, code", FOREGROUND_REJECTIONS,
                         ids=[c[0] for c in FOREGROUND_REJECTIONS])
def test_estimate_foreground_rejected(name, change, error, fragment, code):
    check_rejected(pairseek.estimate_foreground, change(*small_case()), error, fragment, code)


# (name, arguments of composite from (foreground, alpha), exception, message fragment, code)
COMPOSITE_REJECTIONS = [
    ("int64 foreground", lambda f, a: ((f * 255).astype(np.int64), a, (0, 0, 0)), TypeError,
     "foreground must be float64 or float32", None),
    ("int32 alpha", lambda f, a: (f, a.astype(np.int32), (0, 0, 0)), TypeError, "alpha must be float64", None),
    ("bool background image", lambda f, a: (f, a, f > 0.5), TypeError, "background must be float64", None),
    ("text colour", lambda f, a: (f, a, "white"), TypeError, "background colour must be numbers", None),
    ("bool colour", lambda f, a: (f, a, (True, False, True)), TypeError, "got dtype bool", None),
    ("RGBA foreground", lambda f, a: (np.dstack([f, a]), a, (0, 0, 0)), ValueError, "foreground[..., :3]", None),
    ("RGBA background", lambda f, a: (f, a, np.dstack([f, a])), ValueError, "background[..., :3]", None),
    ("4-d background", lambda f, a: (f, a, f[None]), ValueError, "background must be an H x W x 3", None),
    ("two-value colour", lambda f, a: (f, a, (0.5, 0.5)), ValueError, "3 values (R, G, B in [0, 1])", None),
    ("colour in 0..255", lambda f, a: (f, a, (255, 0, 0)), ValueError,
     "background colour must have R, G and B in [0, 1]", "colourRange"),
    ("NaN colour", lambda f, a: (f, a, (0, np.nan, 0)), ValueError, "R, G and B in [0, 1]", "colourRange"),
    ("background size differs", lambda f, a: (f, a, f[:5]), ValueError, "background image must be 6 x 6",
     "sizeMismatch"),
    ("alpha size differs", lambda f, a: (f, a[:, :5], (0, 0, 0)), ValueError, "alpha must be 6 x 6", "sizeMismatch"),
    ("foreground in 0..255", lambda f, a: (f * 255, a, (0, 0, 0)), ValueError, "foreground: a float64 image must",
     "imageRange"),
    ("foreground in 0..255 over an image", lambda f, a: (f * 255, a, f), ValueError, "foreground: a float64 image",
     "imageRange"),
    ("background in 0..255", lambda f, a: (f, a, f * 255), ValueError, "background: a float64 image must hold values",
     "imageRange"),
    ("NaN in foreground", lambda f, a: (np.where(f > 0.5, np.nan, f), a, f), ValueError,
     "foreground: image must hold finite values", "nonFinite"),
    ("infinity in background", lambda f, a: (f, a, np.where(f > 0.5, np.inf, f)), ValueError,
     "background: image must hold finite values", "nonFinite"),
    ("NaN in alpha", lambda f, a: (f, np.where(a > 0.5, np.nan, a), f), ValueError, "alpha must hold finite values",
     "nonFinite"),
    ("alpha above 1", lambda f, a: (f, a + 1, (0, 0, 0)), ValueError, "values in [0, 1]", "alphaRange"),
]


@pytest.mark.parametrize("name, change, error, fragment, code", COMPOSITE_REJECTIONS,
                         ids=[c[0] for c in COMPOSITE_REJECTIONS])
def test_composite_rejected(name, change, error, fragment, code):
    check_rejected(pairseek.composite, change(*small_case()), error, fragment, code)


# (name, mask, options, exception, message fragment, code)
TRIMAP_REJECTIONS = [
    ("int64 mask", np.eye(6, dtype=np.int64), {}, TypeError, "mask must be float64 or float32", None),
    ("complex mask", np.eye(6) + 0j, {}, TypeError, "got dtype complex128", None),
    ("1-d mask", np.ones(6), {}, ValueError, "mask must be H x W (or H x W x 1); got 6", None),
    ("H x W x 3 mask", np.dstack([np.eye(6)] * 3), {}, ValueError, "got 6 x 6 x 3", None),
    ("mask in 0..255", np.eye(6) * 255, {}, ValueError, "values in [0, 1]", "maskRange"),
    ("NaN in mask", np.where(np.eye(6) > 0, np.nan, 0.0), {}, ValueError, "finite", "nonFinite"),
    ("negative band", np.eye(6), {"band": -1}, ValueError, "band must be None (the default width) or a number", None),
    ("NaN band", np.eye(6), {"band": float("nan")}, ValueError, "band must be a finite number", "trimapOption"),
    ("low above high", np.eye(6), {"low": 0.8, "high": 0.2}, ValueError, "0 <= low < high <= 1", "trimapOption"),
    ("high above 1", np.eye(6), {"high": 1.5}, ValueError, "0 <= low < high <= 1", "trimapOption"),
    ("band as text", np.eye(6), {"band": "3"}, TypeError, "incompatible function arguments", None),
]


@pytest.mark.parametrize("name, mask, options, error, fragment, code", TRIMAP_REJECTIONS,
                         ids=[c[0] for c in TRIMAP_REJECTIONS])
def test_trimap_from_mask_rejected(name, mask, options, error, fragment, code):
    check_rejected(lambda m: pairseek.trimap_from_mask(m, **options), (mask,), error, fragment, code)
