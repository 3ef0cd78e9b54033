"""Reading images and trimaps from PNG / JPEG files and writing alpha mattes, with Pillow.

Arrays come back in the dtypes the matte takes as they are (uint8, uint16, bool),
so no value is rescaled here: the pipeline's own rules decide what they mean.
"""
from __future__ import annotations

import os

import numpy as np


def _open(path: str):
    from PIL import Image

    with Image.open(path) as picture:
        picture.load()
        return picture


def _sixteen_bits(picture, path: str) -> np.ndarray:
    """A 16-bit gray picture (Pillow: mode I;16* or I) as uint16."""
    values = np.asarray(picture)
    if values.dtype != np.uint16:
        if values.size and (values.min() < 0 or values.max() > 65535):
            raise ValueError(f"{path}: 32-bit values outside 0..65535; expected an 8- or 16-bit picture")
        values = values.astype(np.uint16)
    return values


def read_image(path: str) -> np.ndarray:
    """The picture as H x W x 3 (colour) or H x W (gray) uint8, or uint16 for 16-bit gray.

    An alpha channel is dropped, a palette expanded. Raises OSError when the file
    cannot be read and ValueError for a picture of an unsupported kind.
    """
    picture = _open(path)
    mode = picture.mode
    if mode.startswith("I"):
        return _sixteen_bits(picture, path)
    if mode in ("RGB", "L"):
        return np.asarray(picture)
    if mode in ("RGBA", "P", "PA", "CMYK", "YCbCr", "LAB", "HSV"):
        return np.asarray(picture.convert("RGB"))
    if mode in ("LA", "1"):
        return np.asarray(picture.convert("L"))
    raise ValueError(f"{path}: unsupported picture mode {mode}; expected RGB or gray, 8 or 16 bits")


def read_trimap(path: str) -> np.ndarray:
    """The trimap as H x W uint8 (0 / 255 / other), uint16 or bool, or H x W x C
    (the matte reads the first channel). Raises OSError or ValueError like read_image."""
    picture = _open(path)
    mode = picture.mode
    if mode.startswith("I"):
        return _sixteen_bits(picture, path)
    if mode in ("L", "LA", "RGB", "RGBA", "1"):
        return np.asarray(picture)
    if mode in ("P", "PA"):
        return np.asarray(picture.convert("L"))
    raise ValueError(f"{path}: unsupported trimap mode {mode}; expected gray, 8 or 16 bits")


def alpha_bytes(alpha: np.ndarray) -> np.ndarray:
    """An alpha matte in [0, 1] as the 8-bit gray values written to files: rounded
    half up, clamped, NaN as 0, as the pairseek command writes them."""
    scaled = np.nan_to_num(np.asarray(alpha, dtype=np.float64) * 255.0 + 0.5, nan=0.0)
    return np.clip(np.floor(scaled), 0, 255).astype(np.uint8)


def write_alpha(path: str, alpha: np.ndarray, job: str) -> None:
    """Write `alpha` as an 8-bit gray PNG, whole or not at all.

    The picture goes to a hidden temporary file ``.<name>.<job>-<pid>.tmp`` beside
    `path`, is flushed to disk, then renamed over `path`.
    """
    from PIL import Image

    folder, name = os.path.split(path)
    temporary = os.path.join(folder, f".{name}.{job}-{os.getpid()}.tmp")
    try:
        with open(temporary, "wb") as file:
            Image.fromarray(alpha_bytes(alpha), mode="L").save(file, format="PNG")
            file.flush()
            os.fsync(file.fileno())
        os.replace(temporary, path)
    except BaseException:
        try:
            os.remove(temporary)
        except FileNotFoundError:
            pass
        raise


def temporary_files(folder: str, job: str) -> list:
    """The temporary files write_alpha left in `folder` for `job` (after a killed writer)."""
    mark = f".{job}-"
    return [os.path.join(folder, n) for n in os.listdir(folder)
            if n.startswith(".") and mark in n and n.endswith(".tmp")]
