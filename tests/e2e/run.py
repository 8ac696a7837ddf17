#!/usr/bin/env python3
"""Runs Lumora.exe under Wine on a private X display and checks what it shows.

    tests/e2e/run.py --exe build/windows/Lumora.exe [-k NAME] [--views DIR] [--keep]

One Xvfb and one booted template prefix per run; each test works in its own copy of the prefix. Prints one line
per test, exits 1 when a test failed and 77 when Lumora.exe or a needed tool is missing (CTest counts that as
skipped). Screenshots of a failed test go to build/e2e-artifacts/<test>/."""

import argparse
import shutil
import signal
import sys
import time
import traceback
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))

from harness import Display, Failure, Prefix, Skip, WineTemplate, build_probe, make_workdir  # noqa: E402
from lumora import Lumora  # noqa: E402
from pictures import Picture, rgba_png  # noqa: E402
import test_draw  # noqa: E402
import test_shell  # noqa: E402
import test_stamps  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
TOOLS = ["Xvfb", "wine", "wineserver", "wineboot", "xdotool", "import", "display"]
SKIP = 77


def save(directory, name, thing):
    directory.mkdir(parents=True, exist_ok=True)
    if isinstance(thing, Picture):
        (directory / f"{name}.png").write_bytes(thing.to_png())
    elif isinstance(thing, tuple) and len(thing) == 5:  # a cursor: width, height, hot spot, RGBA
        width, height, _, _, rgba = thing
        (directory / f"{name}.png").write_bytes(rgba_png(width, height, rgba))


def run_test(test, display, template, workdir, exe, probe, views):
    name = test.__name__
    saved = {}
    artifacts_dir = REPO / "build" / "e2e-artifacts" / name
    shutil.rmtree(artifacts_dir, ignore_errors=True)
    prefix = Prefix(template, workdir, name)
    app = Lumora(display, prefix, exe, probe, lambda label, thing: saved.__setitem__(label, thing))
    started = time.monotonic()
    error = skipped = None
    try:
        test(app)
    except Skip as reason:
        skipped = str(reason)
    except Failure as failure:
        error = str(failure)
    except Exception:  # a broken test is a failure too, with its trace
        error = traceback.format_exc()
    finally:
        if error:
            try:
                saved["screen-at-failure"] = display.screenshot()
            except Exception:
                pass
        prefix.close()
    seconds = time.monotonic() - started
    if error:
        out = artifacts_dir
        for label, thing in saved.items():
            save(out, label, thing)
        if prefix.logs.exists():
            shutil.copytree(prefix.logs, out / "logs", dirs_exist_ok=True)
    if views:
        for label, thing in saved.items():
            save(Path(views) / name, label, thing)
    return error, skipped, seconds


def interrupted(_signal, _frame):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(REPO / "build" / "windows" / "Lumora.exe"), help="the Lumora.exe to test")
    parser.add_argument("-k", dest="only", help="run only the tests whose name contains this")
    parser.add_argument("--views", help="save the screenshots taken for people to look at into this folder")
    parser.add_argument("--keep", action="store_true", help="keep the work folder (prefix copies, logs)")
    args = parser.parse_args()

    exe = Path(args.exe).resolve()
    if not exe.is_file():
        print(f"SKIP: {exe} does not exist (build it with: cmake --preset windows && cmake --build --preset windows)")
        return SKIP
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        print(f"SKIP: missing tools: {', '.join(missing)}")
        return SKIP

    every_test = test_shell.TESTS + test_draw.TESTS + test_stamps.TESTS
    tests = [t for t in every_test if not args.only or args.only in t.__name__]
    # A terminated run still cleans up: SIGTERM unwinds like Ctrl+C.
    signal.signal(signal.SIGTERM, interrupted)

    began = time.monotonic()
    workdir = make_workdir()
    display = template = None
    failures = 0
    try:
        probe = build_probe(Path(__file__).with_name("probe.c"), workdir / "probe.exe")
        display = Display(workdir)
        template = WineTemplate(display, workdir)
        print(f"desktop {display.name} and Wine prefix ready in {time.monotonic() - began:.1f} s", flush=True)
        for test in tests:
            error, skipped, seconds = run_test(test, display, template, workdir, exe, probe, args.views)
            if skipped:
                print(f"skip {test.__name__}: {skipped}", flush=True)
            elif error:
                failures += 1
                print(f"FAIL {test.__name__} ({seconds:.1f} s)\n     {error.strip()}", flush=True)
            else:
                print(f"pass {test.__name__} ({seconds:.1f} s)", flush=True)
    finally:
        if template:
            template.close()
        if display:
            display.close()
        if args.keep:
            print(f"work folder kept: {workdir}")
        else:
            shutil.rmtree(workdir, ignore_errors=True)
    print(f"{len(tests) - failures} of {len(tests)} passed in {time.monotonic() - began:.1f} s")
    if failures:
        print(f"screenshots of the failures: {REPO / 'build' / 'e2e-artifacts'}")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("interrupted; everything it started has been stopped")
        sys.exit(130)
