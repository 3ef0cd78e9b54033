"""Rejected invocations and files: each with its message, its exit status and
no output (nor temporary file) left behind."""
import os

import numpy as np
import pytest

from conftest import case, leftovers, read_png, run, write_jpeg, write_png

ROWS, COLS = 12, 15


def scene():
    """A small image and a trimap: background left, unknown middle, foreground right."""
    r, c = np.mgrid[0:ROWS, 0:COLS]
    image = np.stack([r * 20, c * 15, 255 - c * 15], axis=2).astype(np.uint8)
    trimap = np.where(c < 5, 0, np.where(c < 10, 128, 255)).astype(np.uint8)
    return image, trimap


@pytest.fixture
def files(tmp_path):
    """Valid inputs, the bad files of the table, and an empty output folder."""
    image, trimap = scene()
    paths = {name: tmp_path / name for name in
             ("image.png", "trimap.png", "empty.png", "text.png", "truncated.png", "zero.png",
              "small.png", "onlyUnknownAndBackground.png", "onlyUnknownAndForeground.png",
              "garbage.jpg", "damaged.jpg", "damagedData.png", "mask.png", "emptyMask.png", "fullMask.png",
              "background.png")}
    write_png(paths["image.png"], image)
    write_png(paths["trimap.png"], trimap)
    paths["empty.png"].write_bytes(b"")
    paths["text.png"].write_text("not an image\n")
    whole = paths["image.png"].read_bytes()
    paths["truncated.png"].write_bytes(whole[:len(whole) // 2])
    crc = bytearray(whole)
    crc[45] ^= 0xFF   # inside the first IDAT chunk: the compressed data is damaged
    paths["damagedData.png"].write_bytes(bytes(crc))
    paths["zero.png"].write_bytes(zero_size_png())
    write_png(paths["small.png"], trimap[:-1, :])
    write_png(paths["onlyUnknownAndBackground.png"], np.where(trimap == 255, 128, trimap).astype(np.uint8))
    write_png(paths["onlyUnknownAndForeground.png"], np.where(trimap == 0, 128, trimap).astype(np.uint8))
    write_png(paths["mask.png"], np.where(trimap == 0, 0, 255).astype(np.uint8))
    write_png(paths["emptyMask.png"], np.full_like(trimap, 200))   # soft everywhere: no sure foreground
    write_png(paths["fullMask.png"], np.full_like(trimap, 255), bitdepth=8)
    write_png(paths["background.png"], image)
    paths["garbage.jpg"].write_bytes(b"\xff\xd8\xff" + bytes(range(256)) * 4)
    write_jpeg(paths["damaged.jpg"], np.repeat(image, 8, axis=0).repeat(8, axis=1))
    jpeg = paths["damaged.jpg"].read_bytes()
    paths["damaged.jpg"].write_bytes(jpeg[:len(jpeg) * 2 // 3] + b"\x00\x13" * 200)
    out = tmp_path / "out"
    out.mkdir()
    paths["out"] = out
    paths["missing"] = tmp_path / "missing.png"
    return paths


def zero_size_png():
    """A PNG whose header says 0 x 0 (no encoder writes one)."""
    import struct
    import zlib

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 0, 0, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b""))


# (name, arguments, exit status, words the message must hold); arguments name
# the fixture's files; "ALPHA" is the output in the output folder.
CASES = [
    ("no arguments", [], 2, ["expected IMAGE TRIMAP -o ALPHA.png"]),
    ("no output", ["image.png", "trimap.png"], 2, ["expected IMAGE TRIMAP -o"]),
    ("unknown option", ["image.png", "trimap.png", "-o", "ALPHA", "--frobnicate"], 2, ["--frobnicate"]),
    ("output not png", ["image.png", "trimap.png", "-o", "out/alpha.jpg"], 2, ["alpha.jpg", "*.png"]),
    ("output is the image", ["image.png", "trimap.png", "-o", "image.png"], 2, ["image.png", "input"]),
    ("cutout is the trimap", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "trimap.png"], 2,
     ["trimap.png", "input"]),
    ("cutout is the alpha", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "ALPHA"], 2,
     ["both name"]),
    ("zero passes", ["image.png", "trimap.png", "-o", "ALPHA", "--passes", "0"], 2, ["--passes", "got 0"]),
    ("decay one", ["image.png", "trimap.png", "-o", "ALPHA", "--decay", "1"], 2, ["--decay", "got 1"]),
    ("negative colour weight", ["image.png", "trimap.png", "-o", "ALPHA", "--colour-weight", "-2"], 2,
     ["--colour-weight"]),
    ("gamma 5", ["image.png", "trimap.png", "-o", "ALPHA", "--gamma", "5"], 2, ["--gamma", "0.25..4", "got 5"]),
    ("negative seed", ["image.png", "trimap.png", "-o", "ALPHA", "--seed", "-1"], 2, ["--seed"]),
    ("depth 12", ["image.png", "trimap.png", "-o", "ALPHA", "--depth", "12"], 2, ["--depth"]),
    ("quiet and verbose", ["image.png", "trimap.png", "-o", "ALPHA", "-q", "-v"], 2, ["--quiet", "--verbose"]),
    ("folder without out", ["--images", ".", "--trimaps", "."], 2, ["--out"]),
    ("both modes", ["image.png", "trimap.png", "-o", "ALPHA", "--images", ".", "--trimaps", ".", "--out", "out"],
     2, ["two modes"]),
    ("named cut-out in folder mode", ["--images", ".", "--trimaps", ".", "--out", "out", "--cutout", "x.png"], 2,
     ["--cutout", "x.png"]),
    ("cut-out without a name", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout"], 2, ["--cutout", "name"]),
    ("outputs among reference mattes", ["--images", ".", "--trimaps", ".", "--out", "."], 2,
     ["--out", "reference mattes"]),
    ("jobs for one image", ["image.png", "trimap.png", "-o", "ALPHA", "-j", "2"], 2, ["-j", "folder mode"]),
    ("zero jobs", ["--images", ".", "--trimaps", ".", "--out", "out", "-j", "0"], 2, ["--jobs"]),
    ("missing image", ["missing.png", "trimap.png", "-o", "ALPHA"], 1, ["missing.png", "No such file"]),
    ("missing trimap", ["image.png", "missing.png", "-o", "ALPHA"], 1, ["missing.png", "No such file"]),
    ("image is a folder", ["out", "trimap.png", "-o", "ALPHA"], 1, ["out", "folder"]),
    ("empty file", ["empty.png", "trimap.png", "-o", "ALPHA"], 1, ["empty.png", "empty file"]),
    ("not an image", ["image.png", "text.png", "-o", "ALPHA"], 1, ["text.png", "not an image"]),
    ("truncated png", ["truncated.png", "trimap.png", "-o", "ALPHA"], 1, ["truncated.png", "truncated"]),
    ("png with damaged data", ["damagedData.png", "trimap.png", "-o", "ALPHA"], 1,
     ["damagedData.png", "not a valid PNG: IDAT"]),
    ("zero-size png", ["zero.png", "trimap.png", "-o", "ALPHA"], 1, ["zero.png", "width is zero"]),
    ("jpeg of garbage", ["garbage.jpg", "trimap.png", "-o", "ALPHA"], 1, ["garbage.jpg", "not a valid JPEG"]),
    ("jpeg with damaged data", ["damaged.jpg", "trimap.png", "-o", "ALPHA"], 1, ["damaged.jpg", "not a valid JPEG"]),
    ("sizes differ", ["image.png", "small.png", "-o", "ALPHA"], 1, ["image.png", "small.png", "15", "11"]),
    ("no foreground", ["image.png", "onlyUnknownAndBackground.png", "-o", "ALPHA"], 1,
     ["onlyUnknownAndBackground.png", "no foreground"]),
    ("no background", ["image.png", "onlyUnknownAndForeground.png", "-o", "ALPHA"], 1,
     ["onlyUnknownAndForeground.png", "no background"]),
    ("output folder is a file", ["image.png", "trimap.png", "-o", "image.png/alpha.png"], 1,
     ["image.png is not a folder"]),
    # Masks
    ("empty mask", ["image.png", "--mask", "emptyMask.png", "-o", "ALPHA"], 1, ["emptyMask.png", "no foreground"]),
    ("full mask", ["image.png", "--mask", "fullMask.png", "-o", "ALPHA", "--trimap-out", "out/trimap.png"], 1,
     ["fullMask.png", "no background"]),
    ("missing mask", ["image.png", "--mask", "missing.png", "-o", "ALPHA"], 1, ["missing.png", "No such file"]),
    ("mask of another size", ["image.png", "--mask", "small.png", "-o", "ALPHA"], 1,
     ["small.png", "the mask is 11 rows x 15 columns", "image.png 12 rows x 15 columns"]),
    ("trimap and mask", ["image.png", "trimap.png", "--mask", "mask.png", "-o", "ALPHA"], 2, ["TRIMAP and --mask"]),
    ("band without a mask", ["image.png", "trimap.png", "-o", "ALPHA", "--band", "4"], 2, ["--band", "--mask"]),
    ("trimap-out without a mask", ["image.png", "trimap.png", "-o", "ALPHA", "--trimap-out", "out/t.png"], 2,
     ["--trimap-out", "--mask"]),
    ("negative band", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--band", "-2"], 2, ["--band", ">= 0"]),
    ("band not a number", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--band", "nan"], 2, ["--band", "nan"]),
    ("infinite band", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--band", "inf"], 2, ["--band", "finite"]),
    ("mask low above high", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--mask-low", "0.9",
                             "--mask-high", "0.5"], 2, ["--mask-low", "low and high", "0.9"]),
    ("trimap-out is the mask", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--trimap-out", "mask.png"], 2,
     ["mask.png", "input"]),
    ("trimap-out not png", ["image.png", "--mask", "mask.png", "-o", "ALPHA", "--trimap-out", "out/t.tif"], 2,
     ["t.tif", "*.png"]),
    ("masks and trimaps", ["--images", ".", "--trimaps", ".", "--masks", ".", "--out", "out"], 2,
     ["--trimaps and --masks"]),
    ("mask in folder mode", ["--images", ".", "--masks", ".", "--out", "out", "--mask", "mask.png"], 2,
     ["--mask", "--masks DIR"]),
    # Backgrounds and foreground colours
    ("background without a cut-out", ["image.png", "trimap.png", "-o", "ALPHA", "--background", "white"], 2,
     ["--background", "--cutout"]),
    ("background of another size", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "out/cutout.png",
                                    "--background", "small.png"], 1,
     ["small.png", "image.png", "11 rows x 15 columns", "12 rows x 15 columns"]),
    ("background not an image", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "out/cutout.png",
                                 "--background", "text.png"], 1, ["text.png", "not an image"]),
    ("cut-out is the background", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "background.png",
                                   "--background", "background.png"], 2, ["background.png", "input"]),
    *[(f"background colour {text!r}", ["image.png", "trimap.png", "-o", "ALPHA", "--cutout", "out/cutout.png",
                                       "--background", text], 2, [f"--background {text}", "expected a colour"])
      for text in ("#12345", "#1234567", "#gg0000", "256,0,0", "1,2", "1,2,3,4", "-1,0,0", "1.5,0,0", "0x10,0,0",
                   ",,", "purple", "")],
    ("unknown foreground colours", ["image.png", "trimap.png", "-o", "ALPHA", "--foreground-colours", "true"], 2,
     ["--foreground-colours", "true"]),
]


@pytest.mark.parametrize("name, args, status, words", CASES, ids=[c[0] for c in CASES])
def test_rejected(files, name, args, status, words):
    folder = files["image.png"].parent
    before = {p.name: p.read_bytes() for p in folder.iterdir() if p.is_file()}
    args = [str(files["out"] / "alpha.png") if a == "ALPHA" else a for a in args]
    if "-o" in args and "--cutout" not in args and "--background" not in args:
        args += ["--cutout", str(files["out"] / "cutout.png")]   # nothing of it either
    result = run(*args, cwd=folder)
    assert result.returncode == status, result.stderr
    message = result.stderr.splitlines()[0] if result.stderr else ""
    assert message.startswith("pairseek: "), result.stderr
    for word in words:
        assert word in message, f"{word!r} not in {message!r}"
    assert result.stdout == ""
    assert list(files["out"].iterdir()) == []
    assert {p.name: p.read_bytes() for p in folder.iterdir() if p.is_file()} == before
    assert leftovers(folder) == []


def test_no_unknown_pixels_gives_the_trimap(files, tmp_path):
    """Not an error: a trimap of only foreground and background is its own matte."""
    _, trimap = scene()
    known = np.where(trimap == 128, 0, trimap).astype(np.uint8)
    write_png(tmp_path / "known.png", known)
    result = run(files["image.png"], tmp_path / "known.png", "-o", files["out"] / "alpha.png")
    assert result.returncode == 0, result.stderr
    alpha, info = read_png(files["out"] / "alpha.png")
    assert info["greyscale"] and info["bitdepth"] == 8 and not info["alpha"]
    np.testing.assert_array_equal(alpha[:, :, 0], known)


def test_output_folders_are_made(tmp_path):
    image, trimap = case("synth1")
    alpha, cutout = tmp_path / "new" / "alpha.png", tmp_path / "other" / "deeper" / "cutout.png"
    result = run(image, trimap, "-o", alpha, "--cutout", cutout)
    assert result.returncode == 0 and result.stdout == "" and result.stderr == ""
    assert alpha.exists() and cutout.exists()


@pytest.mark.skipif(os.environ.get("PAIRSEEK_SANITIZED") == "1",
                    reason="AddressSanitizer's shadow memory does not fit an address-space limit")
def test_exhausted_memory_is_an_error_naming_the_files(tmp_path):
    """Under an address-space limit the inputs decode but the matte's working
    storage does not fit: exit 1, a message naming the files and the size, no output."""
    resource = pytest.importorskip("resource")
    side = 3000
    r, c = np.mgrid[0:side, 0:side]
    image = np.stack([r % 256, c % 256, (r + c) % 256], axis=2).astype(np.uint8)
    trimap = np.where(c < 100, 0, np.where(c < side - 100, 128, 255)).astype(np.uint8)
    write_png(tmp_path / "image.png", image)
    write_png(tmp_path / "trimap.png", trimap)
    limit = 700 << 20

    def limited():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    result = run(tmp_path / "image.png", tmp_path / "trimap.png", "-o", tmp_path / "out" / "alpha.png",
                 preexec_fn=limited, timeout=300)
    assert result.returncode == 1, result.stderr
    message = result.stderr.splitlines()[0] if result.stderr else ""
    for word in ("pairseek: ", "image.png", "trimap.png", "memory", "3000x3000"):
        assert word in message, f"{word!r} not in {message!r}"
    assert not (tmp_path / "out" / "alpha.png").exists()
    assert leftovers(tmp_path) == []
