"""Which trimap belongs to which image: the pairing rule of batch jobs, the same as
the folder mode of the ``pairseek`` command (cli/folderPlan.h).

One folder for both: ``X_image.EXT`` pairs with ``X_trimap.EXT``; other files are
left alone. Two folders: every image ``S.EXT`` pairs with ``S.EXT`` of the trimap
folder or, when S is ``X_image``, with ``X_trimap.EXT``. EXT is png, jpg or jpeg in
any case, not necessarily the same for both. The output is ``X_alpha.png`` (or
``S_alpha.png``), so a folder laid out like the shared test data
(``<case>_image.png``, ``<case>_trimap.png``, ``<case>_alpha.png``) works as it is.
"""
from __future__ import annotations

import os
from typing import Dict, List, NamedTuple, Optional, Tuple

EXTENSIONS = (".png", ".jpg", ".jpeg")
IMAGE_SUFFIX = "_image"
TRIMAP_SUFFIX = "_trimap"
ALPHA_SUFFIX = "_alpha"


class Pair(NamedTuple):
    stem: str      # the case's name X (or S); its output is <stem>_alpha.png
    image: str     # path of the image file
    trimap: str    # path of the trimap file


def output_name(stem: str) -> str:
    """File name of a case's alpha matte."""
    return stem + ALPHA_SUFFIX + ".png"


def _pictures(folder: str) -> Dict[str, List[str]]:
    """Stem -> the PNG / JPEG files of that stem in `folder`, in name order."""
    if not os.path.isdir(folder):
        error = NotADirectoryError if os.path.exists(folder) else FileNotFoundError
        raise error(f"{folder}: {'not a folder' if os.path.exists(folder) else 'no such folder'}")
    found: Dict[str, List[str]] = {}
    for name in sorted(os.listdir(folder)):
        stem, extension = os.path.splitext(name)
        path = os.path.join(folder, name)
        if extension.lower() in EXTENSIONS and os.path.isfile(path):
            found.setdefault(stem, []).append(path)
    return found


def _same_file(a: str, b: str) -> bool:
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def pair_files(images, trimaps, out=None) -> Tuple[List[Pair], List[Tuple[str, str]]]:
    """Pair the images of one folder with the trimaps of another (or the same) folder.

    Parameters
    ----------
    images, trimaps : str or path
        Folders of PNG / JPEG files; see the module's description for the rule.
    out : str or path, optional
        The output folder: an image whose output would be one of the input files
        gets a problem instead of a pair.

    Returns
    -------
    pairs : list of Pair
        ``(stem, image, trimap)`` for every image with exactly one trimap.
    problems : list of (path, reason)
        Images without a trimap or with more than one, and images whose outputs
        would be those of another image or an input file.

    Raises
    ------
    FileNotFoundError, NotADirectoryError
        A folder does not exist or is not a folder.
    ValueError
        No image to matte in `images`.
    """
    images, trimaps = os.fspath(images), os.fspath(trimaps)
    image_files, trimap_files = _pictures(images), _pictures(trimaps)
    one_folder = _same_file(images, trimaps)
    planned: List[Tuple[str, str, Optional[str], str]] = []   # (stem, image, trimap, problem)
    for stem, paths in sorted(image_files.items()):
        named_image = stem.endswith(IMAGE_SUFFIX) and len(stem) > len(IMAGE_SUFFIX)
        if one_folder and not named_image:
            continue
        case = stem[: -len(IMAGE_SUFFIX)] if named_image else stem
        for image in paths:
            found = [] if one_folder else trimap_files.get(stem, [])
            if not found and named_image:
                found = trimap_files.get(case + TRIMAP_SUFFIX, [])
            if len(found) == 1:
                planned.append((case, image, found[0], ""))
            elif not found:
                expected = case + TRIMAP_SUFFIX if one_folder or named_image else stem
                planned.append((case, image, None,
                                f"no trimap; expected {os.path.join(trimaps, expected)}.png (or .jpg, .jpeg)"))
            else:
                planned.append((case, image, None, f"more than one trimap: {', '.join(found)}"))
    if not planned:
        looked_for = "X_image.png, .jpg or .jpeg" if one_folder else "*.png, *.jpg, *.jpeg"
        raise ValueError(f"{images}: no images to matte (looked for {looked_for})")

    # Two images that would write one output, and outputs that would replace an input.
    sharing: Dict[str, List[str]] = {}
    for case, image, _, _ in planned:
        sharing.setdefault(case, []).append(image)
    inputs = [p for _, image, trimap, _ in planned for p in (image, trimap) if p]
    pairs: List[Pair] = []
    problems: List[Tuple[str, str]] = []
    for case, image, trimap, problem in planned:
        if not problem and len(sharing[case]) > 1:
            problem = f"its output {output_name(case)} would also be that of {', '.join(sharing[case])}"
        if not problem and out is not None:
            output = os.path.join(os.fspath(out), output_name(case))
            if any(_same_file(output, p) for p in inputs):
                problem = f"its output {output} is an input file; refusing to overwrite it"
        if problem:
            problems.append((image, problem))
        else:
            pairs.append(Pair(case, image, trimap))
    return pairs, problems
