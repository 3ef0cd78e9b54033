# Type hints of the extension module (pybind11 cannot write them itself).
from typing import Callable, Dict, Literal, Optional, Sequence, Tuple, Union, overload

import numpy as np
import numpy.typing as npt

__version__: str
DEFAULT_OPTIONS: Dict[str, Union[int, float, bool]]

class Cancelled(Exception): ...

class Progress:
    @property
    def stage(self) -> str: ...
    @property
    def step(self) -> int: ...
    @property
    def steps(self) -> int: ...
    @property
    def unknown(self) -> int: ...
    @property
    def foreground_samples(self) -> int: ...
    @property
    def background_samples(self) -> int: ...
    @property
    def changed_pairs(self) -> int: ...

ProgressCallback = Callable[[Progress], Optional[bool]]
FloatArray = npt.NDArray[np.float64]
IndexArray = npt.NDArray[np.int32]

def estimate_alpha(
    image: npt.ArrayLike,
    trimap: npt.ArrayLike,
    *,
    passes: int = ...,
    decay: float = ...,
    colour_weight: float = ...,
    seed: int = ...,
    refine: bool = ...,
    progress: Optional[ProgressCallback] = ...,
    threads: int = ...,
) -> FloatArray: ...
def matte(
    image: npt.ArrayLike,
    trimap: npt.ArrayLike,
    *,
    passes: int = ...,
    decay: float = ...,
    colour_weight: float = ...,
    seed: int = ...,
    refine: bool = ...,
    progress: Optional[ProgressCallback] = ...,
    foreground: Literal["estimated", "samples"] = ...,
    threads: int = ...,
) -> Tuple[FloatArray, FloatArray]: ...
@overload
def estimate_foreground(
    image: npt.ArrayLike, alpha: npt.ArrayLike, *, return_background: Literal[False] = ...
) -> FloatArray: ...
@overload
def estimate_foreground(
    image: npt.ArrayLike, alpha: npt.ArrayLike, *, return_background: Literal[True]
) -> Tuple[FloatArray, FloatArray]: ...
@overload
def estimate_foreground(
    image: npt.ArrayLike, alpha: npt.ArrayLike, *, return_background: bool
) -> Union[FloatArray, Tuple[FloatArray, FloatArray]]: ...
def composite(
    foreground: npt.ArrayLike,
    alpha: npt.ArrayLike,
    background: Union[npt.ArrayLike, Sequence[float], float],
) -> FloatArray: ...
def trimap_from_mask(
    mask: npt.ArrayLike,
    *,
    band: Optional[float] = ...,
    low: float = ...,
    high: float = ...,
) -> npt.NDArray[np.uint8]: ...
def fringe_scan(
    image: FloatArray,
    fg_mask: npt.NDArray[np.bool_ | np.uint8 | np.int8],
    bg_mask: npt.NDArray[np.bool_ | np.uint8 | np.int8],
    unknown_mask: npt.NDArray[np.bool_ | np.uint8 | np.int8],
) -> Tuple[FloatArray, FloatArray, FloatArray, FloatArray, FloatArray, FloatArray, IndexArray]: ...
def pair_seek(
    unknown_colour: FloatArray,
    unknown_pos: FloatArray,
    fg_colour: FloatArray,
    fg_pos: FloatArray,
    bg_colour: FloatArray,
    bg_pos: FloatArray,
    fg_scale: FloatArray,
    bg_scale: FloatArray,
    index_map: IndexArray,
    unknown_mask: npt.NDArray[np.bool_ | np.uint8 | np.int8],
    fg_index: IndexArray,
    bg_index: IndexArray,
    opacity: FloatArray,
    *,
    decay: float = ...,
    colour_weight: float = ...,
    seed: int = ...,
) -> Tuple[IndexArray, IndexArray, FloatArray]: ...
