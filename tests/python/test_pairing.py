"""The pairing rule of batch jobs: identical stems in two folders, or X_image.* with
X_trimap.* in one folder."""
import os

import pytest

from pairseek import pair_files


def touch(folder, *names):
    os.makedirs(folder, exist_ok=True)
    for name in names:
        open(os.path.join(folder, name), "wb").close()


def described(pairs, problems):
    return ([(p.stem, os.path.basename(p.image), os.path.basename(p.trimap)) for p in pairs],
            sorted((os.path.basename(path), reason.split(":")[0].split(" ")[0]) for path, reason in problems))


def test_one_folder(tmp_path):
    touch(tmp_path, "cat_image.png", "cat_trimap.png", "cat_alpha.png", "dog_image.JPG", "dog_trimap.jpeg",
          "owl_image.png", "bee_image.png", "bee_image.jpg", "bee_trimap.png", ".x_image.png", ".x_trimap.png",
          "notes.txt", "cow_trimap.png")
    os.mkdir(tmp_path / "sub_image.png")
    pairs, problems = described(*pair_files(tmp_path, tmp_path))
    assert pairs == [("cat", "cat_image.png", "cat_trimap.png"), ("dog", "dog_image.JPG", "dog_trimap.jpeg")]
    assert problems == [("bee_image.jpg", "more"), ("owl_image.png", "no")]


def test_two_folders(tmp_path):
    touch(tmp_path / "i", "cat.png", "dog.jpg", "owl.png", "bee.png")
    touch(tmp_path / "t", "cat.png", "dog.png", "bee.png", "bee.jpeg", "cow.png")
    pairs, problems = described(*pair_files(tmp_path / "i", tmp_path / "t"))
    assert pairs == [("cat", "cat.png", "cat.png"), ("dog", "dog.jpg", "dog.png")]
    assert problems == [("bee.png", "more"), ("owl.png", "no")]


def test_missing_folder(tmp_path):
    touch(tmp_path, "file.png")
    with pytest.raises(FileNotFoundError, match="missing"):
        pair_files(tmp_path / "missing", tmp_path)
    with pytest.raises(NotADirectoryError, match="file.png"):
        pair_files(tmp_path, tmp_path / "file.png")
