# The private desktop of one end-to-end run and what the scenarios see of it: an Xvfb display, a booted template Wine
# prefix that each scenario copies, Lumora.exe in that copy, and RGB pictures to compare screenshots with.

# Everything started here is stopped here, by PID or by its prefix, never by name: other Wine users may be around.
# Xvfb dies with the runner even when the runner is killed outright, and a prefix's wineserver lingers a few seconds
# after its last program, not for ever. Wine's output goes to files, never to pipes: its background processes
# would keep a pipe open for ever.

import contextlib
import ctypes
import itertools
import os
import re
import signal
import subprocess
import time
from collections import namedtuple
from pathlib import Path

WIDTH, HEIGHT = 1280, 800
OPTIONS_KEY = r"HKCU\Software\Quillfen\Lumora\Options"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
BANNER = (0, 0, 340, 56)  # the overlay's top-left corner, where the banner is
TRAY_TITLE = "^Wine System Tray$"
SERVER_LINGER = 5  # seconds; while it is up, each `wine` call starts in a fraction of a second


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, what, timeout=10, interval=0.1):
    # Polls until `predicate` returns something true, and returns that.
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)
    return value


def run(args, env, log=subprocess.DEVNULL, timeout=60, out=None, check=False):
    return subprocess.run([str(a) for a in args], env=env, stdin=subprocess.DEVNULL, stdout=out or log, stderr=log,
                          timeout=timeout, check=check)


# --- Pictures ---

class Picture:
    # Packed 8-bit RGB rows, as ImageMagick's raw `rgb:` format keeps them.

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    def at(self, x, y):
        return tuple(self.rgb[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3])

    def masked(self, boxes, pen):
        # This picture with the mask pen laid over every pixel of the (left, top, width, height) boxes, which lie
        # inside it.
        rgb = bytearray(self.rgb)
        for (left, top, width, height), (channel, value) in itertools.product(boxes, enumerate(pen)):
            for y in range(top, top + height):
                part = slice((y * self.width + left) * 3 + channel, (y * self.width + left + width) * 3, 3)
                rgb[part] = bytes(c & value for c in rgb[part])
        return Picture(self.width, self.height, rgb)

    def save(self, path):
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8", "rgb:-", str(path)],
                       input=self.rgb, check=True, timeout=60)


def pattern(width=WIDTH, height=HEIGHT):
    # Every pixel telling its own place, so a shifted, scaled or cut copy cannot match it, with blue everywhere so a
    # yellow highlight shows wherever it lies.
    rows = []
    for y in range(height):
        row = bytearray(width * 3)
        row[0::3] = bytes(x & 0xFF for x in range(width))
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes(0x80 | ((x >> 8) & 0xF) << 3 | ((y >> 8) & 0x7) for x in range(width))
        rows.append(row)
    return Picture(width, height, b"".join(rows))


def solid(rgb):
    return Picture(WIDTH, HEIGHT, bytes(rgb) * (WIDTH * HEIGHT))


def grow(box, by):
    return box[0] - by, box[1] - by, box[2] + 2 * by, box[3] + 2 * by


def highlighted(picture, marks, pen):
    # The view of `marks`, each an (inner, outer) pair of boxes, in `pen` over `picture`: pen AND picture in the inner
    # box; and the boxes left out of the comparison between them, since how an edge rounds is the drawing's.
    exclude = []
    for (il, it, iw, ih), (ol, ot, ow, oh) in marks:
        exclude += [(ol, ot, ow, it - ot), (ol, it + ih, ow, ot + oh - it - ih), (ol, it, il - ol, ih),
                    (il + iw, it, ol + ow - il - iw, ih)]
    return picture.masked([inner for inner, _ in marks], pen), exclude


def differences(shot, expected, exclude=()):
    # Pixels (x, y) where `shot` differs from `expected` outside the (left, top, width, height) `exclude` boxes.
    out, stride = [], shot.width * 3
    for y in range(shot.height):
        a, b = shot.rgb[y * stride:(y + 1) * stride], expected.rgb[y * stride:(y + 1) * stride]
        out += [(x, y) for x in (range(shot.width) if a != b else ()) if a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3]
                and not any(l <= x < l + w and t <= y < t + h for l, t, w, h in exclude)]
    return out


# --- The display and the prefixes ---

def prefix_processes(prefix):
    # The processes that run in `prefix` (found by the WINEPREFIX in their environment) and their command lines.
    marker, found = b"\0WINEPREFIX=" + str(prefix).encode() + b"\0", {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError):
            if marker in b"\0" + Path(f"/proc/{pid}/environ").read_bytes() + b"\0":
                found[int(pid)] = Path(f"/proc/{pid}/cmdline").read_bytes()
    return found


def stop_prefix(prefix, env):
    # Ends every process of `prefix`: its wineserver first, then by PID whatever is left.
    if not prefix.exists():
        return
    with contextlib.suppress(subprocess.TimeoutExpired):
        run(["wineserver", "-k"], env, timeout=30)
    for seconds, kill in ((10, True), (5, False)):
        deadline = time.monotonic() + seconds
        while (pids := prefix_processes(prefix)) and time.monotonic() < deadline:
            time.sleep(0.05)
        for pid in pids if kill else ():
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)


class Desktop:
    def __init__(self, workdir):
        self.workdir, self.template, self.xvfb, self.env = workdir, workdir / "template", None, dict(os.environ)

    def start(self):
        # Starts Xvfb on a free display and boots the template prefix; `close` undoes whatever of it was done.
        number = self.workdir / "display"
        with open(number, "wb") as out, open(self.workdir / "xvfb.log", "wb") as log:
            # -noreset keeps the root background when the last client leaves. PR_SET_PDEATHSIG: the kernel stops
            # Xvfb when the runner ends, however it ends.
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0",
                                          f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(out.fileno(),),
                                         preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM))
        name = wait_for(lambda: (text := number.read_text()).endswith("\n") and text.strip(), "Xvfb's display")
        self.env = dict(os.environ, DISPLAY=":" + name)
        env = self.wine_env(self.template)
        with open(self.workdir / "wineboot.log", "wb") as log:
            run(["wineboot", "-i"], env, log, timeout=180)
            # The root window is the desktop: Wine places and focuses its own windows, so capture sees the X screen
            # and xdotool finds each window (message boxes, menus) as an X window.
            run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env, log)
            # A crash writes its backtrace to the program's log instead of opening Wine's crash dialog.
            run(["wine", "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                 "/d", "0", "/f"], env, log)
            # The instructions window is a start-up dialog of its own; the scenarios start without it.
            run(["wine", "reg", "add", OPTIONS_KEY, "/v", "Instructions on startup", "/d", "0", "/f"], env, log)
        stop_prefix(self.template, env)  # the server writes the registry to disk as it ends

    def close(self):
        if self.xvfb:
            stop_prefix(self.template, self.wine_env(self.template))
            self.xvfb.terminate()
            self.xvfb.wait(5)

    def wine_env(self, prefix):
        return dict(self.env, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEARCH="win64",
                    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")

    def tool(self, *args):
        # Runs an X tool (not Wine: its output may be read through a pipe) and returns its output.
        return subprocess.run([str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=30).stdout

    def xdotool(self, *args):
        return self.tool("xdotool", *args).decode(errors="replace")

    def screenshot(self):
        return Picture(WIDTH, HEIGHT, self.tool("import", "-window", "root", "-depth", "8", "rgb:-"))

    def set_background(self, picture):
        # Makes `picture` what the screen shows where no window is.
        (self.workdir / "background.rgb").write_bytes(picture.rgb)
        self.tool("display", "-window", "root", "-size", f"{WIDTH}x{HEIGHT}", "-depth", "8",
                  f"rgb:{self.workdir / 'background.rgb'}")

    def windows(self, name=".*", pid=None):
        # Visible X windows whose name matches `name` and, given `pid`, of that process.
        of_pid = ["--pid", pid] if pid else []
        return [int(w) for w in self.xdotool("search", "--all", "--onlyvisible", *of_pid, "--name", name).split()]

    def geometry(self, window):
        # (left, top, width, height), or None when the window has gone.
        values = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines()
                      if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None


# --- Lumora.exe in one scenario's copy of the template prefix ---

Win = namedtuple("Win", "depth handle visible cls text box")  # box: left, top, width, height


class Lumora:
    def __init__(self, desktop, name, exe, probe):
        self.d, self.exe, self.probe, self.saved, self.launched, self.count = desktop, exe, probe, {}, [], 0
        self.prefix, self.logs = desktop.workdir / f"prefix-{name}", desktop.workdir / f"logs-{name}"
        self.env = desktop.wine_env(self.prefix)

    def open(self):
        self.logs.mkdir(parents=True)
        run(["cp", "-a", self.d.template, self.prefix], None, check=True, timeout=120)
        run(["wineserver", f"-p{SERVER_LINGER}"], self.env, timeout=30)

    def close(self):
        stop_prefix(self.prefix, self.env)
        for process in self.launched:
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(5)

    def log(self, label):
        self.count += 1
        return self.logs / f"{self.count:02d}-{label}"

    def launch(self, *program, label="lumora"):
        # Starts Lumora.exe, or the Windows `program` with its arguments, without waiting for it.
        with open(f"{self.log(label)}.log", "wb") as log:
            self.launched.append(subprocess.Popen(["wine", *map(str, program or [self.exe])], env=self.env,
                                                  stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                                  start_new_session=True))
        return self.launched[-1]

    def start(self):
        # Starts Lumora.exe and waits until it sits in the tray.
        process = self.launch()
        wait_for(lambda: self.tray() or process.poll() is not None, "Lumora's tray icon", 20)
        check(process.poll() is None, f"Lumora.exe ended at start-up (exit code {process.poll()})")

    def wine(self, *args, label, timeout=60):
        # Runs a Windows program to its end; returns its exit code and what it printed.
        path = self.log(label)
        with open(f"{path}.out", "wb") as out, open(f"{path}.log", "wb") as log:
            code = run(["wine", *args], self.env, log, timeout, out=out).returncode
        return code, Path(f"{path}.out").read_text(encoding="utf-8", errors="replace")

    def values(self, key):
        # The values of a registry key by name, as `reg query` shows them; empty when there is no such key.
        code, out = self.wine("reg", "query", key, label="reg")
        return dict(re.findall(r"^ {4}(\S.*?) {4}REG_\w+ {4}(.*?)\r?$", out, re.M)) if code == 0 else {}

    def option(self, name, value, kind="REG_SZ", key=OPTIONS_KEY):
        # Stores a value as `reg add` does (REG_BINARY takes hex digits), by default an option.
        added = self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f", label="reg")
        check(added[0] == 0, f"reg add {name}")

    def pids(self):
        return sorted(pid for pid, command in prefix_processes(self.prefix).items()
                      if re.match(rb"[^\0]*[\\/]lumora\.exe\0", command, re.I))

    # Windows as the program's desktop sees them, through the probe.

    def probe_windows(self):
        # Every top-level window followed by its children, as the probe lists them inside the prefix.
        code, out = self.wine(self.probe, label="probe")
        check(code == 0, f"the window probe failed with exit code {code}")
        rows = [line.split("\t") for line in out.splitlines()]
        return [Win(int(r[0]), r[1], r[2] == "1", r[3], r[4], tuple(map(int, r[5].split(",")))) for r in rows
                if len(r) == 6]

    def shown(self, cls):
        return [w for w in self.probe_windows() if w.visible and w.cls == cls]

    def icon_centre(self):
        # The middle of Lumora's icon, the only one in Wine's stand-alone tray.
        left, top, width, height = wait_for(lambda: self.shown("__winex11_tray_icon"), "the tray icon window")[0].box
        return left + width // 2, top + height // 2

    def tooltip(self):
        return next((w.text for w in self.shown("tooltips_class32") if w.text), None)

    def answer(self, title, text, key):
        # Waits for the message box `title`, checks that it says exactly `text`, and answers it with `key`.
        box = wait_for(lambda: self.box(title), f'the message box "{title}"', 15)
        texts = [w.text for w in self.probe_windows() if w.depth and w.visible and w.cls == "Static" and w.text]
        check(text in texts, f'"{title}" says none of {texts}, not {text!r}')
        self.d.xdotool("windowfocus", "--sync", box, "key", key)
        wait_for(lambda: not self.box(title), f'the message box "{title}" to close')

    # Seen through X.

    def tray(self):
        # The X geometry of Wine's tray window, or None when it is not shown.
        return next((self.d.geometry(w) for w in self.d.windows(TRAY_TITLE)), None)

    def box(self, title):
        return next(iter(self.d.windows(f"^{title}$")), None)

    def overlay(self):
        # The X geometry of a visible full-screen window of Lumora's, or None.
        boxes = (self.d.geometry(w) for pid in self.pids() for w in self.d.windows(pid=pid))
        return next((b for b in boxes if b and b[2] >= WIDTH // 2 and b[3] >= HEIGHT // 2), None)

    def start_session(self):
        # Ctrl+H with the tray's window focused: Wine sees keys only while one of its windows has focus.
        self.d.xdotool("windowfocus", "--sync", self.d.windows(TRAY_TITLE)[0], "key", "ctrl+h")
        wait_for(self.overlay, "the overlay after Ctrl+H", 15)

    def session_over(self, picture, desktop):
        # Starts Lumora and a session over `picture`, then changes the desktop to `desktop`, so every later check sees
        # the overlay's still picture. Returns the overlay as first shown.
        self.d.set_background(picture)
        self.start()
        self.start_session()
        before = self.expect_screen(picture, "the overlay before the marks")
        self.d.set_background(desktop)
        return before

    def session_ended(self, by):
        wait_for(lambda: not self.overlay(), f"the overlay to go after {by}")
        wait_for(self.tray, f"the tray icon to come back after {by}")

    def menus(self):
        # The popup menus shown now (unnamed X windows narrower than half the screen) and their geometry.
        boxes = {w: self.d.geometry(w) for w in self.d.windows("^$")}
        return {w: box for w, box in boxes.items() if box and box[2] < WIDTH // 2}

    def open_menu(self, x, y):
        # Right-clicks at (x, y); returns the geometry of the popup menu that opens.
        before = self.menus()
        self.click(x, y, 3)
        box = wait_for(lambda: next((b for w, b in self.menus().items() if w not in before), None), "a popup menu")
        time.sleep(0.3)  # the menu paints after it maps
        return box

    def exit(self, answer="Return"):
        # Exit, the last item of the tray icon's menu, and `answer` to the question it asks.
        left, top, width, height = self.open_menu(*self.icon_centre())
        self.click(left + width // 3, top + height - 10)
        self.answer("Please Confirm", "Do you really want to exit Lumora?", answer)

    # The pointer; Wine merges moves less than about 60 ms apart.

    def click(self, x, y, button=1):
        self.d.xdotool("mousemove", x, y, "sleep", 0.15, "click", button)

    def hover(self, x, y, dx=-2, dy=-2):
        # Moves the pointer to (x + dx, y + dy), then onto (x, y): a move that ends there, as a person's would.
        self.d.xdotool("mousemove", x + dx, y + dy, "sleep", 0.07, "mousemove", x, y)

    def drag(self, points, key=None):
        # A left drag through `points`, with `key` held down throughout when given.
        moves = [arg for x, y in points[1:] for arg in ("sleep", 0.07, "mousemove", x, y)]
        held, let_go = (("keydown", key), ("keyup", key)) if key else ((), ())
        self.d.xdotool("mousemove", *points[0], "sleep", 0.07, *held, "mousedown", 1, *moves, "sleep", 0.07,
                       "mouseup", 1, *let_go)

    def expect_screen(self, expected, what, exclude=(), timeout=10):
        # Waits until the screen shows `expected` outside the `exclude` boxes and the banner's corner (where a session
        # shows the banner), and returns the screenshot. A failure keeps `expected` beside the screen it saw.
        self.saved["expected"] = expected
        return wait_for(lambda: (s := self.d.screenshot()) and not differences(s, expected, [*exclude, BANNER]) and s,
                        what, timeout, interval=0.2)
