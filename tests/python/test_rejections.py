"""Rejected calls: each raises its exception with a message saying what was expected
and what came, and leaves the caller's arrays exactly as they were."""
import numpy as np
import pytest

import pairseek
from conftest import snapshot


def base():
    """A valid 6 x 6 case: background left, foreground right, unknown between."""
    image = np.linspace(0, 1, 6 * 6 * 3).reshape(6, 6, 3)
    trimap = np.zeros((6, 6))
    trimap[:, 2:4] = 0.5
    trimap[:, 4:] = 1
    return image, trimap


def with_nan(a, at=(1, 1)):
    a = a.copy()
    a[at] = np.nan
    return a


# (name, change of (image, trimap), extra options, exception, message fragment, code)
CASES = [
    ("int64 image", lambda i, t: ((i * 255).astype(np.int64), t), {}, TypeError, "got dtype int64", None),
    ("bool image", lambda i, t: (i > 0.5, t), {}, TypeError, "image must be float64 or float32", None),
    ("float16 image", lambda i, t: (i.astype(np.float16), t), {}, TypeError, "got dtype float16", None),
    ("big-endian image", lambda i, t: (i.astype(">f8"), t), {}, TypeError, ">f8", None),
    ("object trimap", lambda i, t: (i, t.astype(object)), {}, TypeError, "trimap must be", None),
    ("int32 trimap", lambda i, t: (i, (t * 255).astype(np.int32)), {}, TypeError, "got dtype int32", None),
    ("RGBA image", lambda i, t: (np.dstack([i, i[:, :, :1]]), t), {}, ValueError, "image[..., :3]", None),
    ("1-d image", lambda i, t: (i.ravel(), t), {}, ValueError, "H x W x 3 or H x W; got 108", None),
    ("4-d image", lambda i, t: (i[None], t), {}, ValueError, "got 1 x 6 x 6 x 3", None),
    ("1-d trimap", lambda i, t: (i, t.ravel()), {}, ValueError, "trimap must be H x W", None),
    ("sizes differ", lambda i, t: (i, t[:5]), {}, ValueError, "trimap must be 6 x 6 like the image; got 5 x 6",
     "sizeMismatch"),
    ("transposed trimap", lambda i, t: (i[:, :5], t[:, :5].T), {}, ValueError, "must be 6 x 5 like the image; got 5 x 6",
     "sizeMismatch"),
    ("NaN in image", lambda i, t: (with_nan(i, (1, 1, 0)), t), {}, ValueError, "finite", "nonFinite"),
    ("infinity in image", lambda i, t: (np.where(i > 0.99, np.inf, i), t), {}, ValueError, "finite", "nonFinite"),
    ("float image in 0..255", lambda i, t: (i * 255, t), {}, ValueError, "divide 0..255 values by 255",
     "imageRange"),
    ("negative float image", lambda i, t: (i - 0.5, t), {}, ValueError, "values in [0, 1]", "imageRange"),
    ("NaN in trimap", lambda i, t: (i, with_nan(t)), {}, ValueError, "NaN", "nonFinite"),
    ("float trimap above 1", lambda i, t: (i, t * 255), {}, ValueError, "values in [0, 1]", "trimapRange"),
    ("no foreground next to unknown", lambda i, t: (i, np.where(t == 1, 0.5, t)), {}, ValueError,
     "touch no foreground", "noForeground"),
    ("no background next to unknown", lambda i, t: (i, np.where(t == 0, 0.5, t)), {}, ValueError,
     "touch no background", "noBackground"),
    ("passes 0", lambda i, t: (i, t), {"passes": 0}, ValueError, "positive integer; got 0", "Passes"),
    ("decay 1", lambda i, t: (i, t), {"decay": 1.0}, ValueError, "0 <= decay < 1", "Decay"),
    ("decay NaN", lambda i, t: (i, t), {"decay": float("nan")}, ValueError, "0 <= decay < 1", "Decay"),
    ("decay 0.99999", lambda i, t: (i, t), {"decay": 0.99999}, ValueError, "too slowly", "Decay"),
    ("negative colour weight", lambda i, t: (i, t), {"colour_weight": -1.0}, ValueError, "finite number >= 0",
     "ColourWeight"),
    ("gamma 0", lambda i, t: (i, t), {"gamma": 0.0}, ValueError, "0.25..4; got 0", "Gamma"),
    ("gamma NaN", lambda i, t: (i, t), {"gamma": float("nan")}, ValueError, "0.25..4", "Gamma"),
    ("gamma as text", lambda i, t: (i, t), {"gamma": "1"}, TypeError, "incompatible function arguments", None),
    ("seed -1", lambda i, t: (i, t), {"seed": -1}, ValueError, "0..4294967295; got -1", None),
    ("seed 2**32", lambda i, t: (i, t), {"seed": 2**32}, ValueError, "got 4294967296", None),
    ("seed as text", lambda i, t: (i, t), {"seed": "1"}, TypeError, "incompatible function arguments", None),
    ("unknown option", lambda i, t: (i, t), {"radius": 3}, TypeError, "incompatible function arguments", None),
    ("progress not callable", lambda i, t: (i, t), {"progress": 3}, TypeError, "progress must be a callable", None),
]


@pytest.mark.parametrize("name, change, options, error, fragment, code", CASES, ids=[c[0] for c in CASES])
@pytest.mark.parametrize("call", [pairseek.estimate_alpha, pairseek.matte], ids=["estimate_alpha", "matte"])
def test_rejected(call, name, change, options, error, fragment, code):
    image, trimap = change(*base())
    before = snapshot(image, trimap)
    with pytest.raises(error) as raised:
        call(image, trimap, **options)
    assert fragment in str(raised.value)
    if code is not None:
        assert raised.value.code == code
    for was, now in zip(before, (image, trimap)):
        assert was.dtype == now.dtype and np.array_equal(was, now, equal_nan=was.dtype.kind == "f")


def test_the_base_case_is_accepted():
    alpha = pairseek.estimate_alpha(*base())
    assert alpha.shape == (6, 6)


def test_array_likes_are_read_as_numpy_reads_them():
    image, trimap = base()
    assert np.array_equal(pairseek.estimate_alpha(image.tolist(), trimap.tolist()), pairseek.estimate_alpha(image, trimap))
    with pytest.raises(TypeError, match="image must be .* got dtype object"):
        pairseek.estimate_alpha(None, trimap)
    with pytest.raises(TypeError, match="trimap must be .* got dtype <U1"):
        pairseek.estimate_alpha(image, [["a"] * 6] * 6)
