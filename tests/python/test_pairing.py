"""The pairing rule of batch jobs, the same as the pairseek command's folder mode."""
import os

import pytest

from pairseek import pair_files


def touch(folder, *names):
    os.makedirs(folder, exist_ok=True)
    for name in names:
        open(os.path.join(folder, name), "wb").close()


def described(pairs, problems):
    return ([(p.stem, os.path.basename(p.image), os.path.basename(p.trimap)) for p in pairs],
            [(os.path.basename(path), reason) for path, reason in problems])


def test_one_folder(tmp_path):
    touch(tmp_path, "cat_image.png", "cat_trimap.png", "cat_alpha.png", "dog_image.JPG", "dog_trimap.jpeg",
          "owl_image.png", "bee_image.png", "bee_image.jpg", "bee_trimap.png", "notes.txt", "cow_trimap.png", "x.png")
    os.mkdir(tmp_path / "sub_image.png")
    pairs, problems = described(*pair_files(tmp_path, tmp_path))
    assert pairs == [("cat", "cat_image.png", "cat_trimap.png"), ("dog", "dog_image.JPG", "dog_trimap.jpeg")]
    bee = f"its output bee_alpha.png would also be that of {tmp_path}/bee_image.jpg, {tmp_path}/bee_image.png"
    assert problems == [("bee_image.jpg", bee), ("bee_image.png", bee),
                        ("owl_image.png", f"no trimap; expected {tmp_path}/owl_trimap.png (or .jpg, .jpeg)")]


def test_two_folders(tmp_path):
    touch(tmp_path / "i", "cat.png", "dog.jpg", "owl.png", "bee.png", "ant_image.png", "elk_image.png")
    touch(tmp_path / "t", "cat.png", "dog.png", "bee.png", "bee.jpeg", "cow.png", "ant_trimap.jpg", "elk_image.png",
          "elk_trimap.png")
    pairs, problems = described(*pair_files(tmp_path / "i", tmp_path / "t"))
    assert pairs == [("ant", "ant_image.png", "ant_trimap.jpg"), ("cat", "cat.png", "cat.png"),
                     ("dog", "dog.jpg", "dog.png"), ("elk", "elk_image.png", "elk_image.png")]
    assert problems == [("bee.png", f"more than one trimap: {tmp_path}/t/bee.jpeg, {tmp_path}/t/bee.png"),
                        ("owl.png", f"no trimap; expected {tmp_path}/t/owl.png (or .jpg, .jpeg)")]


def test_output_that_is_an_input(tmp_path):
    touch(tmp_path / "i", "cat.png", "cat_alpha.png")
    touch(tmp_path / "t", "cat.png", "cat_alpha.png")
    pairs, problems = described(*pair_files(tmp_path / "i", tmp_path / "t", out=tmp_path / "i"))
    assert pairs == [("cat_alpha", "cat_alpha.png", "cat_alpha.png")]
    assert problems == [("cat.png", f"its output {tmp_path}/i/cat_alpha.png is an input file; refusing to overwrite it")]


def test_folders_that_cannot_be_paired(tmp_path):
    touch(tmp_path, "file.png", "cat.png")
    with pytest.raises(FileNotFoundError, match="missing: no such folder"):
        pair_files(tmp_path / "missing", tmp_path)
    with pytest.raises(NotADirectoryError, match="file.png: not a folder"):
        pair_files(tmp_path, tmp_path / "file.png")
    with pytest.raises(ValueError, match="no images to matte"):
        pair_files(tmp_path, tmp_path)
