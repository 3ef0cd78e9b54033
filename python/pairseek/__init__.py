"""pairseek: fast alpha matting by a randomised search for foreground/background sample pairs.

>>> import pairseek
>>> alpha = pairseek.estimate_alpha(image, trimap)            # H x W float64 in [0, 1]
>>> alpha, foreground = pairseek.matte(image, trimap)         # and H x W x 3 colours
>>> trimap = pairseek.trimap_from_mask(mask)                  # from a rough mask: 0 / 128 / 255
>>> foreground = pairseek.estimate_foreground(image, alpha)   # the colours of any alpha
>>> on_white = pairseek.composite(foreground, alpha, (1.0, 1.0, 1.0))
>>> pairseek.batch("photos/", "trimaps/", "mattes/", workers=2)   # folders, on Dask

The array conventions are those of the common Python matting libraries: float
images in [0, 1] (or uint8 / uint16), H x W x 3; trimaps 0 / 1 / other (float) or
0 / 255 / other (uint8). The matte itself is computed in C++ with the interpreter
lock released.
"""
from ._pairseek import (
    DEFAULT_OPTIONS,
    Cancelled,
    Progress,
    __version__,
    composite,
    estimate_alpha,
    estimate_foreground,
    fringe_scan,
    matte,
    pair_seek,
    trimap_from_mask,
)
from .batch import BatchReport, batch
from .pairing import pair_files

__all__ = [
    "DEFAULT_OPTIONS",
    "BatchReport",
    "Cancelled",
    "Progress",
    "batch",
    "composite",
    "estimate_alpha",
    "estimate_foreground",
    "fringe_scan",
    "matte",
    "pair_files",
    "pair_seek",
    "trimap_from_mask",
]
