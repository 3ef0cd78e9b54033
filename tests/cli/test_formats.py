"""Every PNG layout the command reads gives the matte of the same pixels, and
what it writes: 8 and 16-bit alpha, the RGBA cut-out, the RGB foreground, the
RGB cut-out over a new background."""
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


def assert_matte_is(image, trimap, tmp_path, expected):
    """The command's 16-bit matte of image and trimap equals expected."""
    result = run(image, trimap, "-o", tmp_path / "alpha.png", "--depth", "16")
    assert result.returncode == 0, result.stderr
    np.testing.assert_array_equal(read_png(tmp_path / "alpha.png")[0], expected)


@pytest.mark.parametrize("name, make, bitdepth", IMAGES, ids=[i[0] for i in IMAGES])
def test_image_layouts_read_alike(grey_case, tmp_path, name, make, bitdepth):
    folder, grey, _, expected = grey_case
    write_png(tmp_path / "image.png", make(grey), bitdepth=bitdepth)
    assert_matte_is(tmp_path / "image.png", folder / "trimap.png", tmp_path, expected)


def test_palette_image_reads_alike(grey_case, tmp_path):
    folder, grey, _, expected = grey_case
    palette = [(v, v, v) for v in range(256)]
    write_png(tmp_path / "image.png", grey, palette=palette)
    assert_matte_is(tmp_path / "image.png", folder / "trimap.png", tmp_path, expected)


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
    assert_matte_is(folder / "rgb.png", tmp_path / "trimap.png", tmp_path, expected)


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
    # Enough passes that the run outlasts the bar's 100 ms redraw interval.
    process = subprocess.Popen([COMMAND, image, trimap, "-o", tmp_path / "a.png", "--passes", "200"],
                               stderr=terminal, stdout=subprocess.DEVNULL)
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


def known_regions(trimap_png):
    trimap = read_png(trimap_png)[0][:, :, 0]
    return trimap == 0, trimap == 255


# (name, --background, its colour in 8 bits)
COLOURS = [
    ("hex", "#1F6b38", (31, 107, 56)),
    ("triple", "16, 32,48", (16, 32, 48)),
    ("name", "White", (255, 255, 255)),
    ("other spelling", "gray", (128, 128, 128)),
]


@pytest.mark.parametrize("name, text, colour", COLOURS, ids=[c[0] for c in COLOURS])
def test_cutout_over_a_colour(tmp_path, name, text, colour):
    image, trimap = case("synth1")
    alpha_png, cutout_png, foreground_png = (tmp_path / n for n in ("a.png", "c.png", "f.png"))
    result = run(image, trimap, "-o", alpha_png, "--cutout", cutout_png, "--foreground", foreground_png,
                 "--background", text)
    assert result.returncode == 0, result.stderr
    cutout, info = read_png(cutout_png)
    assert (info["greyscale"], info["alpha"], info["bitdepth"]) == (False, False, 8)
    background, foreground = known_regions(trimap)
    np.testing.assert_array_equal(cutout[background], np.broadcast_to(colour, cutout[background].shape))
    np.testing.assert_array_equal(cutout[foreground], read_png(image)[0][:, :, :3][foreground])
    # Between them, the blend of the written foreground and the colour (each output rounded to 8 bits).
    alpha = read_png(alpha_png)[0].astype(float) / 255
    blend = alpha * read_png(foreground_png)[0] + (1 - alpha) * np.array(colour)
    assert np.abs(cutout - blend).max() <= 1.5


@pytest.mark.parametrize("depth", [8, 16])
def test_cutout_over_an_image(tmp_path, depth):
    image, trimap = case("synth1")
    source = read_png(image)[0][:, :, :3]
    scenery = noise(source.shape, 8)
    write_png(tmp_path / "scenery.png", scenery)
    write_png(tmp_path / "grey.png", scenery[:, :, 1])
    scale = 257 if depth == 16 else 1
    background, foreground = known_regions(trimap)
    for name, expected in (("scenery.png", scenery), ("grey.png", np.stack([scenery[:, :, 1]] * 3, axis=2))):
        out = tmp_path / f"over_{name}"
        result = run(image, trimap, "-o", tmp_path / "a.png", "--cutout", out, "--background", tmp_path / name,
                     "--depth", depth)
        assert result.returncode == 0, result.stderr
        cutout, info = read_png(out)
        assert (info["planes"], info["bitdepth"]) == (3, depth)
        np.testing.assert_array_equal(cutout[background], expected[background] * scale)
        np.testing.assert_array_equal(cutout[foreground], source[foreground] * scale)


def test_foreground_colours(tmp_path):
    """Sample colours are copies of known-foreground pixels; the estimate is not, and the alpha is the same."""
    image, trimap = case("synth1")
    outputs = {}
    for choice in ("estimated", "samples", None):
        alpha_png, foreground_png = tmp_path / f"a_{choice}.png", tmp_path / f"f_{choice}.png"
        options = [] if choice is None else ["--foreground-colours", choice]
        result = run(image, trimap, "-o", alpha_png, "--foreground", foreground_png, *options)
        assert result.returncode == 0, result.stderr
        outputs[choice] = alpha_png.read_bytes(), read_png(foreground_png)[0]
    assert outputs[None][0] == outputs["estimated"][0] == outputs["samples"][0]
    np.testing.assert_array_equal(outputs[None][1], outputs["estimated"][1])
    source = read_png(image)[0][:, :, :3]
    background, foreground = known_regions(trimap)
    unknown = ~(background | foreground)
    known_colours = {tuple(p) for p in source[foreground]}
    alpha = read_png(tmp_path / "a_samples.png")[0][:, :, 0]
    estimated, samples = outputs["estimated"][1][unknown & (alpha > 0)], outputs["samples"][1][unknown & (alpha > 0)]
    assert all(tuple(p) in known_colours for p in samples)
    assert sum(tuple(p) not in known_colours for p in estimated) > len(estimated) // 2
