"""The interpreter lock is released while a matte is computed: other threads run,
and two threads matting two images run at the same time."""
import threading
import time

import numpy as np

import pairseek


def large(case, tiles=3):
    """The case tiled `tiles` x `tiles` times: a call long enough to watch."""
    return np.tile(case.image, (tiles, tiles, 1)), np.tile(case.trimap, (tiles, tiles))


def test_other_threads_run_during_a_matte(synth1):
    image, trimap = large(synth1)
    worker = threading.Thread(target=pairseek.estimate_alpha, args=(image, trimap), kwargs={"passes": 20})
    started = last = time.perf_counter()
    longest_gap, ticks = 0.0, 0
    worker.start()
    while worker.is_alive():
        now = time.perf_counter()
        longest_gap, last, ticks = max(longest_gap, now - last), now, ticks + 1
    duration = time.perf_counter() - started
    # Holding the lock for the call would stop this loop for all of it.
    assert ticks > 1000
    assert longest_gap < duration / 2, (longest_gap, duration)


def test_two_threads_matte_at_the_same_time(synth1):
    image, trimap = large(synth1)
    events = []

    def run(name):
        alpha = pairseek.estimate_alpha(image, trimap, passes=20,
                                        progress=lambda p: events.append((name, p.stage)) if p.stage == "search"
                                        else None)
        results[name] = alpha

    results = {}
    threads = [threading.Thread(target=run, args=(name,)) for name in "ab"]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    # With the lock held for a whole call, one thread's passes would all come before the other's.
    order = "".join(name for name, _ in events)
    assert order.count("a") == order.count("b") == 20
    assert order not in ("a" * 20 + "b" * 20, "b" * 20 + "a" * 20), order
    assert np.array_equal(results["a"], results["b"])
