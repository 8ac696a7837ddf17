"""Lumora.exe in one test's copy of the template prefix, driven and seen from outside: its processes, its windows
(through X and through the window probe), the tray icon, the overlay, message boxes, menus and the pointer."""

import contextlib
import itertools
import re
import subprocess
import time
from collections import namedtuple
from pathlib import Path

from harness import HEIGHT, OPTIONS_KEY, WIDTH, Failure, check, prefix_processes, run, stop_prefix, wait_for
from pictures import differences

TRAY_TITLE = "^Wine System Tray$"
Win = namedtuple("Win", "depth handle visible cls text box")  # box: left, top, width, height


class Lumora:
    def __init__(self, desktop, name, exe, probe):
        self.desktop, self.exe, self.probe, self.saved, self.launched, self.count = desktop, exe, probe, {}, [], 0
        self.prefix, self.logs = desktop.workdir / f"prefix-{name}", desktop.workdir / f"logs-{name}"
        self.env = desktop.wine_env(self.prefix)

    def open(self):
        self.logs.mkdir(parents=True)
        run(["cp", "-a", self.desktop.template, self.prefix], None, check=True, timeout=120)
        # A server kept up lets each later `wine` start in a fraction of a second.
        run(["wineserver", "-p"], self.env, timeout=30)

    def close(self):
        stop_prefix(self.prefix, self.env)
        for process in self.launched:
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(5)

    def save(self, label, thing):
        """Keeps a picture or pointer for people to look at."""
        self.saved[label] = thing

    # --- Windows programs, their output in the test's log folder ---

    def log(self, label):
        self.count += 1
        return self.logs / f"{self.count:02d}-{label}"

    def launch(self):
        """Starts Lumora.exe without waiting for it."""
        with open(f"{self.log('lumora')}.log", "wb") as log:
            self.launched.append(subprocess.Popen(["wine", str(self.exe)], env=self.env, stdin=subprocess.DEVNULL,
                                                  stdout=log, stderr=log, start_new_session=True))
        return self.launched[-1]

    def start(self):
        """Starts Lumora.exe and waits until it sits in the tray."""
        process = self.launch()
        wait_for(lambda: self.tray() or process.poll() is not None, "Lumora's tray icon", 20)
        check(process.poll() is None, f"Lumora.exe ended at start-up (exit code {process.poll()})")

    def wine(self, *args, label, timeout=60):
        """Runs a Windows program to its end; returns its exit code and what it printed."""
        path = self.log(label)
        with open(f"{path}.out", "wb") as out, open(f"{path}.log", "wb") as log:
            code = run(["wine", *args], self.env, log, timeout, out=out).returncode
        return code, Path(f"{path}.out").read_text(encoding="utf-8", errors="replace")

    def reg_add(self, name, value):
        code, _ = self.wine("reg", "add", OPTIONS_KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f", label="reg-add")
        check(code == 0, f"reg add {name} failed")

    def reg_query(self, name):
        """The option's data as `reg query` prints it, or None when there is none."""
        code, out = self.wine("reg", "query", OPTIONS_KEY, "/v", name, label="reg-query")
        found = re.search(rf"^ +{re.escape(name)} {{4}}REG_\w+ {{4}}(.*?)\s*$", out, re.MULTILINE)
        return found[1] if code == 0 and found else None

    def pids(self):
        processes = prefix_processes(self.prefix).items()
        return sorted(pid for pid, command in processes if re.match(rb"[^\0]*[\\/]lumora\.exe\0", command, re.I))

    # --- Windows as the program's desktop sees them ---

    def probe_windows(self):
        """Every top-level window followed by its children, as the probe lists them inside the prefix."""
        code, out = self.wine(self.probe, label="probe")
        check(code == 0, f"the window probe failed with exit code {code}")
        rows = [line.split("\t") for line in out.splitlines()]
        return [Win(int(r[0]), r[1], r[2] == "1", r[3], r[4], tuple(map(int, r[5].split(",")))) for r in rows
                if len(r) == 6]

    def shown(self, cls):
        return [w for w in self.probe_windows() if w.visible and w.cls == cls]

    def icon_centre(self):
        """The middle of Lumora's icon, the only one in Wine's stand-alone tray."""
        left, top, width, height = wait_for(lambda: self.shown("__winex11_tray_icon"), "the tray icon window")[0].box
        return left + width // 2, top + height // 2

    def tooltip(self):
        return next((w.text for w in self.shown("tooltips_class32") if w.text), None)

    def tray_tip(self):
        """Points at the tray icon and returns the text of the tooltip that appears."""
        self.hover(*self.icon_centre())
        text = wait_for(self.tooltip, "the tray icon's tooltip", interval=0.3)
        self.desktop.xdotool("mousemove", WIDTH // 2, HEIGHT // 2)  # away, so the tip goes
        return text

    # --- Seen through X ---

    def tray(self):
        """The X geometry of Wine's tray window, or None when it is not shown."""
        windows = self.desktop.windows(TRAY_TITLE)
        return self.desktop.geometry(windows[0]) if windows else None

    def hotkey(self, *keys):
        """Presses `keys` with the tray's window focused: Wine sees keys only while one of its windows has focus."""
        windows = self.desktop.windows(TRAY_TITLE)
        check(windows, "no tray window to give the keyboard focus to")
        self.desktop.xdotool("windowfocus", "--sync", windows[0], "key", *keys)

    def start_session(self):
        self.hotkey("ctrl+h")
        wait_for(self.overlay, "the overlay after Ctrl+H", 15)

    def session_over(self, picture, desktop, what):
        """Starts Lumora and a session over `picture`, then changes the desktop to `desktop`, so every later
        check sees the overlay's still picture. Returns the overlay as first shown."""
        self.desktop.set_background(picture)
        self.start()
        self.start_session()
        before = self.expect_screen(picture, what)
        self.desktop.set_background(desktop)
        return before

    def session_ended(self, by):
        wait_for(lambda: not self.overlay(), f"the overlay to go after {by}")
        wait_for(self.tray, f"the tray icon to come back after {by}")

    def overlay(self):
        """The X geometry of a visible full-screen window of Lumora's, or None."""
        boxes = (self.desktop.geometry(w) for pid in self.pids() for w in self.desktop.windows(pid=pid))
        return next((b for b in boxes if b and b[2] >= WIDTH // 2 and b[3] >= HEIGHT // 2), None)

    def box(self, title):
        return next(iter(self.desktop.windows(f"^{title}$")), None)

    def answer(self, title, text, key):
        """Waits for the message box `title`, checks that it says exactly `text`, and answers it with `key`."""
        box = wait_for(lambda: self.box(title), f'the message box "{title}"', 15)
        windows = self.probe_windows()
        found = [i for i, w in enumerate(windows) if (w.depth, w.visible, w.cls, w.text) == (0, True, "#32770", title)]
        children = itertools.takewhile(lambda c: c.depth > 0, windows[found[0] + 1:] if found else [])
        texts = [c.text for c in children if c.cls == "Static" and c.text]
        check(texts == [text], f'"{title}" says {texts}, not {text!r}')
        self.desktop.xdotool("windowfocus", "--sync", box, "key", key)
        wait_for(lambda: not self.box(title), f'the message box "{title}" to close')

    def menus(self):
        """The popup menus shown now (unnamed X windows narrower than half the screen) and their geometry."""
        boxes = {w: self.desktop.geometry(w) for w in self.desktop.windows("^$")}
        return {w: box for w, box in boxes.items() if box and box[2] < WIDTH // 2}

    def open_menu(self, x, y):
        """Right-clicks at (x, y); returns the geometry of the popup menu that opens."""
        before = self.menus()
        self.click(x, y, 3)
        box = wait_for(lambda: next((b for w, b in self.menus().items() if w not in before), None), "a popup menu")
        time.sleep(0.3)  # the menu paints after it maps
        return box

    # --- The pointer; Wine merges moves less than about 60 ms apart ---

    def click(self, x, y, button=1):
        self.desktop.xdotool("mousemove", x, y, "sleep", 0.15, "click", button)

    def hover(self, x, y, dx=-2, dy=-2):
        """Moves the pointer to (x + dx, y + dy), then onto (x, y): a move that ends there, as a person's would."""
        self.desktop.xdotool("mousemove", x + dx, y + dy, "sleep", 0.07, "mousemove", x, y)

    def drag(self, points, key=None):
        """A left drag through `points`, with `key` held down throughout when given."""
        moves = [arg for x, y in points[1:] for arg in ("sleep", 0.07, "mousemove", x, y)]
        held = ("keydown", key) if key else ()
        self.desktop.xdotool("mousemove", *points[0], "sleep", 0.07, *held, "mousedown", 1, *moves, "sleep", 0.07,
                             "mouseup", 1, *(("keyup", key) if key else ()))

    def pointer(self, wanted, what):
        """Polls the pointer image until `wanted` holds for it, and returns it."""
        return wait_for(lambda: (c := self.desktop.cursor()) and wanted(c) and c, what, 5)

    def highlighter(self):
        """Checks that the pointer over the empty overlay is the 32 x 32 highlighter, hot spot in the middle."""
        self.hover(WIDTH // 2, HEIGHT // 2, dx=-40)
        cursor = self.pointer(lambda c: (c.width, c.height) == (32, 32), "the highlighter pointer over the overlay")
        check(cursor.hot == (16, 16), f"the highlighter's hot spot is at {cursor.hot}, not the middle")
        self.save("pointer", cursor)
        return cursor

    # --- The screen ---

    def expect_screen(self, expected, what, exclude=(), loose=None, timeout=10):
        """Waits until the screen shows `expected` (see `differences`); on failure says where and how it differs."""
        def matches():
            shot = self.desktop.screenshot()
            return None if differences(shot, expected, exclude, loose) else shot

        try:
            return wait_for(matches, what, timeout, interval=0.2)
        except Failure:
            shot = self.desktop.screenshot()
            diffs = differences(shot, expected, exclude, loose)
            self.save("expected", expected)
            samples = ", ".join(f"({x},{y}) {shot.at(x, y)} not {expected.at(x, y)}" for x, y in diffs[:4])
            raise Failure(f"{what}: {len(diffs)} pixels differ, e.g. {samples}") from None
