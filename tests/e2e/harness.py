"""The private desktop of one end-to-end run: an Xvfb display, one booted template Wine prefix, and a fresh copy of
it per test in which Lumora.exe runs. Everything started here is stopped here, by PID or by its prefix; Wine's
output goes to files, never to pipes (its background processes would keep a pipe open for ever)."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from pictures import parse_ppm

WIDTH, HEIGHT = 1280, 800
OPTIONS_KEY = r"HKCU\Software\Quillfen\Lumora\Options"


class Failure(AssertionError):
    pass


class Skip(Exception):
    """The test cannot run here (something it needs was not built); not a failure."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, what, interval=0.1):
    """Polls until `predicate` returns something true and returns it; fails with `what` after `timeout` seconds.
    The timeout only bounds a wait for something that must happen; nothing here measures speed."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)


def stays_false(predicate, duration, interval=0.1):
    """True when `predicate` never became true during `duration` seconds: for things that must not happen."""
    deadline = time.monotonic() + duration
    while time.monotonic() < deadline:
        if predicate():
            return False
        time.sleep(interval)
    return not predicate()


class Display:
    """Xvfb on a free display number, plus the X tools the tests drive it with."""

    def __init__(self, workdir):
        self.workdir = Path(workdir)
        number_file = self.workdir / "display"
        log = open(self.workdir / "xvfb.log", "wb")
        with open(number_file, "wb") as out:
            # -noreset keeps the root background when the last client leaves.
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp",
                 "-noreset"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(out.fileno(),))
        log.close()
        try:
            text = wait_for(lambda: _complete_line(number_file), 10, "Xvfb to report its display")
        except Failure:
            self.close()
            raise
        self.name = ":" + text.strip()
        self.env = dict(os.environ, DISPLAY=self.name)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    # --- X tools (not Wine: their output may be read through pipes) ---

    def run(self, *args, check_rc=True):
        result = subprocess.run(list(args), env=self.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        if check_rc and result.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {result.stderr.decode(errors='replace').strip()}")
        return result.stdout.decode(errors="replace")

    def xdotool(self, *args):
        return self.run("xdotool", *map(str, args), check_rc=False)

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=30).stdout
        return parse_ppm(data)

    def set_background(self, picture):
        """Makes `picture` the root window's background: what the screen shows where no window is."""
        path = self.workdir / "background.ppm"
        path.write_bytes(picture.to_ppm())
        # `display -window root` sets the background and exits; its exit status is not meaningful.
        self.run("display", "-window", "root", str(path), check_rc=False)

    def visible_windows(self, pid=None, name=None):
        # Criteria are alternatives unless --all makes them conditions.
        args = ["search", "--all", "--onlyvisible"]
        if pid is not None:
            args += ["--pid", pid]
        args += ["--name", name if name is not None else ".*"]
        return [int(w) for w in self.xdotool(*args).split()]

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def drag(self, points, button=1, keys=(), pause=0.07):
        """Presses `button` at the first point, moves through the others and releases it at the last, with `keys`
        held down throughout. Wine merges moves less than about 60 ms apart, hence the pause between them."""
        self.move(*points[0])
        time.sleep(pause)
        for key in keys:
            self.xdotool("keydown", key)
        self.xdotool("mousedown", button)
        for point in points[1:]:
            time.sleep(pause)
            self.move(*point)
        time.sleep(pause)
        self.xdotool("mouseup", button)
        for key in reversed(keys):
            self.xdotool("keyup", key)

    def cursor_image(self):
        """The X cursor now shown: (width, height, xhot, yhot, RGBA bytes), or None when the server gives none."""
        return _cursor_image(self.name)


def _complete_line(path):
    try:
        text = Path(path).read_text()
    except OSError:
        return None
    return text if text.endswith("\n") else None


def _cursor_image(display_name):
    import ctypes

    try:
        x11 = ctypes.CDLL("libX11.so.6")
        xfixes = ctypes.CDLL("libXfixes.so.3")
    except OSError as missing:
        raise Failure(f"reading the pointer needs libX11 and libXfixes (Debian: libx11-6 libxfixes3): {missing}")

    class CursorImage(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                    ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                    ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                    ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        return None
    try:
        pointer = xfixes.XFixesGetCursorImage(display)
        if not pointer:
            return None
        image = pointer.contents
        rgba = bytearray()
        for i in range(image.width * image.height):
            argb = image.pixels[i] & 0xFFFFFFFF  # one 32-bit pixel per long
            a = argb >> 24
            # The server's pixels are premultiplied; undo it so the PNG shows the real colours.
            r, g, b = ((argb >> s) & 0xFF for s in (16, 8, 0))
            if a:
                r, g, b = (min(255, c * 255 // a) for c in (r, g, b))
            rgba += bytes((r, g, b, a))
        result = (image.width, image.height, image.xhot, image.yhot, bytes(rgba))
        x11.XFree(pointer)
        return result
    finally:
        x11.XCloseDisplay(display)


class WineTemplate:
    """One prefix booted per run; each test works in a copy, which takes well under a second."""

    def __init__(self, display, workdir):
        self.display = display
        self.path = Path(workdir) / "template"
        self.env = _wine_env(display, self.path)
        with open(Path(workdir) / "wineboot.log", "wb") as log:
            subprocess.run(["wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                           timeout=180)
        # The root window is the desktop: Wine places and focuses its own windows, so capture sees the X screen
        # and xdotool finds each window (message boxes, menus) as an X window.
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        # The instructions window is a start-up dialog of its own; the shell tests start without it.
        self.wine("reg", "add", OPTIONS_KEY, "/v", "Instructions on startup", "/d", "0", "/f")
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        _wait_prefix_gone(self.path)

    def wine(self, *args):
        with open(self.path.parent / "template-wine.log", "ab") as log:
            subprocess.run(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                           timeout=60)

    def close(self):
        stop_prefix(self.path, self.env)
        shutil.rmtree(self.path, ignore_errors=True)


def _wine_env(display, prefix):
    return dict(display.env, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEARCH="win64",
                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")


def prefix_processes(prefix):
    """PIDs of the processes that run in `prefix`, found by the WINEPREFIX in their environment."""
    marker = b"WINEPREFIX=" + str(prefix).encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker in f.read() + b"\0":
                    found.append(int(entry))
        except OSError:
            continue
    return found


def process_command(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().split(b"\0")[0].decode(errors="replace").strip()
    except OSError:
        return ""


def _wait_prefix_gone(prefix, timeout=10):
    deadline = time.monotonic() + timeout
    while prefix_processes(prefix) and time.monotonic() < deadline:
        time.sleep(0.05)
    return prefix_processes(prefix)


def stop_prefix(prefix, env):
    """Ends every process of `prefix`: the wineserver first, then by PID whatever is left."""
    if not Path(prefix).exists():
        return
    subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)
    for pid in _wait_prefix_gone(prefix, 5):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    _wait_prefix_gone(prefix, 5)


class Prefix:
    """A copy of the template for one test, with its wineserver kept up so each `wine` call starts quickly."""

    def __init__(self, template, workdir, name):
        self.display = template.display
        self.path = Path(workdir) / f"prefix-{name}"
        self.logs = Path(workdir) / f"logs-{name}"
        self.logs.mkdir(parents=True, exist_ok=True)
        shutil.rmtree(self.path, ignore_errors=True)
        subprocess.run(["cp", "-a", str(template.path), str(self.path)], check=True, timeout=120)
        self.env = _wine_env(self.display, self.path)
        self.launched = []
        self._log_count = 0
        subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)

    def _log(self, label):
        self._log_count += 1
        return open(self.logs / f"{self._log_count:02d}-{label}.log", "wb")

    def start(self, *args, label="wine"):
        """Starts a Windows program without waiting for it; its output goes to a log file."""
        with self._log(label) as log:
            process = subprocess.Popen(["wine", *map(str, args)], env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log, start_new_session=True)
        self.launched.append(process)
        return process

    def run(self, *args, label="wine", timeout=60):
        """Runs a Windows program to its end; returns (exit code, what it printed)."""
        out_path = self.logs / f"{self._log_count + 1:02d}-{label}.out"
        with self._log(label) as log, open(out_path, "wb") as out:
            result = subprocess.run(["wine", *map(str, args)], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=log, timeout=timeout)
        return result.returncode, out_path.read_bytes().decode("utf-8", errors="replace")

    def reg_add(self, key, name, value, kind="REG_SZ"):
        code, _ = self.run("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f", label="reg-add")
        check(code == 0, f"reg add {key} {name} failed")

    def reg_query(self, key, name):
        """The value's data as `reg query` prints it, or None when there is no such value."""
        code, out = self.run("reg", "query", key, "/v", name, label="reg-query")
        if code != 0:
            return None
        # "    NAME    TYPE    DATA": four spaces apart, since names and data may hold single spaces.
        for line in out.replace("\r", "").splitlines():
            fields = line.strip().split("    ")
            if len(fields) >= 2 and fields[0] == name and fields[1].startswith("REG_"):
                return fields[2] if len(fields) > 2 else ""
        return None

    def processes(self, image_name):
        """PIDs of the prefix's processes whose program is `image_name` (case-insensitive)."""
        wanted = image_name.lower()
        return [pid for pid in prefix_processes(self.path)
                if process_command(pid).replace("\\", "/").lower().endswith("/" + wanted)]

    def close(self):
        stop_prefix(self.path, self.env)
        for process in self.launched:
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                pass
        shutil.rmtree(self.path, ignore_errors=True)


def build_probe(source, target):
    """Compiles the window-listing helper once; later runs reuse it until its source changes."""
    source, target = Path(source), Path(target)
    if target.exists() and target.stat().st_mtime >= source.stat().st_mtime:
        return target
    compiler = shutil.which("x86_64-w64-mingw32-gcc") or shutil.which("x86_64-w64-mingw32-gcc-posix")
    if not compiler:
        raise Failure("x86_64-w64-mingw32-gcc is needed to build the window probe")
    target.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([compiler, "-O1", "-Wall", "-o", str(target), str(source)], check=True, timeout=120)
    return target


def make_workdir():
    return Path(tempfile.mkdtemp(prefix="lumora-e2e-"))
