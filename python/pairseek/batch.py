"""Folders of images on a Dask cluster: one task per image, each writing its alpha matte."""
from __future__ import annotations

import os
import sys
import time
import uuid
from dataclasses import dataclass, field
from typing import Any, List, Optional, Tuple

from .pairing import output_name, pair_files

# The keyword options of estimate_alpha that a batch passes on (progress cannot
# cross to other processes).
MATTE_OPTIONS = ("passes", "decay", "colour_weight", "seed", "refine", "gamma", "threads")


@dataclass
class BatchReport:
    """What a batch did.

    Attributes
    ----------
    written : list of str
        Alpha mattes written by this run.
    skipped : list of str
        Outputs already there (complete: every output is written whole or not at all).
    failed : list of (str, str)
        ``(file, reason)`` for every image that got no matte: no trimap, an unreadable
        file, a trimap the matte rejects, a task lost with its workers.
    seconds : float
        Wall time of the run.
    """

    written: List[str] = field(default_factory=list)
    skipped: List[str] = field(default_factory=list)
    failed: List[Tuple[str, str]] = field(default_factory=list)
    seconds: float = 0.0

    @property
    def ok(self) -> bool:
        return not self.failed


# glibc's mallopt parameters (malloc.h).
_M_TRIM_THRESHOLD, _M_MMAP_THRESHOLD = -1, -3
_memory_kept = False


def keep_freed_memory() -> None:
    """Let this worker process reuse the memory one matte frees for the next.

    Dask starts workers with MALLOC_TRIM_THRESHOLD_=65536, which also fixes glibc's
    mmap threshold at 128 KiB: every image-sized array then comes in fresh pages
    from the kernel and back, two to three times the matte's own time on our
    machines. Here arrays up to 32 MiB (glibc's limit) come from the heap, and the
    heap keeps up to 1 GiB of free memory, as the pairseek command does. No-op
    without glibc.
    """
    global _memory_kept
    if _memory_kept:
        return
    _memory_kept = True
    try:
        import ctypes

        libc = ctypes.CDLL("libc.so.6")
        libc.mallopt(_M_MMAP_THRESHOLD, 32 << 20)
        libc.mallopt(_M_TRIM_THRESHOLD, 1 << 30)
    except (OSError, AttributeError):
        pass


def matte_file(image: str, trimap: str, out: str, job: str, overwrite: bool, options: dict) -> Tuple[str, str, str]:
    """One task: read `image` and `trimap`, matte, write `out`.

    Returns ``("written" | "skipped", out, "")`` or ``("failed", file, reason)`` for a
    fault of the input; anything else raises, so that Dask retries it.
    """
    from . import estimate_alpha
    from .imagefiles import read_image, read_trimap, write_alpha

    keep_freed_memory()
    if not overwrite and os.path.exists(out):
        return ("skipped", out, "")   # a retry after its first run wrote it
    try:
        pixels = read_image(image)
    except (OSError, ValueError) as e:
        return ("failed", image, _reason(e, image))
    try:
        labels = read_trimap(trimap)
    except (OSError, ValueError) as e:
        return ("failed", trimap, _reason(e, trimap))
    try:
        alpha = estimate_alpha(pixels, labels, **options)
    except (TypeError, ValueError, MemoryError) as e:
        return ("failed", image, f"{e} (trimap {trimap})")
    write_alpha(out, alpha, job)
    return ("written", out, "")


def _reason(error: BaseException, path: str) -> str:
    text = str(error) or type(error).__name__
    prefix = f"{path}: "
    return text[len(prefix):] if text.startswith(prefix) else text


def check_options(options: dict) -> dict:
    """The options, checked by the matte itself on a 1 x 3 case so that a bad one is
    rejected (TypeError / ValueError) before any task runs or any file is written."""
    unknown = sorted(set(options) - set(MATTE_OPTIONS))
    if unknown:
        raise TypeError(f"unknown option {', '.join(unknown)}; expected some of {', '.join(MATTE_OPTIONS)}")
    import numpy as np

    from . import estimate_alpha

    estimate_alpha(np.zeros((1, 3)), np.array([[0.0, 0.5, 1.0]]), **options)
    return dict(options)


def _client(client: Any, workers: Optional[int]):
    """(client, what to close at the end) for a Client, a scheduler address or None."""
    from distributed import Client, LocalCluster

    if client is None:
        import logging

        cluster = LocalCluster(n_workers=workers or os.cpu_count() or 1, threads_per_worker=1, processes=True,
                               dashboard_address=None, silence_logs=logging.ERROR)
        local = Client(cluster)
        return local, [local, cluster]
    if isinstance(client, str):
        remote = Client(client)
        return remote, [remote]
    return client, []


def batch(images, trimaps, out, client=None, workers: Optional[int] = None, overwrite: bool = False,
          progress_bar: Optional[bool] = None, **options) -> BatchReport:
    """Alpha mattes of a folder of images, one Dask task per image.

    Parameters
    ----------
    images, trimaps : str or path
        Folders of PNG / JPEG files, paired by :func:`pairseek.pair_files` as the
        ``pairseek`` command pairs them: ``X_image.*`` with ``X_trimap.*`` in one
        folder; ``S.*`` with ``S.*`` (or ``X_image.*`` with ``X_trimap.*``) in two.
    out : str or path
        Folder of the results ``<stem>_alpha.png`` (8-bit gray), created if needed.
        Each is written to a temporary file and renamed, so it is whole or absent.
    client : distributed.Client, str or None
        None: a local cluster of `workers` processes of one thread each, closed at the
        end. A scheduler address (``"tcp://host:8786"``) or a Client: that cluster,
        whose workers must import pairseek and see the same file paths.
    workers : int, optional
        Worker processes of the local cluster (default: the number of cores).
    overwrite : bool, default False
        False: outputs already there are skipped, so a rerun does only what is missing.
    progress_bar : bool, optional
        A tqdm bar on stderr; None: when stderr is a terminal.
    **options
        ``passes``, ``decay``, ``colour_weight``, ``seed``, ``refine``, ``gamma`` as for
        :func:`pairseek.estimate_alpha`.

    Returns
    -------
    BatchReport
        Outputs written and skipped, and the failures with their file and reason: a
        failed image never stops the others. Tasks lost with a worker are run again
        (Dask moves them to the remaining workers; exceptions are retried twice).

    Raises
    ------
    TypeError, ValueError
        An unknown or invalid option, or `workers` below 1: nothing is written.
    ValueError
        No image to matte, or `out` is the folder of ``X_image`` / ``X_trimap`` pairs
        (where ``X_alpha.png`` files are reference mattes).
    FileNotFoundError, NotADirectoryError
        `images` or `trimaps` is not a folder.

    Examples
    --------
    >>> report = pairseek.batch("shots", "shots", "mattes", workers=2, passes=10)
    >>> print(len(report.written), report.failed)
    """
    started = time.monotonic()
    options = check_options(options)
    if workers is not None and (not isinstance(workers, int) or workers < 1):
        raise ValueError(f"workers must be a positive integer; got {workers!r}")
    images, trimaps, out = (os.path.abspath(os.fspath(p)) for p in (images, trimaps, out))
    if os.path.isdir(out) and os.path.samefile(images, trimaps) and os.path.samefile(out, images):
        raise ValueError(f"{out} is the folder of the X_image / X_trimap pairs, where X_alpha.png files are "
                         "reference mattes; write the outputs to another folder")
    pairs, problems = pair_files(images, trimaps, out)
    report = BatchReport(failed=list(problems))
    os.makedirs(out, exist_ok=True)

    tasks = []
    for pair in pairs:
        target = os.path.join(out, output_name(pair.stem))
        if not overwrite and os.path.exists(target):
            report.skipped.append(target)
        else:
            tasks.append((pair, target))
    if tasks:
        _run(tasks, client, workers, overwrite, options, report, progress_bar)
    report.seconds = time.monotonic() - started
    return report


def _run(tasks, client, workers, overwrite, options, report: BatchReport, progress_bar) -> None:
    from distributed import as_completed
    from tqdm import tqdm

    from .imagefiles import temporary_files

    job = uuid.uuid4().hex[:12]
    out = os.path.dirname(tasks[0][1])
    client, ours = _client(client, workers)
    try:
        futures = client.map(matte_file, [p.image for p, _ in tasks], [p.trimap for p, _ in tasks],
                             [t for _, t in tasks], job=job, overwrite=overwrite, options=options,
                             pure=False, retries=2)
        image_of = {f.key: pair.image for f, (pair, _) in zip(futures, tasks)}
        bar = tqdm(total=len(futures), unit="image", file=sys.stderr,
                   disable=(not sys.stderr.isatty()) if progress_bar is None else not progress_bar)
        with bar:
            for future in as_completed(futures):
                if future.status == "finished":
                    status, path, reason = future.result()
                    if status == "failed":
                        report.failed.append((path, reason))
                    else:
                        (report.written if status == "written" else report.skipped).append(path)
                else:
                    error = future.exception()
                    report.failed.append((image_of[future.key], f"{type(error).__name__}: {error}"))
                bar.update(1)
                future.release()
    finally:
        for thing in ours:
            thing.close()
        for path in temporary_files(out, job):
            try:
                os.remove(path)
            except FileNotFoundError:
                pass
    report.written.sort()
    report.skipped.sort()
    report.failed.sort()
