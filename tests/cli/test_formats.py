"""Every PNG layout the command reads gives the matte of the same pixels, and
what it writes: 8 and 16-bit alpha, the RGBA cut-out, the RGB foreground."""
import numpy as np
import pytest

from conftest import case, read_png, run, write_jpeg, write_png


@pytest.fixture(scope="module")
def grey_case(tmp_path_factory):
    """A grey version of synth1 as 8-bit RGB with equal channels, its trimap, and their alpha."""
    folder = tmp_path_factory.mktemp("grey")
    image_png, trimap_png = case("synth1")
    image, _ = read_png(image_png)
    trimap, _ = read_png(trimap_png)
    grey = image[:, :, 0].astype(np.uint8)
    trimap = trimap[:, :, 0].astype(np.uint8)
    write_png(folder / "rgb.png", np.stack([grey] * 3, axis=2))
    write_png(folder / "trimap.png", trimap)
    result = run(folder / "rgb.png", folder / "trimap.png", "-o", folder / "alpha.png", "--depth", "16")
    assert result.returncode == 0, result.stderr
    return folder, grey, trimap, read_png(folder / "alpha.png")[0]


def noise(shape, seed):
    return np.random.default_rng(seed).integers(0, 256, shape).astype(np.uint16)


# (name, image samples from grey g, bit depth); 16-bit samples are g * 257, the same value.
IMAGES = [
    ("grey 8", lambda g: g, 8),
    ("grey 16", lambda g: g.astype(np.uint16) * 257, 16),
    ("grey + alpha 8", lambda g: np.stack([g, noise(g.shape, 1)], axis=2), 8),
    ("grey + alpha 16", lambda g: np.stack([g.astype(np.uint16) * 257, noise(g.shape, 2) * 257], axis=2), 16),
    ("RGB 16", lambda g: np.stack([g.astype(np.uint16) * 257] * 3, axis=2), 16),
    ("RGBA 8", lambda g: np.stack([g, g, g, noise(g.shape, 3)], axis=2), 8),
    ("RGBA 16", lambda g: np.stack([g.astype(np.uint16) * 257] * 3 + [noise(g.shape, 4) * 257], axis=2), 16),
]


@pytest.mark.parametrize("name, make, bitdepth", IMAGES, ids=[i[0] for i in IMAGES])
def test_image_layouts_read_alike(grey_case, tmp_path, name, make, bitdepth):
    folder, grey, _, expected = grey_case
    write_png(tmp_path / "image.png", make(grey), bitdepth=bitdepth)
    result = run(tmp_path / "image.png", folder / "trimap.png", "-o", tmp_path / "alpha.png", "--depth", "16")
    assert result.returncode == 0, result.stderr
    np.testing.assert_array_equal(read_png(tmp_path / "alpha.png")[0], expected)


def test_palette_image_reads_alike(grey_case, tmp_path):
    folder, grey, _, expected = grey_case
    palette = [(v, v, v) for v in range(256)]
    write_png(tmp_path / "image.png", grey, palette=palette)
    result = run(tmp_path / "image.png", folder / "trimap.png", "-o", tmp_path / "alpha.png", "--depth", "16")
    assert result.returncode == 0, result.stderr
    np.testing.assert_array_equal(read_png(tmp_path / "alpha.png")[0], expected)


# (name, trimap samples from the 8-bit trimap t, bit depth)
TRIMAPS = [
    ("trimap 16", lambda t: t.astype(np.uint16) * 257, 16),
    ("trimap RGB", lambda t: np.stack([t, noise(t.shape, 5), noise(t.shape, 6)], axis=2), 8),
    ("trimap grey + alpha", lambda t: np.stack([t, noise(t.shape, 7)], axis=2), 8),
]


@pytest.mark.parametrize("name, make, bitdepth", TRIMAPS, ids=[t[0] for t in TRIMAPS])
def test_trimap_layouts_read_alike(grey_case, tmp_path, name, make, bitdepth):
    folder, _, trimap, expected = grey_case
    write_png(tmp_path / "trimap.png", make(trimap), bitdepth=bitdepth)
    result = run(folder / "rgb.png", tmp_path / "trimap.png", "-o", tmp_path / "alpha.png", "--depth", "16")
    assert result.returncode == 0, result.stderr
    np.testing.assert_array_equal(read_png(tmp_path / "alpha.png")[0], expected)


@pytest.mark.parametrize("depth", [8, 16])
def test_outputs_agree_with_each_other(tmp_path, depth):
    image, trimap = case("synth1")
    alpha, cutout, foreground = (tmp_path / n for n in ("alpha.png", "cutout.png", "foreground.png"))
    result = run(image, trimap, "-o", alpha, "--cutout", cutout, "--foreground", foreground, "--depth", depth)
    assert result.returncode == 0, result.stderr
    a, a_info = read_png(alpha)
    c, c_info = read_png(cutout)
    f, f_info = read_png(foreground)
    assert (a_info["greyscale"], a_info["alpha"], a_info["bitdepth"]) == (True, False, depth)
    assert (c_info["greyscale"], c_info["alpha"], c_info["bitdepth"]) == (False, True, depth)
    assert (f_info["greyscale"], f_info["alpha"], f_info["bitdepth"]) == (False, False, depth)
    np.testing.assert_array_equal(c[:, :, 3], a[:, :, 0])
    np.testing.assert_array_equal(c[:, :, :3], f)
    # The foreground is the image itself where the trimap says foreground.
    source, _ = read_png(image)
    known = read_png(trimap)[0][:, :, 0] == 255
    scale = 257 if depth == 16 else 1
    np.testing.assert_array_equal(f[known], source[:, :, :3][known].astype(np.uint16) * scale)


def test_jpeg_input(tmp_path):
    image_png, trimap_png = case("synth1")
    image, _ = read_png(image_png)
    write_jpeg(tmp_path / "image.jpg", image[:, :, :3])
    write_jpeg(tmp_path / "grey.jpg", image[:, :, 0])
    for name in ("image.jpg", "grey.jpg"):
        result = run(tmp_path / name, trimap_png, "-o", tmp_path / "alpha.png")
        assert result.returncode == 0, result.stderr
        alpha, _ = read_png(tmp_path / "alpha.png")
        assert alpha.shape[:2] == image.shape[:2]
        known = read_png(trimap_png)[0][:, :, 0]
        np.testing.assert_array_equal(alpha[:, :, 0][known == 255], 255)
        np.testing.assert_array_equal(alpha[:, :, 0][known == 0], 0)


def test_progress_lines_only_when_verbose(tmp_path):
    image, trimap = case("synth1")
    quiet = run(image, trimap, "-o", tmp_path / "a.png")
    assert quiet.stderr == "" and quiet.stdout == ""
    verbose = run(image, trimap, "-o", tmp_path / "b.png", "--verbose", "--passes", "3")
    lines = verbose.stderr.splitlines()
    for stage in ("scan", "search 1/3", "search 3/3", "refine", "foreground"):
        assert any(line.endswith(": " + stage) for line in lines), verbose.stderr
    assert verbose.stdout == ""


def test_progress_bar_on_a_terminal(tmp_path):
    """With stderr on a terminal the stage shows as a bar redrawn in place."""
    import os
    import pty
    import subprocess
    from conftest import COMMAND
    image, trimap = case("synth1")
    controller, terminal = pty.openpty()
    process = subprocess.Popen([COMMAND, image, trimap, "-o", tmp_path / "a.png"], stderr=terminal,
                               stdout=subprocess.DEVNULL)
    os.close(terminal)
    output = b""
    while True:
        try:
            chunk = os.read(controller, 4096)
        except OSError:
            break
        if not chunk:
            break
        output += chunk
    os.close(controller)
    assert process.wait(timeout=60) == 0
    assert b"\r" in output and b"[#" in output, output
    assert output.endswith(b"\r\x1b[K"), output   # the bar is wiped at the end
