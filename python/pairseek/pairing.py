"""Which trimap belongs to which image: the pairing rule of pairseek's batch jobs.

Two folders: the image ``IMAGES/cat.jpg`` goes with the trimap of the same stem,
``TRIMAPS/cat.png`` (any of the extensions below); the output is ``cat_alpha.png``.
One folder for both: ``cat_image.jpg`` goes with ``cat_trimap.png``; the output is
again ``cat_alpha.png``, so a folder laid out like the shared test data
(``<case>_image.png``, ``<case>_trimap.png``, ``<case>_alpha.png``) works as it is.
The ``pairseek`` command uses the same rule. Hidden files are ignored.
"""
from __future__ import annotations

import os
from typing import List, NamedTuple, Tuple

EXTENSIONS = (".png", ".jpg", ".jpeg")
IMAGE_SUFFIX = "_image"
TRIMAP_SUFFIX = "_trimap"
ALPHA_SUFFIX = "_alpha"


class Pair(NamedTuple):
    stem: str      # the case's name; its output is <stem>_alpha.png
    image: str     # path of the image file
    trimap: str    # path of the trimap file


def _pictures(folder: str) -> dict:
    """Stem -> the picture files of that stem in `folder`."""
    found: dict = {}
    for name in sorted(os.listdir(folder)):
        stem, extension = os.path.splitext(name)
        path = os.path.join(folder, name)
        if name.startswith(".") or extension.lower() not in EXTENSIONS or not os.path.isfile(path):
            continue
        found.setdefault(stem, []).append(path)
    return found


def _alternatives(paths: List[str]) -> str:
    return " and ".join(os.path.basename(p) for p in paths)


def pair_files(images: str, trimaps: str) -> Tuple[List[Pair], List[Tuple[str, str]]]:
    """Pair the images of one folder with the trimaps of another (or the same) folder.

    Parameters
    ----------
    images, trimaps : str or path
        Folders of PNG / JPEG files (``.png``, ``.jpg``, ``.jpeg``, any case); see the
        module's description for the rule.

    Returns
    -------
    pairs : list of Pair
        ``(stem, image, trimap)`` for every image with exactly one trimap, by stem.
    problems : list of (path, reason)
        Images without a trimap and stems with more than one file.

    Raises
    ------
    FileNotFoundError, NotADirectoryError
        A folder does not exist or is not a folder.
    """
    for folder in (images, trimaps):
        if not os.path.isdir(folder):
            error = NotADirectoryError if os.path.exists(folder) else FileNotFoundError
            raise error(f"{folder}: expected a folder of images or trimaps")
    same = os.path.samefile(images, trimaps)
    pictures = _pictures(images)
    candidates = pictures if same else _pictures(trimaps)
    pairs: List[Pair] = []
    problems: List[Tuple[str, str]] = []
    for stem, paths in sorted(pictures.items()):
        if same:
            if not stem.endswith(IMAGE_SUFFIX):
                continue
            case = stem[: -len(IMAGE_SUFFIX)]
            trimap_stem = case + TRIMAP_SUFFIX
        else:
            case = trimap_stem = stem
        if len(paths) > 1:
            problems.append((paths[0], f"more than one image named {stem}: {_alternatives(paths)}"))
            continue
        matches = candidates.get(trimap_stem, [])
        if not matches:
            where = os.path.join(trimaps, trimap_stem)
            problems.append((paths[0], f"no trimap {where}{{{','.join(EXTENSIONS)}}}"))
        elif len(matches) > 1:
            problems.append((paths[0], f"more than one trimap named {trimap_stem}: {_alternatives(matches)}"))
        else:
            pairs.append(Pair(case, paths[0], matches[0]))
    return pairs, problems


def output_name(stem: str) -> str:
    """File name of a case's alpha matte."""
    return stem + ALPHA_SUFFIX + ".png"
