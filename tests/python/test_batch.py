"""Batches of image files on a local Dask cluster of two worker processes over
loopback: every output whole and equal to the matte of its files, failures
reported with their file, reruns skipping finished work, a worker killed mid-job."""
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest
from PIL import Image

import pairseek
from conftest import REPO_DATA
from pairseek.imagefiles import alpha_bytes, read_image, read_trimap

distributed = pytest.importorskip("distributed")
# Debian's distributed 2022.12 on tornado 6.2.
pytestmark = pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")

OPTIONS = {"passes": 4}


@pytest.fixture(scope="module")
def client():
    import logging

    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                       dashboard_address=None, silence_logs=logging.ERROR)
    with distributed.Client(cluster) as c:
        yield c
    cluster.close()


def synth1_files(folder, stems, tiles=1):
    """Writes <stem>_image.png and <stem>_trimap.png for each stem: synth1, tiled."""
    image = np.tile(np.asarray(Image.open(os.path.join(REPO_DATA, "synth1_image.png"))), (tiles, tiles, 1))
    trimap = np.tile(np.asarray(Image.open(os.path.join(REPO_DATA, "synth1_trimap.png"))), (tiles, tiles))
    os.makedirs(folder, exist_ok=True)
    for stem in stems:
        Image.fromarray(image).save(os.path.join(folder, f"{stem}_image.png"))
        Image.fromarray(trimap).save(os.path.join(folder, f"{stem}_trimap.png"))


def expected_alpha(image_path, trimap_path, **options):
    return alpha_bytes(pairseek.estimate_alpha(read_image(image_path), read_trimap(trimap_path), **options))


def outputs_are_the_mattes(folder, out, stems, **options):
    for stem in stems:
        written = np.asarray(Image.open(os.path.join(out, f"{stem}_alpha.png")))
        expected = expected_alpha(os.path.join(folder, f"{stem}_image.png"),
                                  os.path.join(folder, f"{stem}_trimap.png"), **options)
        assert np.array_equal(written, expected), stem
    assert not [n for n in os.listdir(out) if n.startswith(".") or n.endswith(".tmp")]


def test_batch_writes_reports_and_skips(client, tmp_path):
    folder, out = str(tmp_path / "cases"), str(tmp_path / "out")
    good = ["a", "b", "c"]
    synth1_files(folder, good)
    # Failures: sizes that differ, a file that is no picture, an image without a trimap.
    Image.fromarray(np.zeros((10, 12, 3), np.uint8)).save(os.path.join(folder, "small_image.png"))
    shutil.copy(os.path.join(folder, "a_trimap.png"), os.path.join(folder, "small_trimap.png"))
    with open(os.path.join(folder, "junk_image.png"), "wb") as f:
        f.write(b"not a picture")
    shutil.copy(os.path.join(folder, "a_trimap.png"), os.path.join(folder, "junk_trimap.png"))
    shutil.copy(os.path.join(folder, "a_image.png"), os.path.join(folder, "lonely_image.png"))

    report = pairseek.batch(folder, folder, out, client=client, **OPTIONS)
    assert [os.path.basename(p) for p in report.written] == [f"{s}_alpha.png" for s in good]
    outputs_are_the_mattes(folder, out, good, **OPTIONS)
    failed = {os.path.basename(path): reason for path, reason in report.failed}
    assert sorted(failed) == ["junk_image.png", "lonely_image.png", "small_image.png"]
    assert "trimap must be 10 x 12 like the image; got 200 x 200" in failed["small_image.png"]
    assert "cannot identify image file" in failed["junk_image.png"]
    assert "no trimap" in failed["lonely_image.png"] and "lonely_trimap" in failed["lonely_image.png"]
    assert not report.ok and sorted(os.listdir(out)) == [f"{s}_alpha.png" for s in good]

    # A rerun skips what is there and writes only what is missing.
    os.remove(os.path.join(out, "b_alpha.png"))
    stamp = os.stat(os.path.join(out, "a_alpha.png")).st_mtime_ns
    again = pairseek.batch(folder, folder, out, client=client, **OPTIONS)
    assert [os.path.basename(p) for p in again.written] == ["b_alpha.png"]
    assert sorted(os.path.basename(p) for p in again.skipped) == ["a_alpha.png", "c_alpha.png"]
    assert os.stat(os.path.join(out, "a_alpha.png")).st_mtime_ns == stamp
    outputs_are_the_mattes(folder, out, good, **OPTIONS)


def test_two_folders_pair_by_stem_on_a_scheduler_address(client, tmp_path):
    images, trimaps, out = tmp_path / "images", tmp_path / "trimaps", tmp_path / "out"
    synth1_files(str(tmp_path / "cases"), ["x"])
    images.mkdir()
    trimaps.mkdir()
    shutil.copy(tmp_path / "cases" / "x_image.png", images / "cat.png")
    shutil.copy(tmp_path / "cases" / "x_trimap.png", trimaps / "cat.png")
    report = pairseek.batch(images, trimaps, out, client=client.scheduler.address, seed=3, refine=False)
    assert report.ok and [os.path.basename(p) for p in report.written] == ["cat_alpha.png"]
    written = np.asarray(Image.open(out / "cat_alpha.png"))
    assert np.array_equal(written, expected_alpha(str(images / "cat.png"), str(trimaps / "cat.png"), seed=3,
                                                  refine=False))


def test_a_worker_killed_mid_job(client, tmp_path):
    folder, out = str(tmp_path / "cases"), str(tmp_path / "out")
    stems = [f"case{k:02d}" for k in range(12)]
    synth1_files(folder, stems, tiles=2)
    pids = client.run(os.getpid)
    victim = sorted(pids.values())[0]
    done_when_killed = []

    def kill_after_first_output():
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            done = [n for n in os.listdir(out) if n.endswith("_alpha.png")] if os.path.isdir(out) else []
            if done:
                os.kill(victim, signal.SIGKILL)
                done_when_killed.append(len(done))
                return
            time.sleep(0.005)

    killer = threading.Thread(target=kill_after_first_output)
    killer.start()
    report = pairseek.batch(folder, folder, out, client=client, passes=20)
    killer.join()
    assert done_when_killed and done_when_killed[0] < len(stems) - 2   # killed with work left for both workers
    assert len(report.written) + len(report.skipped) == len(stems) and report.ok, report.failed
    assert victim not in client.run(os.getpid).values()   # its nanny started a new worker
    outputs_are_the_mattes(folder, out, stems, passes=20)


def test_bad_options_are_rejected_before_anything_is_written(tmp_path):
    out = tmp_path / "out"
    with pytest.raises(ValueError, match="decay"):
        pairseek.batch(REPO_DATA, REPO_DATA, out, decay=2.0)
    with pytest.raises(TypeError, match="unknown option radius"):
        pairseek.batch(REPO_DATA, REPO_DATA, out, radius=3)
    with pytest.raises(FileNotFoundError, match="no such folder"):
        pairseek.batch(tmp_path / "missing", REPO_DATA, out)
    assert not out.exists()
    # Beside X_image.png and X_trimap.png, X_alpha.png is the reference matte.
    before = sorted(os.listdir(REPO_DATA))
    with pytest.raises(ValueError, match="reference mattes"):
        pairseek.batch(REPO_DATA, REPO_DATA, REPO_DATA)
    assert sorted(os.listdir(REPO_DATA)) == before


def command(*args, **kwargs):
    return subprocess.run([sys.executable, "-m", "pairseek", *args], capture_output=True, text=True, timeout=300,
                          **kwargs)


def test_command_line(tmp_path):
    folder, out = str(tmp_path / "cases"), str(tmp_path / "out")
    synth1_files(folder, ["a", "b"])
    with open(os.path.join(folder, "junk_image.png"), "wb") as f:
        f.write(b"not a picture")
    shutil.copy(os.path.join(folder, "a_trimap.png"), os.path.join(folder, "junk_trimap.png"))

    usage = command("batch", folder, folder, out, "--decay", "2")
    assert usage.returncode == 2 and "decay" in usage.stderr and not os.path.exists(out)

    run = command("batch", folder, folder, out, "--workers", "2", "--passes", "4")
    assert run.returncode == 1, run.stderr
    assert "2 written, 0 skipped (already there), 1 failed" in run.stdout
    assert f"pairseek: {os.path.join(folder, 'junk_image.png')}: cannot identify image file" in run.stderr
    outputs_are_the_mattes(folder, out, ["a", "b"], passes=4)


@pytest.mark.skipif(not os.path.isfile(os.environ.get("PAIRSEEK_COMMAND", "")),
                    reason="PAIRSEEK_COMMAND (the pairseek command) not set or not built")
def test_same_pairs_and_mattes_as_the_command(client, tmp_path):
    images, trimaps = tmp_path / "images", tmp_path / "trimaps"
    synth1_files(str(tmp_path / "cases"), ["x"])
    images.mkdir()
    trimaps.mkdir()
    for name in ("cat.png", "dog_image.png", "owl.png"):
        shutil.copy(tmp_path / "cases" / "x_image.png", images / name)
    for name in ("cat.png", "dog_trimap.png"):
        shutil.copy(tmp_path / "cases" / "x_trimap.png", trimaps / name)
    ours = pairseek.batch(images, trimaps, tmp_path / "ours", client=client, passes=3)
    theirs = subprocess.run([os.environ["PAIRSEEK_COMMAND"], "--images", str(images), "--trimaps", str(trimaps),
                             "--out", str(tmp_path / "theirs"), "--passes", "3"], capture_output=True, text=True)
    assert theirs.returncode == 1 and "owl.png" in theirs.stderr
    assert [os.path.basename(p) for p, _ in ours.failed] == ["owl.png"]
    assert sorted(os.listdir(tmp_path / "ours")) == sorted(os.listdir(tmp_path / "theirs")) == [
        "cat_alpha.png", "dog_alpha.png"]
    for name in ("cat_alpha.png", "dog_alpha.png"):
        assert np.array_equal(np.asarray(Image.open(tmp_path / "ours" / name)),
                              np.asarray(Image.open(tmp_path / "theirs" / name))), name
