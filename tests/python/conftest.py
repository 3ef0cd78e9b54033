"""Shared fixtures of the Python package tests. Run them with the package of a build
tree on the path: PYTHONPATH=build/python /usr/bin/python3 -m pytest tests/python
(CTest does that, and points PAIRSEEK_MATTE_REFERENCE at the C++ reference program)."""
import os
from typing import NamedTuple

import numpy as np
import pytest
from PIL import Image

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
REPO_DATA = os.path.join(REPO, "data")
SHARED_DATA = os.path.join(REPO, "..", "shared", "data")


class Case(NamedTuple):
    name: str
    image: np.ndarray    # uint8 H x W x 3
    trimap: np.ndarray   # uint8 H x W: 0 / 255 / other


def load_case(folder, name):
    image = np.asarray(Image.open(os.path.join(folder, f"{name}_image.png")).convert("RGB"))
    trimap = np.asarray(Image.open(os.path.join(folder, f"{name}_trimap.png")).convert("L"))
    return Case(name, image, trimap)


@pytest.fixture(scope="session")
def synth1():
    """The repository's own case (200 x 200, 11805 unknown pixels)."""
    return load_case(REPO_DATA, "synth1")


@pytest.fixture(scope="session")
def small():
    """A small case: the shared `test` case (32 x 32) or else a crop of synth1."""
    if os.path.exists(os.path.join(SHARED_DATA, "test_image.png")):
        return load_case(SHARED_DATA, "test")
    case = load_case(REPO_DATA, "synth1")
    return Case("synth1-crop", case.image[60:110, 20:70].copy(), case.trimap[60:110, 20:70].copy())


def shared_cases():
    """The shared cases present beside the repository (none when ../shared is absent)."""
    names = ["synth1", "test"]
    return [n for n in names if os.path.exists(os.path.join(SHARED_DATA, f"{n}_image.png"))]


def snapshot(*arrays):
    """Forced copies of the arrays, to show afterwards that they were not changed."""
    return [np.array(a, copy=True) for a in arrays]
