"""python3 -m pairseek batch IMAGES TRIMAPS OUT [--scheduler ADDRESS] [--workers N] [--overwrite] ...

Exit status 0 when every image got its matte, 1 when some failed, 2 for bad usage.
Results go to stdout, the progress bar and diagnostics to stderr.
"""
from __future__ import annotations

import argparse
import sys

from ._pairseek import DEFAULT_OPTIONS

PROGRAM = "pairseek"


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"python3 -m {PROGRAM}",
                                     description="Alpha matting by a randomised search for sample pairs.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    batch = commands.add_parser(
        "batch", help="matte every image of a folder on a Dask cluster",
        description="Writes OUT/X_alpha.png for every image of IMAGES with its trimap in TRIMAPS, paired as "
                    "the pairseek command pairs them: X_image.* with X_trimap.* when both are one folder; "
                    "otherwise S.* with S.* (or X_image.* with X_trimap.*). Outputs already there are skipped "
                    "(rerun to finish a job).")
    batch.add_argument("images", metavar="IMAGES", help="folder of PNG / JPEG images")
    batch.add_argument("trimaps", metavar="TRIMAPS", help="folder of trimaps (0 background, 255 foreground)")
    batch.add_argument("out", metavar="OUT", help="folder of the alpha mattes, created if needed")
    batch.add_argument("--scheduler", metavar="ADDRESS",
                       help="Dask scheduler to run on, e.g. tcp://host:8786 (default: a local cluster)")
    batch.add_argument("--workers", type=int, metavar="N",
                       help="worker processes of the local cluster (default: the number of cores)")
    batch.add_argument("--overwrite", action="store_true", help="matte again images whose output exists")
    default = DEFAULT_OPTIONS
    batch.add_argument("--passes", type=int, metavar="N", help=f"search passes (default {default['passes']})")
    batch.add_argument("--decay", type=float, metavar="X",
                       help=f"search radius decay, 0 <= X < 1 (default {default['decay']})")
    batch.add_argument("--colour-weight", type=float, metavar="X",
                       help=f"colour misfit weight (default {default['colour_weight']})")
    batch.add_argument("--seed", type=int, metavar="N", help=f"random seed, 0..4294967295 (default {default['seed']})")
    batch.add_argument("--no-refine", dest="refine", action="store_false", default=None,
                       help="the search's own alphas, without the refinement")
    batch.add_argument("--gamma", type=float, metavar="X",
                       help=f"alphas read as blends of value ** X, 0.25 <= X <= 4: 1 for composites blended "
                            f"in their stored values (default {default['gamma']})")
    batch.add_argument("--no-progress", dest="progress", action="store_false", default=None,
                       help="no progress bar (default: shown when stderr is a terminal)")
    return parser


def _batch(args: argparse.Namespace) -> int:
    from . import batch

    if args.scheduler and args.workers is not None:
        print(f"{PROGRAM}: --workers sets up a local cluster; it cannot be combined with --scheduler",
              file=sys.stderr)
        return 2
    options = {name: getattr(args, name) for name in ("passes", "decay", "colour_weight", "seed", "refine", "gamma")
               if getattr(args, name) is not None}
    try:
        report = batch(args.images, args.trimaps, args.out, client=args.scheduler, workers=args.workers,
                       overwrite=args.overwrite, progress_bar=args.progress, **options)
    except (TypeError, ValueError, OSError) as e:
        print(f"{PROGRAM}: {e}", file=sys.stderr)
        return 2
    for path, reason in report.failed:
        print(f"{PROGRAM}: {path}: {reason}", file=sys.stderr)
    done = len(report.written)
    rate = f", {done / report.seconds:.2f} images/s" if done and report.seconds > 0 else ""
    print(f"{done} written, {len(report.skipped)} skipped (already there), {len(report.failed)} failed "
          f"in {report.seconds:.1f} s{rate}")
    return 0 if report.ok else 1


def main(argv=None) -> int:
    args = _parser().parse_args(argv)
    if args.command == "batch":
        return _batch(args)
    return 2


# Dask's worker processes import this module again under another name: only a
# real run starts a job.
if __name__ == "__main__":
    sys.exit(main())
