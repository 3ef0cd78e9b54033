"""The command's alpha is the C++ API's alpha for the same pixels and seed,
rounded half up to 8 or 16 bits."""
import pytest

import numpy as np

from conftest import api_alpha, case, read_png, run, quantise

# (case, seed, passes, refine)
RUNS = [
    ("synth1", 1, 10, True),
    ("synth1", 7, 3, False),
    ("synth2", 123456789, 10, True),
    ("test", 4294967295, 5, True),
]


@pytest.mark.parametrize("name, seed, passes, refine", RUNS, ids=[f"{r[0]}-seed{r[1]}" for r in RUNS])
def test_command_matches_the_api(tmp_path, name, seed, passes, refine):
    image, trimap = case(name)
    expected = api_alpha(image, trimap, tmp_path, seed=seed, passes=passes, refine=refine)
    options = ["--seed", seed, "--passes", passes] + ([] if refine else ["--no-refine"])
    for depth, max_value in ((8, 255), (16, 65535)):
        out = tmp_path / f"alpha{depth}.png"
        result = run(image, trimap, "-o", out, "--depth", depth, *options)
        assert result.returncode == 0, result.stderr
        alpha, info = read_png(out)
        assert info["bitdepth"] == depth
        np.testing.assert_array_equal(alpha[:, :, 0], quantise(expected, max_value))


def test_seeds_give_different_mattes(tmp_path):
    """Guards the comparison above: the seed does reach the pipeline."""
    image, trimap = case("synth1")
    first = api_alpha(image, trimap, tmp_path, seed=1, refine=False)
    assert not np.array_equal(first, api_alpha(image, trimap, tmp_path, seed=2, refine=False))
