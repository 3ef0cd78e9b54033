"""The command's alpha is the C++ API's alpha for the same pixels and seed,
rounded half up to 8 or 16 bits; a mask gives the API's trimap of it."""
import pytest

import numpy as np

from conftest import api_alpha, api_trimap, case, read_png, run, quantise, true_alpha, write_png

# (case, seed, passes, refine, gamma; None: the default)
RUNS = [
    ("synth1", 1, 10, True, None),
    ("synth1", 7, 3, False, 1.0),
    ("synth2", 123456789, 10, True, 2.2),
    ("test", 4294967295, 5, True, None),
]


@pytest.mark.parametrize("name, seed, passes, refine, gamma", RUNS, ids=[f"{r[0]}-seed{r[1]}" for r in RUNS])
def test_command_matches_the_api(tmp_path, name, seed, passes, refine, gamma):
    image, trimap = case(name)
    expected = api_alpha(image, trimap, tmp_path, seed=seed, passes=passes, refine=refine, gamma=gamma)
    options = (["--seed", seed, "--passes", passes] + ([] if refine else ["--no-refine"]) +
               ([] if gamma is None else ["--gamma", gamma]))
    for depth, max_value in ((8, 255), (16, 65535)):
        out = tmp_path / f"alpha{depth}.png"
        result = run(image, trimap, "-o", out, "--depth", depth, *options)
        assert result.returncode == 0, result.stderr
        alpha, info = read_png(out)
        assert info["bitdepth"] == depth
        np.testing.assert_array_equal(alpha[:, :, 0], quantise(expected, max_value))


def test_seeds_and_gammas_give_different_mattes(tmp_path):
    """Guards the comparison above: the seed and gamma do reach the pipeline."""
    image, trimap = case("synth1")
    first = api_alpha(image, trimap, tmp_path, seed=1, refine=False)
    assert not np.array_equal(first, api_alpha(image, trimap, tmp_path, seed=2, refine=False))
    assert not np.array_equal(first, api_alpha(image, trimap, tmp_path, seed=1, refine=False, gamma=1.0))


def rough_mask(alpha):
    """A hand-made kind of mask of synth1: the object as a blocky 0 / 255 selection."""
    blocks = alpha[::8, ::8] > 128
    return (np.kron(blocks, np.ones((8, 8), dtype=bool))[:alpha.shape[0], :alpha.shape[1]] * 255).astype(np.uint8)


def soft_mask(alpha):
    """The rough mask with a soft rim: 40 % grey on a ring around the selection's edge."""
    mask = rough_mask(alpha)
    edge = (mask != np.roll(mask, 1, axis=0)) | (mask != np.roll(mask, 1, axis=1))
    return np.where(edge, 102, mask).astype(np.uint8)


def flags(band, low, high):
    return [f for name, v in (("--band", band), ("--mask-low", low), ("--mask-high", high)) if v is not None
            for f in (name, v)]


# (name, 8-bit mask m from the true alpha, the file's samples from m, its bit depth, band, low, high)
MASKS = [
    ("grey 8", rough_mask, lambda m: m, 8, None, None, None),
    ("grey 1-bit", rough_mask, lambda m: m // 255, 1, None, None, None),
    ("grey 16", rough_mask, lambda m: m.astype(np.uint16) * 257, 16, None, None, None),
    ("RGB, first channel", rough_mask, lambda m: np.stack([m, 255 - m, m // 2], axis=2), 8, None, None, None),
    ("grey + alpha", rough_mask, lambda m: np.stack([m, 255 - m], axis=2), 8, None, None, None),
    ("soft", soft_mask, lambda m: m, 8, None, None, None),
    ("soft, options", soft_mask, lambda m: m, 8, 5, 0.5, 0.9),
    ("band 0", rough_mask, lambda m: m, 8, 0, None, None),
]


@pytest.mark.parametrize("name, make_mask, samples, bitdepth, band, low, high", MASKS, ids=[m[0] for m in MASKS])
def test_mask_gives_the_api_trimap(tmp_path, name, make_mask, samples, bitdepth, band, low, high):
    image, _ = case("synth1")
    mask = make_mask(true_alpha("synth1"))
    expected = api_trimap(mask, tmp_path, band, low, high)
    write_png(tmp_path / "mask.png", samples(mask), bitdepth=bitdepth)
    result = run(image, "--mask", tmp_path / "mask.png", "-o", tmp_path / "from_mask.png",
                 "--trimap-out", tmp_path / "made.png", *flags(band, low, high))
    assert result.returncode == 0, result.stderr
    made, info = read_png(tmp_path / "made.png")
    assert (info["greyscale"], info["bitdepth"]) == (True, 8)
    np.testing.assert_array_equal(made[:, :, 0], expected)
    # The matte of the mask is that of the API's trimap given as TRIMAP.
    write_png(tmp_path / "trimap.png", expected)
    assert run(image, tmp_path / "trimap.png", "-o", tmp_path / "from_trimap.png").returncode == 0
    assert (tmp_path / "from_mask.png").read_bytes() == (tmp_path / "from_trimap.png").read_bytes()


def test_mask_options_reach_the_trimap(tmp_path):
    """Guards the comparison above: the band and the thresholds change the trimap made."""
    mask = soft_mask(true_alpha("synth1"))
    default = api_trimap(mask, tmp_path)
    for band, low, high in ((5, None, None), (None, 0.5, None), (None, None, 0.3)):
        assert not np.array_equal(default, api_trimap(mask, tmp_path, band, low, high))
