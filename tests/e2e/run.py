#!/usr/bin/env python3
"""Runs Lumora.exe under Wine on a private X display and checks what it shows.

One Xvfb and one booted template prefix per run; each test works in its own copy of the prefix. Prints one line
per test, exits 1 when a test failed and 77 when Lumora.exe or a needed tool is missing (CTest counts that as
skipped). Screenshots of a failed test go to build/e2e-artifacts/<test>/."""

import argparse
import contextlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from harness import Desktop, Failure, Skip  # noqa: E402
from lumora import Lumora  # noqa: E402
import test_draw  # noqa: E402
import test_online  # noqa: E402
import test_shell  # noqa: E402
import test_stamps  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
TOOLS = ["Xvfb", "wine", "wineserver", "wineboot", "xdotool", "import", "display", "convert", "identify"]
MINGW = ["x86_64-w64-mingw32-gcc", "x86_64-w64-mingw32-gcc-posix"]


def run_test(test, desktop, exe, probe, views):
    """Runs `test` in a fresh prefix; returns its error, or why it was skipped, or neither."""
    app = Lumora(desktop, test.__name__, exe, probe)
    artifacts = REPO / "build" / "e2e-artifacts" / test.__name__
    shutil.rmtree(artifacts, ignore_errors=True)
    error = skipped = None
    try:
        app.open()
        test(app)
    except Skip as reason:
        skipped = str(reason)
    except Failure as failure:
        error = str(failure)
    except Exception:  # a broken test is a failure too, with its trace
        error = traceback.format_exc()
    finally:
        if error:
            with contextlib.suppress(Exception):
                app.save("screen-at-failure", desktop.screenshot())
        app.close()
    for folder in ([artifacts] if error else []) + ([Path(views) / test.__name__] if views else []):
        folder.mkdir(parents=True, exist_ok=True)
        for label, thing in app.saved.items():
            thing.save(folder / f"{label}.png")
    if error and app.logs.exists():
        shutil.copytree(app.logs, artifacts / "logs")
    return error, skipped


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(REPO / "build" / "windows" / "Lumora.exe"), help="the Lumora.exe to test")
    parser.add_argument("-k", dest="only", help="run only the tests whose name contains this")
    parser.add_argument("--views", help="save the screenshots taken for people to look at into this folder")
    parser.add_argument("--keep", action="store_true", help="keep the work folder (prefix copies, logs)")
    args = parser.parse_args()

    exe = Path(args.exe).resolve()
    missing = [tool for tool in TOOLS if not shutil.which(tool)] + ([] if any(map(shutil.which, MINGW)) else MINGW[:1])
    if missing or not exe.is_file():
        print(f"SKIP: missing tools: {', '.join(missing)}" if missing else
              f"SKIP: {exe} does not exist (build it with: cmake --preset windows && cmake --build --preset windows)")
        return 77

    tests = [test for module in (test_shell, test_draw, test_stamps, test_online) for name, test in vars(module).items()
             if name.startswith("test_") and (args.only or "") in name]
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # a terminated run still cleans up, as after Ctrl+C
    began = time.monotonic()
    workdir = Path(tempfile.mkdtemp(prefix="lumora-e2e-"))
    desktop = Desktop(workdir)
    failures = 0
    try:
        probe = workdir / "probe.exe"
        compiler = next(filter(None, map(shutil.which, MINGW)))
        subprocess.run([compiler, "-O1", "-Wall", "-o", probe, Path(__file__).with_name("probe.c")], check=True)
        desktop.start()
        print(f"desktop {desktop.env['DISPLAY']} and Wine prefix ready in {time.monotonic() - began:.1f} s", flush=True)
        for test in tests:
            started = time.monotonic()
            error, skipped = run_test(test, desktop, exe, probe, args.views)
            failures += bool(error)
            if skipped:
                print(f"skip {test.__name__}: {skipped}", flush=True)
            else:
                print(f"{'FAIL' if error else 'pass'} {test.__name__} ({time.monotonic() - started:.1f} s)"
                      + (f"\n     {error.strip()}" if error else ""), flush=True)
    finally:
        desktop.close()
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
