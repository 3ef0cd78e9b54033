"""pairseek: fast alpha matting by a randomised search for foreground/background sample pairs.

>>> import pairseek
>>> alpha = pairseek.estimate_alpha(image, trimap)            # H x W float64 in [0, 1]
>>> alpha, foreground = pairseek.matte(image, trimap)         # and H x W x 3 colours
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
    estimate_alpha,
    fringe_scan,
    matte,
    pair_seek,
)
from .batch import BatchReport, batch
from .pairing import pair_files

__all__ = [
    "DEFAULT_OPTIONS",
    "BatchReport",
    "Cancelled",
    "Progress",
    "batch",
    "estimate_alpha",
    "fringe_scan",
    "matte",
    "pair_files",
    "pair_seek",
]
