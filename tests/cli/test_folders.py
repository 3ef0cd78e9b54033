"""Folder mode: pairing, one bad image among good ones, skipping what is
complete, refusing to write over an input, and runs that are killed or
interrupted and then started again."""
import os
import re
import shutil
import signal
import subprocess
import time

import numpy as np
import pytest

from conftest import COMMAND, SHARED_DATA, case, leftovers, read_png, run, write_png

SUMMARY = re.compile(r"^pairseek: (\d+) done, (\d+) skipped \(outputs exist\), (\d+) failed", re.M)


def summary(result):
    found = SUMMARY.search(result.stdout)
    assert found, result.stdout + result.stderr
    return tuple(int(n) for n in found.groups())


def good_cases():
    names = [n for n in ("synth1", "synth2", "synth3", "test") if (SHARED_DATA / f"{n}_image.png").exists()]
    return names or ["synth1"]


def fill(folder, copies=1):
    """Writes the good cases as X_image.png / X_trimap.png; returns the case names."""
    folder.mkdir(exist_ok=True)
    names = []
    for k in range(copies):
        for name in good_cases():
            image, trimap = case(name)
            target = f"{name}_{k}" if copies > 1 else name
            shutil.copy(image, folder / f"{target}_image.png")
            shutil.copy(trimap, folder / f"{target}_trimap.png")
            names.append(target)
    return names


def test_one_bad_image_among_good_ones(tmp_path):
    data, out = tmp_path / "data", tmp_path / "out"
    names = fill(data)
    image, trimap = case("synth1")
    whole = image.read_bytes()
    (data / "broken_image.png").write_bytes(whole[:len(whole) // 3])
    shutil.copy(trimap, data / "broken_trimap.png")
    shutil.copy(image, data / "lonely_image.png")        # no trimap beside it
    shutil.copy(image, data / "unrelated.png")           # not X_image: left alone

    result = run("--images", data, "--trimaps", data, "--out", out, "-j", 2, "--cutout")
    assert result.returncode == 1
    assert summary(result) == (len(names), 0, 2)
    failures = result.stderr.splitlines()
    assert len(failures) == 2, result.stderr
    assert any(str(data / "broken_image.png") in f and "truncated" in f for f in failures), result.stderr
    assert any(str(data / "lonely_image.png") in f and "no trimap" in f for f in failures), result.stderr
    expected = sorted([f"{n}_alpha.png" for n in names] + [f"{n}_cutout.png" for n in names])
    assert sorted(p.name for p in out.iterdir()) == expected

    again = run("--images", data, "--trimaps", data, "--out", out)
    assert summary(again) == (0, len(names), 2)
    redone = run("--images", data, "--trimaps", data, "--out", out, "--overwrite", "--quiet")
    assert summary(redone) == (len(names), 0, 2)


def test_pairing_by_stem_across_folders(tmp_path):
    images, trimaps, out = tmp_path / "images", tmp_path / "trimaps", tmp_path / "out"
    images.mkdir()
    trimaps.mkdir()
    image, trimap = case("synth1")
    shutil.copy(image, images / "plain.png")
    shutil.copy(trimap, trimaps / "plain.png")
    shutil.copy(image, images / "named_image.PNG")
    shutil.copy(trimap, trimaps / "named_trimap.png")
    result = run("--images", images, "--trimaps", trimaps, "--out", out, "-j", 1)
    assert result.returncode == 0, result.stderr
    assert summary(result) == (2, 0, 0)
    single = run(image, trimap, "-o", tmp_path / "single.png")
    assert single.returncode == 0
    for name in ("plain_alpha.png", "named_alpha.png"):
        assert (out / name).read_bytes() == (tmp_path / "single.png").read_bytes()


def test_never_writes_over_an_input(tmp_path):
    images, trimaps = tmp_path / "images", tmp_path / "trimaps"
    images.mkdir()
    trimaps.mkdir()
    image, trimap = case("synth1")
    for stem in ("foo", "foo_alpha"):
        shutil.copy(image, images / f"{stem}.png")
        shutil.copy(trimap, trimaps / f"{stem}.png")
    before = (images / "foo_alpha.png").read_bytes()
    result = run("--images", images, "--trimaps", trimaps, "--out", images, "--overwrite")
    assert result.returncode == 1
    assert summary(result) == (1, 0, 1)
    assert "foo_alpha.png is an input file" in result.stderr
    assert (images / "foo_alpha.png").read_bytes() == before
    assert (images / "foo_alpha_alpha.png").exists()


def test_workers_give_the_same_files(tmp_path):
    data = tmp_path / "data"
    names = fill(data)
    for jobs in (1, 2):
        result = run("--images", data, "--trimaps", data, "--out", tmp_path / f"j{jobs}", "-j", jobs)
        assert summary(result) == (len(names), 0, 0)
    for name in names:
        assert (tmp_path / "j1" / f"{name}_alpha.png").read_bytes() == \
            (tmp_path / "j2" / f"{name}_alpha.png").read_bytes()


def wait_for(predicate, timeout=30):
    end = time.monotonic() + timeout
    while not predicate():
        assert time.monotonic() < end, "timed out"
        time.sleep(0.002)


def test_resume_after_a_killed_run(tmp_path):
    data, out, reference = tmp_path / "data", tmp_path / "out", tmp_path / "reference"
    names = fill(data, copies=3)
    assert run("--images", data, "--trimaps", data, "--out", reference, "-j", 1).returncode == 0

    process = subprocess.Popen([COMMAND, "--images", data, "--trimaps", data, "--out", out, "-j", "1",
                                "--cutout"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: out.exists() and any(p.name.endswith("_alpha.png") for p in out.iterdir()))
    process.send_signal(signal.SIGKILL)
    process.wait()
    finished = [n for n in names if (out / f"{n}_alpha.png").exists()]
    assert 0 < len(finished) < len(names)
    # What a kill in the middle of a write leaves: a partial temporary file,
    # beside an image still to do and beside one that is complete.
    todo = next(n for n in names if n not in finished)
    (out / f"{todo}_alpha.png.pairseek-tmp").write_bytes(b"\x89PNG partial")
    (out / f"{finished[0]}_cutout.png.pairseek-tmp").write_bytes(b"\x89PNG partial")

    result = run("--images", data, "--trimaps", data, "--out", out, "-j", 2, "--cutout")
    assert result.returncode == 0, result.stderr
    done, skipped, failed = summary(result)
    assert skipped >= len(finished) - 1 and done + skipped == len(names) and failed == 0
    assert leftovers(out) == []
    for name in names:
        assert (out / f"{name}_alpha.png").read_bytes() == (reference / f"{name}_alpha.png").read_bytes()
        cutout, _ = read_png(out / f"{name}_cutout.png")
        np.testing.assert_array_equal(cutout[:, :, 3], read_png(out / f"{name}_alpha.png")[0][:, :, 0])


def big_case(folder):
    """synth1 tiled 3 x 3: large enough that many passes take a while."""
    image, trimap = case("synth1")
    for source, name in ((image, "big_image.png"), (trimap, "big_trimap.png")):
        pixels, info = read_png(source)
        pixels = np.tile(pixels, (3, 3, 1)).astype(np.uint8)
        write_png(folder / name, pixels if info["planes"] > 1 else pixels[:, :, 0])
    return folder / "big_image.png", folder / "big_trimap.png"


def interrupt_when(process, marker):
    """Sends SIGINT once `marker` shows on the process's stderr; returns all of stderr."""
    seen = b""
    while marker not in seen:
        line = process.stderr.readline()
        assert line, seen
        seen += line
    process.send_signal(signal.SIGINT)
    return seen + process.stderr.read()


def test_ctrl_c_cancels_one_image_cleanly(tmp_path):
    image, trimap = big_case(tmp_path)
    out = tmp_path / "out"
    out.mkdir()
    process = subprocess.Popen([COMMAND, image, trimap, "-o", out / "alpha.png", "--cutout", out / "cutout.png",
                                "--passes", "1000", "--verbose"], stderr=subprocess.PIPE)
    stderr = interrupt_when(process, b"search 1/1000")
    assert process.wait(timeout=30) == 130, stderr
    assert b"cancelled" in stderr
    assert list(out.iterdir()) == []


def test_ctrl_c_stops_a_folder_run_and_a_rerun_finishes(tmp_path):
    data, out = tmp_path / "data", tmp_path / "out"
    names = fill(data, copies=2)
    process = subprocess.Popen([COMMAND, "--images", data, "--trimaps", data, "--out", out, "-j", "1",
                                "--verbose", "--passes", "40"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    interrupt_when(process, b": done")
    stdout, _ = process.communicate(timeout=30)
    assert process.returncode == 130
    assert b"not finished (interrupted)" in stdout
    assert leftovers(out) == []
    result = run("--images", data, "--trimaps", data, "--out", out, "--passes", "40")
    assert result.returncode == 0 and summary(result)[0] > 0
    assert sorted(p.name for p in out.iterdir()) == sorted(f"{n}_alpha.png" for n in names)


def test_ambiguous_names_fail_alone(tmp_path):
    images, trimaps, out = tmp_path / "images", tmp_path / "trimaps", tmp_path / "out"
    images.mkdir()
    trimaps.mkdir()
    image, trimap = case("synth1")
    for name in ("good.png", "twice.png", "twice.jpeg", "two_trimaps.png"):
        shutil.copy(image, images / name)   # a PNG named .jpeg fails only if it is read
    for name in ("good.png", "twice.png", "two_trimaps.png", "two_trimaps.jpg"):
        shutil.copy(trimap, trimaps / name)
    result = run("--images", images, "--trimaps", trimaps, "--out", out)
    assert result.returncode == 1
    assert summary(result) == (1, 0, 3)
    assert result.stderr.count("would also be those of") == 2
    assert "more than one trimap" in result.stderr
    assert sorted(p.name for p in out.iterdir()) == ["good_alpha.png"]
