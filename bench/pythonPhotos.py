#!/usr/bin/env python3
"""Quality and time of pairseek.estimate_alpha over a folder of cases, and the batch
rate with 1 and 2 workers (not a test: README, Python).

  PYTHONPATH=build/python /usr/bin/python3 bench/pythonPhotos.py ../shared/photos [--batch 4]

Per case <case>_image.png, <case>_trimap.png, <case>_alpha.png: seconds of the
call (files read beforehand) and SAD = sum over the trimap's unknown pixels of
|alpha - true alpha| / 1000. --batch N: N copies of every case (symbolic links in
a temporary folder) through `python3 -m pairseek batch` with 1 and then 2 workers.
--threads: the sixteen matted one after the other and by two threads of this process.
"""
import argparse
import glob
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import pairseek
from pairseek.imagefiles import read_image, read_trimap


def quality(folder):
    total_seconds = total_sad = 0.0
    for image_path in sorted(glob.glob(os.path.join(folder, "*_image.png"))):
        case = os.path.basename(image_path)[: -len("_image.png")]
        image = read_image(image_path)
        trimap = read_trimap(os.path.join(folder, f"{case}_trimap.png"))
        truth = read_image(os.path.join(folder, f"{case}_alpha.png")) / 255.0
        started = time.perf_counter()
        alpha = pairseek.estimate_alpha(image, trimap)
        seconds = time.perf_counter() - started
        unknown = (trimap != 0) & (trimap != 255)
        sad = np.abs(alpha - truth)[unknown].sum() / 1000
        print(f"{case:10s} {image.shape[1]:5d} x {image.shape[0]:4d} {np.count_nonzero(unknown):7d} unknown "
              f"SAD {sad:8.3f}  {seconds:6.3f} s")
        total_seconds += seconds
        total_sad += sad
    print(f"total: SAD {total_sad:.2f}, {total_seconds:.2f} s")


def thread_rate(folder):
    from concurrent.futures import ThreadPoolExecutor

    cases = []
    for image_path in sorted(glob.glob(os.path.join(folder, "*_image.png"))):
        cases.append((read_image(image_path), read_trimap(image_path.replace("_image.png", "_trimap.png"))))
    started = time.perf_counter()
    for image, trimap in cases:
        pairseek.estimate_alpha(image, trimap)
    sequential = time.perf_counter() - started
    started = time.perf_counter()
    with ThreadPoolExecutor(2) as pool:
        list(pool.map(lambda case: pairseek.estimate_alpha(*case), cases))
    threaded = time.perf_counter() - started
    print(f"threads: {len(cases)} images one after the other {sequential:.2f} s, two threads {threaded:.2f} s "
          f"({sequential / threaded:.2f} x)")


def batch_rate(folder, copies, workers):
    with tempfile.TemporaryDirectory() as scratch:
        cases = os.path.join(scratch, "cases")
        os.mkdir(cases)
        for path in glob.glob(os.path.join(folder, "*_image.png")):
            case = os.path.basename(path)[: -len("_image.png")]
            for k in range(copies):
                for kind in ("image", "trimap"):
                    os.symlink(os.path.abspath(os.path.join(folder, f"{case}_{kind}.png")),
                               os.path.join(cases, f"{case}-{k}_{kind}.png"))
        count = len(glob.glob(os.path.join(cases, "*_image.png")))
        started = time.perf_counter()
        run = subprocess.run([sys.executable, "-m", "pairseek", "batch", cases, cases, os.path.join(scratch, "out"),
                              "--workers", str(workers), "--no-progress"], capture_output=True, text=True)
        seconds = time.perf_counter() - started
        print(f"batch, {workers} worker(s): {count} images in {seconds:.1f} s = {count / seconds:.2f} images/s "
              f"(command's own line: {run.stdout.strip()})")
        if run.returncode != 0:
            print(run.stderr, file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--batch", type=int, default=0, metavar="N", help="copies of each case for the batch rate")
    parser.add_argument("--threads", action="store_true", help="sequential against two threads")
    args = parser.parse_args()
    quality(args.folder)
    if args.threads:
        thread_rate(args.folder)
    if args.batch:
        for workers in (1, 2):
            batch_rate(args.folder, args.batch, workers)


if __name__ == "__main__":
    main()
