"""The private desktop of one end-to-end run: an Xvfb display, the X tools that drive it, and one booted template
Wine prefix that each test copies. Everything started here is stopped here, by PID or by its prefix; Wine's output
goes to files, never to pipes (its background processes would keep a pipe open for ever)."""

import contextlib
import ctypes
import os
import signal
import struct
import subprocess
import time
from collections import namedtuple
from pathlib import Path

from pictures import Picture, save_png

WIDTH, HEIGHT = 1280, 800
OPTIONS_KEY = r"HKCU\Software\Quillfen\Lumora\Options"


class Failure(AssertionError):
    pass


class Skip(Exception):
    """The test cannot run here (something it needs was not built); not a failure."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, what, timeout=10, interval=0.1):
    """Polls until `predicate` returns something true, and returns that; the timeout only bounds the wait."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)
    return value


def stays_false(predicate, duration):
    """For what must not happen: True when `predicate` stayed false for `duration` seconds."""
    try:
        wait_for(predicate, "", duration)
        return False
    except Failure:
        return True


def run(args, env, log=subprocess.DEVNULL, timeout=60, out=None, check=False):
    return subprocess.run([str(a) for a in args], env=env, stdin=subprocess.DEVNULL, stdout=out or log, stderr=log,
                          timeout=timeout, check=check)


class Cursor(namedtuple("Cursor", "width height hot bgra")):
    def save(self, path):
        save_png(path, self.width, self.height, "bgra", self.bgra)


class XFixesCursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]


class Desktop:
    def __init__(self, workdir):
        self.workdir, self.template, self.xvfb, self.env = workdir, workdir / "template", None, dict(os.environ)

    def start(self):
        """Starts Xvfb on a free display and boots the template prefix; `close` undoes whatever of it was done."""
        number = self.workdir / "display"
        with open(number, "wb") as out, open(self.workdir / "xvfb.log", "wb") as log:
            # -noreset keeps the root background when the last client leaves.
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0",
                                          f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(out.fileno(),))
        name = wait_for(lambda: (text := number.read_text()).endswith("\n") and text.strip(), "Xvfb's display")
        self.env = dict(os.environ, DISPLAY=":" + name)
        env = self.wine_env(self.template)
        with open(self.workdir / "wineboot.log", "wb") as log:
            run(["wineboot", "-i"], env, log, timeout=180)
            # The root window is the desktop: Wine places and focuses its own windows, so capture sees the X screen
            # and xdotool finds each window (message boxes, menus) as an X window.
            run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env, log)
            # The instructions window is a start-up dialog of its own; the tests start without it.
            run(["wine", "reg", "add", OPTIONS_KEY, "/v", "Instructions on startup", "/d", "0", "/f"], env, log)
        stop_prefix(self.template, env)  # the server writes the registry to disk as it ends

    def close(self):
        if self.xvfb:
            stop_prefix(self.template, self.wine_env(self.template))
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()

    def wine_env(self, prefix):
        return dict(self.env, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEARCH="win64",
                    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")

    def tool(self, *args):
        """Runs an X tool (not Wine: its output may be read through a pipe) and returns its output."""
        return subprocess.run([str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=30).stdout

    def xdotool(self, *args):
        return self.tool("xdotool", *args).decode(errors="replace")

    def screenshot(self):
        return Picture(WIDTH, HEIGHT, self.tool("import", "-window", "root", "-depth", "8", "rgb:-"))

    def set_background(self, picture):
        """Makes `picture` what the screen shows where no window is."""
        path = self.workdir / "background.rgb"
        path.write_bytes(picture.rgb)
        self.tool("display", "-window", "root", "-size", f"{picture.width}x{picture.height}", "-depth", "8",
                  f"rgb:{path}")

    def windows(self, name=".*", pid=None):
        """Visible X windows whose name matches `name` and, given `pid`, of that process (--all: both must hold)."""
        of_pid = ["--pid", pid] if pid else []
        return [int(w) for w in self.xdotool("search", "--all", "--onlyvisible", *of_pid, "--name", name).split()]

    def geometry(self, window):
        """(left, top, width, height), or None when the window has gone."""
        lines = self.xdotool("getwindowgeometry", "--shell", window).splitlines()
        values = dict(line.split("=", 1) for line in lines if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None

    def cursor(self):
        """The pointer image the X server shows now, or None."""
        x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XCloseDisplay.argtypes = x11.XFree.argtypes = xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(XFixesCursorImage)
        display = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        image = xfixes.XFixesGetCursorImage(display) if display else None
        try:
            if not image:
                return None
            i = image.contents
            # One premultiplied ARGB pixel per long: packed little-endian they are BGRA bytes.
            pixels = (i.pixels[n] & 0xFFFFFFFF for n in range(i.width * i.height))
            return Cursor(i.width, i.height, (i.xhot, i.yhot), struct.pack(f"<{i.width * i.height}I", *pixels))
        finally:
            if image:
                x11.XFree(image)
            if display:
                x11.XCloseDisplay(display)


def prefix_processes(prefix):
    """The processes that run in `prefix` (found by the WINEPREFIX in their environment) and their command lines."""
    marker = b"\0WINEPREFIX=" + str(prefix).encode() + b"\0"
    found = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError):
            if marker in b"\0" + Path(f"/proc/{pid}/environ").read_bytes() + b"\0":
                found[int(pid)] = Path(f"/proc/{pid}/cmdline").read_bytes()
    return found


def stop_prefix(prefix, env):
    """Ends every process of `prefix`: its wineserver first, then by PID whatever is left."""
    def left_after(seconds):
        deadline = time.monotonic() + seconds
        while (pids := prefix_processes(prefix)) and time.monotonic() < deadline:
            time.sleep(0.05)
        return pids

    if prefix.exists():
        run(["wineserver", "-k"], env, timeout=30)
        for pid in left_after(10):
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
        left_after(5)
