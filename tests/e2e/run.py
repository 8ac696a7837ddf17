#!/usr/bin/env python3
"""Runs the scenarios of scenarios.py against Lumora.exe under Wine on a private X display: one Xvfb and one booted
template prefix per run, a fresh copy of the prefix per scenario. Exits 1 when a scenario failed; its screenshots
and logs go to build/e2e-artifacts/<scenario>/."""

# Nothing the run starts outlives it: not after a failure, a scenario's time limit, Ctrl+C or SIGTERM. Clean-up
# runs with those signals held back, so a second one cannot cut it short.

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

import dialogs  # noqa: E402
import install  # noqa: E402
import scenarios  # noqa: E402
from desktop import Desktop, Failure, Lumora  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
SCENARIO_LIMIT = 180  # seconds
STOPS = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}


def timed_out(*_):
    raise Failure(f"the scenario took longer than {SCENARIO_LIMIT} s")


def cleanly(action):
    signal.pthread_sigmask(signal.SIG_BLOCK, STOPS)
    try:
        action()
    finally:
        signal.pthread_sigmask(signal.SIG_UNBLOCK, STOPS)  # a signal that came meanwhile stops the run now


def run_scenario(scenario, desktop, exe, probe, views=None):
    # Returns the scenario's error, or None when it passed.
    app, error = Lumora(desktop, scenario.__name__, exe, probe), None
    artifacts = REPO / "build" / "e2e-artifacts" / scenario.__name__
    shutil.rmtree(artifacts, ignore_errors=True)
    signal.alarm(SCENARIO_LIMIT)
    try:
        app.open()
        scenario(app)
    except Exception:  # a failed check, a time-out or a broken scenario, with the trace to its line
        error = traceback.format_exc()
    finally:
        signal.alarm(0)
        if error:
            with contextlib.suppress(Exception):
                app.saved["screen-at-failure"] = desktop.screenshot()
        cleanly(app.close)
    # A crash fails the scenario even when what it checked held; the backtrace is in the program's log.
    crashes = [f"{log.name}: {line}" for log in sorted(app.logs.glob("*.log"))
               for line in log.read_text(errors="replace").splitlines() if line.startswith("wine: Unhandled")]
    error = error or ("a program crashed:\n" + "\n".join(crashes) if crashes else None)
    if error:
        shutil.copytree(app.logs, artifacts / "logs")
    for folder in ([artifacts] if error else []) + ([views / scenario.__name__] if views else []):
        folder.mkdir(parents=True, exist_ok=True)
        for label, picture in app.saved.items():
            picture.save(folder / f"{label}.png")
    return error


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", default=REPO / "build" / "windows" / "Lumora.exe", type=Path, help="Lumora.exe")
    parser.add_argument("-k", dest="only", default="", help="run only the scenarios whose name contains this")
    parser.add_argument("--views", type=Path, help="keep every scenario's screenshots in this folder, to look at")
    args = parser.parse_args()
    chosen = [s for module in (scenarios, dialogs, install) for name, s in vars(module).items()
              if name.startswith("test_") and args.only in name]
    for stop in STOPS - {signal.SIGINT}:
        signal.signal(stop, signal.default_int_handler)  # stopped from outside, the run cleans up as after Ctrl+C
    signal.signal(signal.SIGALRM, timed_out)
    began, workdir, failures = time.monotonic(), Path(tempfile.mkdtemp(prefix="lumora-e2e-")), 0
    desktop = Desktop(workdir)
    try:
        probe = workdir / "probe.exe"
        subprocess.run(["x86_64-w64-mingw32-gcc-posix", "-O1", "-Wall", "-o", probe,
                        Path(__file__).with_name("probe.c")], check=True)
        desktop.start()
        print(f"desktop {desktop.env['DISPLAY']} and Wine prefix ready in {time.monotonic() - began:.1f} s", flush=True)
        for scenario in chosen:
            started = time.monotonic()
            error = run_scenario(scenario, desktop, args.exe.resolve(), probe, args.views)
            failures += bool(error)
            print(f"{'FAIL' if error else 'pass'} {scenario.__name__} ({time.monotonic() - started:.1f} s)"
                  + (f"\n{error.strip()}" if error else ""), flush=True)
    finally:
        cleanly(desktop.close)
        shutil.rmtree(workdir, ignore_errors=True)
    print(f"{len(chosen) - failures} of {len(chosen)} passed in {time.monotonic() - began:.1f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("interrupted; everything it started has been stopped")
        sys.exit(130)
