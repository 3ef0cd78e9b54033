"""Shared helpers for the pairseek command's tests.

The command and the helper binary come from the environment CTest sets
(PAIRSEEK_COMMAND, PAIRSEEK_CLI_HELPER); images are read and written with
pypng so that every bit depth and colour type can be made exactly.
"""
import os
import pathlib
import subprocess

import numpy as np
import png
import pytest

COMMAND = os.environ.get("PAIRSEEK_COMMAND", "pairseek")
HELPER = os.environ.get("PAIRSEEK_CLI_HELPER", "cliTestHelper")
DATA = pathlib.Path(os.environ.get("PAIRSEEK_DATA", pathlib.Path(__file__).parents[2] / "data"))
SHARED_DATA = pathlib.Path(os.environ.get("PAIRSEEK_SHARED_DATA", "/nonexistent"))


def run(*args, timeout=60, **kwargs):
    """Runs the command; returns the CompletedProcess with text output."""
    return subprocess.run([COMMAND, *map(str, args)], capture_output=True, text=True,
                          timeout=timeout, **kwargs)


def helper(*args):
    subprocess.run([HELPER, *map(str, args)], check=True)


def write_png(path, pixels, bitdepth=8, palette=None):
    """Writes rows x cols (grey) or rows x cols x k (k = 2, 3, 4) samples."""
    pixels = np.asarray(pixels)
    rows, cols = pixels.shape[:2]
    planes = 1 if pixels.ndim == 2 else pixels.shape[2]
    if palette is not None:
        writer = png.Writer(cols, rows, palette=palette, bitdepth=8)
    else:
        writer = png.Writer(cols, rows, greyscale=planes <= 2, alpha=planes in (2, 4),
                            bitdepth=bitdepth)
    with open(path, "wb") as f:
        writer.write(f, pixels.reshape(rows, cols * planes).tolist())


def read_png(path):
    """Returns (samples as rows x cols x planes uint16 array, info dict)."""
    cols, rows, data, info = png.Reader(filename=str(path)).read()
    planes = info["planes"]
    array = np.array([np.asarray(row, dtype=np.uint16) for row in data])
    return array.reshape(rows, cols, planes), info


def true_alpha(name):
    """The reference alpha (rows x cols uint8) of a case, beside its image."""
    image, _ = case(name)
    return read_png(image.parent / f"{name}_alpha.png")[0][:, :, 0].astype(np.uint8)


def case(name):
    """(image, trimap) paths of a shared case, or of data/ when the shared folder is missing."""
    for folder in (SHARED_DATA, DATA):
        image = folder / f"{name}_image.png"
        if image.exists():
            return image, folder / f"{name}_trimap.png"
    pytest.skip(f"no {name} case in {SHARED_DATA} or {DATA}")


def api_alpha(image_png, trimap_png, tmp_path, seed=1, passes=10, refine=True, gamma=None):
    """The C++ API's alpha (rows x cols float64) for 8-bit PNG inputs; gamma None: its default."""
    image, _ = read_png(image_png)
    trimap, _ = read_png(trimap_png)
    image = image[:, :, :3].astype(np.uint8)
    raw_image, raw_trimap, out = (tmp_path / n for n in ("image.u8", "trimap.u8", "alpha.f64"))
    image.tofile(raw_image)
    trimap[:, :, 0].astype(np.uint8).tofile(raw_trimap)
    rows, cols, channels = image.shape
    helper("matte", raw_image, raw_trimap, rows, cols, channels, seed, passes, int(refine),
           "-" if gamma is None else gamma, out)
    return np.fromfile(out, dtype=np.float64).reshape(rows, cols)


def api_trimap(mask, tmp_path, band=None, low=None, high=None):
    """The C++ API's trimap (rows x cols uint8) of a uint8 mask; None: the option's default."""
    mask = np.ascontiguousarray(mask, dtype=np.uint8)
    raw_mask, out = tmp_path / "mask.u8", tmp_path / "trimap.u8"
    mask.tofile(raw_mask)
    options = ("-" if v is None else v for v in (band, low, high))
    helper("trimap", raw_mask, mask.shape[0], mask.shape[1], *options, out)
    return np.fromfile(out, dtype=np.uint8).reshape(mask.shape)


def write_jpeg(path, pixels, quality=95):
    pixels = np.ascontiguousarray(pixels, dtype=np.uint8)
    raw = pathlib.Path(str(path) + ".u8")
    pixels.tofile(raw)
    channels = 1 if pixels.ndim == 2 else pixels.shape[2]
    helper("jpeg", raw, pixels.shape[0], pixels.shape[1], channels, quality, path)
    raw.unlink()


def quantise(alpha, max_value):
    """Round half up of alpha * max_value, clamped: the command's rule."""
    return np.clip(np.floor(alpha * max_value + 0.5), 0, max_value).astype(np.uint16)


def leftovers(folder):
    """Temporary files the command may have left in a folder."""
    return sorted(p.name for p in pathlib.Path(folder).iterdir() if p.name.endswith(".pairseek-tmp"))
