"""fringe_scan and pair_seek: 0-based lists that drive the search to the pipeline's own
matte, and a table of rejected calls that could otherwise crash the interpreter."""
import math

import numpy as np
import pytest

import pairseek
from conftest import snapshot

SEED_STEP = 2654435769   # the pipeline's seed of pass p + 1: the seed of pass p plus this


def masks_of(trimap):
    return trimap == 255, trimap == 0, (trimap != 0) & (trimap != 255)


def nearest(samples, pixels):
    """Index of and distance to each pixel's nearest sample (ties: the first in the list)."""
    squared = ((pixels[:, None, :] - samples[None, :, :]) ** 2).sum(axis=2)
    index = squared.argmin(axis=1).astype(np.int32)
    return index, np.maximum(np.sqrt(squared[np.arange(len(pixels)), index]), 1.0)


def test_fringe_scan_lists(small):
    image = small.image / 255.0
    fg, bg, unknown = masks_of(small.trimap)
    before = snapshot(image, fg, bg, unknown)
    fg_pos, fg_colour, bg_pos, bg_colour, unknown_pos, unknown_colour, index_map = pairseek.fringe_scan(
        image, fg, bg, unknown)
    assert all(np.array_equal(a, b) for a, b in zip(before, (image, fg, bg, unknown)))

    # Unknown pixels: all of them, column-major, each with its 0-based index in the map.
    cols, rows = np.nonzero(unknown.T)
    assert np.array_equal(unknown_pos, np.column_stack([rows, cols]).astype(np.float64))
    assert np.array_equal(index_map[rows, cols], np.arange(len(rows)))
    assert np.all(index_map[~unknown] == -1) and index_map.dtype == np.int32
    # Samples: the pixels of their mask with an unknown pixel among their 8 neighbours.
    padded = np.pad(unknown, 1, mode="edge")
    touches = np.zeros_like(unknown)
    for dr in (-1, 0, 1):
        for dc in (-1, 0, 1):
            if dr or dc:
                touches |= padded[1 + dr: 1 + dr + unknown.shape[0], 1 + dc: 1 + dc + unknown.shape[1]]
    for pos, colour, mask in ((fg_pos, fg_colour, fg), (bg_pos, bg_colour, bg)):
        cols, rows = np.nonzero((mask & touches).T)
        assert np.array_equal(pos, np.column_stack([rows, cols]).astype(np.float64))
        assert np.array_equal(colour[:, :3], image[rows, cols])
        gray = (0.587 * colour[:, 1] + 0.299 * colour[:, 0]) + 0.114 * colour[:, 2]
        assert np.array_equal(colour[:, 3], gray)


@pytest.mark.parametrize("seed, passes, gamma", [(1, 10, 1.0), (4294967295, 3, 1.6)])
def test_driving_the_search_gives_the_pipeline_matte(synth1, seed, passes, gamma):
    """The pipeline's search is the modules' search on the image's values raised to gamma."""
    # C's pow, as the pipeline takes it (numpy's own power rounds some values the other way)
    image = np.vectorize(math.pow)(synth1.image / 255.0, gamma)
    fg, bg, unknown = masks_of(synth1.trimap)
    fg_pos, fg_colour, bg_pos, bg_colour, unknown_pos, unknown_colour, index_map = pairseek.fringe_scan(
        image, fg, bg, unknown)
    fg_index, fg_scale = nearest(fg_pos, unknown_pos)
    bg_index, bg_scale = nearest(bg_pos, unknown_pos)
    opacity = np.zeros(index_map.shape)
    for p in range(passes):
        fg_index, bg_index, opacity = pairseek.pair_seek(
            unknown_colour, unknown_pos, fg_colour, fg_pos, bg_colour, bg_pos, fg_scale, bg_scale, index_map,
            unknown, fg_index, bg_index, opacity, seed=(seed + p * SEED_STEP) % 2**32)
    alpha = np.where(fg, 1.0, 0.0)
    alpha[unknown] = np.clip(np.nan_to_num(opacity[unknown], nan=0.0), 0.0, 1.0)
    expected = pairseek.estimate_alpha(synth1.image, synth1.trimap, seed=seed, passes=passes, refine=False,
                                       gamma=gamma)
    assert np.array_equal(alpha, expected)


def search_args():
    """A valid pair_seek call on a 4 x 4 grid: background column 0, unknown 1-2, foreground 3."""
    image = np.linspace(0, 1, 48).reshape(4, 4, 3)
    fg = np.zeros((4, 4), bool)
    fg[:, 3] = True
    bg = np.zeros((4, 4), bool)
    bg[:, 0] = True
    unknown = ~fg & ~bg
    fg_pos, fg_colour, bg_pos, bg_colour, unknown_pos, unknown_colour, index_map = pairseek.fringe_scan(
        image, fg, bg, unknown)
    n = len(unknown_pos)
    return dict(unknown_colour=unknown_colour, unknown_pos=unknown_pos, fg_colour=fg_colour, fg_pos=fg_pos,
                bg_colour=bg_colour, bg_pos=bg_pos, fg_scale=np.ones(n), bg_scale=np.ones(n), index_map=index_map,
                unknown_mask=unknown, fg_index=np.zeros(n, np.int32), bg_index=np.full(n, 3, np.int32),
                opacity=np.zeros((4, 4)))


def replaced(name, value):
    return lambda args: {**args, name: value(args[name]) if callable(value) else value}


def at(index, value):
    def change(a):
        a = a.copy()
        a[index] = value
        return a
    return change


SEARCH_CASES = [
    ("int64 fg_index", replaced("fg_index", lambda a: a.astype(np.int64)), TypeError, "fg_index must be int32"),
    ("float32 unknown_colour", replaced("unknown_colour", lambda a: a.astype(np.float32)), TypeError,
     "unknown_colour must be float64"),
    ("float mask", replaced("unknown_mask", lambda a: a.astype(float)), TypeError, "unknown_mask must be bool"),
    ("narrow colour table", replaced("fg_colour", lambda a: a[:, :2]), ValueError, "n x 3 (or wider)"),
    ("positions not n x 2", replaced("unknown_pos", lambda a: a[:-1]), ValueError, "unknown_pos must be 8 x 2 (one row per row of unknown_colour); got 7 x 2"),
    ("scale too short", replaced("fg_scale", lambda a: a[:-1]), ValueError, "fg_scale must have shape (8,)"),
    ("mask of another size", replaced("unknown_mask", lambda a: a[:3]), ValueError, "unknown_mask must be 4 x 4"),
    ("opacity of another size", replaced("opacity", lambda a: a.T[:3]), ValueError, "opacity must be 4 x 4"),
    ("fg_index past the end", replaced("fg_index", at(5, 4)), ValueError, "fg_index[5] is 4; expected 0..3"),
    ("negative bg_index", replaced("bg_index", at(0, -1)), ValueError, "bg_index[0] is -1"),
    ("index_map past the list", replaced("index_map", at((0, 0), 8)), ValueError, "index_map[0, 0] is 8"),
    ("index_map below -1", replaced("index_map", at((0, 0), -2)), ValueError, "index_map[0, 0] is -2"),
    ("mask pixel without index", replaced("index_map", at((1, 1), -1)), ValueError,
     "unknown_mask[1, 1] is set but index_map[1, 1] is -1"),
    ("position off the grid", replaced("unknown_pos", at((2, 1), 4.0)), ValueError, "unknown_pos[2] is (2.0, 4.0)"),
    ("position -1", replaced("unknown_pos", at((0, 0), -1.0)), ValueError, "expected a cell of the 4 x 4 grid"),
    ("NaN position", replaced("unknown_pos", at((0, 0), np.nan)), ValueError, "unknown_pos[0] is (nan"),
    ("no foreground samples", lambda a: {**a, "fg_colour": a["fg_colour"][:0], "fg_pos": a["fg_pos"][:0]}, ValueError,
     "need at least one foreground and one background sample"),
    ("decay 1", lambda a: {**a, "decay": 1.0}, ValueError, "0 <= decay < 1"),
    ("decay 0.99999", lambda a: {**a, "decay": 0.99999}, ValueError, "too slowly"),
    ("infinite colour weight", lambda a: {**a, "colour_weight": np.inf}, ValueError, "finite number >= 0"),
    ("seed 2**32", lambda a: {**a, "seed": 2**32}, ValueError, "seed must be an integer in 0..4294967295"),
]


@pytest.mark.parametrize("name, change, error, fragment", SEARCH_CASES, ids=[c[0] for c in SEARCH_CASES])
def test_pair_seek_rejects(name, change, error, fragment):
    args = change(search_args())
    before = {k: np.array(v, copy=True) for k, v in args.items()}
    with pytest.raises(error) as raised:
        pairseek.pair_seek(**args)
    assert fragment in str(raised.value)
    for k, v in args.items():
        assert np.array_equal(np.asarray(v), before[k], equal_nan=True), k


def test_pair_seek_returns_new_arrays_and_changes_no_input():
    args = search_args()
    before = {k: np.array(v, copy=True) for k, v in args.items()}
    fg_index, bg_index, opacity = pairseek.pair_seek(**args)
    for k, v in args.items():
        assert np.array_equal(v, before[k]), k
    assert fg_index.dtype == bg_index.dtype == np.int32 and opacity.shape == (4, 4)
    assert np.all((0 <= fg_index) & (fg_index < 4)) and np.all((0 <= bg_index) & (bg_index < 4))
    assert np.all(opacity[:, [0, 3]] == 0) and np.all(opacity[:, 1:3] != 0)
    # Any layout of the inputs: C-ordered copies give the same pass.
    again = pairseek.pair_seek(**{k: np.ascontiguousarray(v) if np.ndim(v) else v for k, v in args.items()})
    assert all(np.array_equal(a, b) for a, b in zip(again, (fg_index, bg_index, opacity)))


FRINGE_CASES = [
    ("uint8 image", lambda i, m: ((i * 255).astype(np.uint8), m), TypeError, "image must be float64"),
    ("gray image", lambda i, m: (i[:, :, 0], m), ValueError, "image must be H x W x 3"),
    ("int32 mask", lambda i, m: (i, m.astype(np.int32)), TypeError, "fg_mask must be bool, uint8 or int8"),
    ("mask of another size", lambda i, m: (i, m[:, :3]), ValueError, "fg_mask must be 4 x 4; got 4 x 3"),
]


@pytest.mark.parametrize("name, change, error, fragment", FRINGE_CASES, ids=[c[0] for c in FRINGE_CASES])
def test_fringe_scan_rejects(name, change, error, fragment):
    image, mask = change(np.linspace(0, 1, 48).reshape(4, 4, 3), np.eye(4, dtype=bool))
    with pytest.raises(error) as raised:
        pairseek.fringe_scan(image, mask, ~np.eye(4, dtype=bool), np.zeros((4, 4), bool))
    assert fragment in str(raised.value)
