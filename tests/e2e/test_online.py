"""The update check against a server on this machine, and the Help command. LumoraLocal.exe (built beside
Lumora.exe) asks http://127.0.0.1:00000 instead of the maker's server; each test writes its own server's port
over the zeros in a copy named Lumora.exe, so parallel runs never share a port."""

import contextlib
import shutil
import socket
import subprocess
import threading
import time
from pathlib import Path

from harness import HEIGHT, WIDTH, Skip, check, wait_for
from pictures import pattern

SLOT = b"http://127.0.0.1:00000"
DEADLINE = 5  # seconds that start-up waits for the server at most
# A urlmon.dll as a planted one would be: it leaves a mark when loaded.
PLANTED = r"""#include <windows.h>
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) CloseHandle(CreateFileA("C:\\planted-dll-loaded", GENERIC_WRITE, 0, NULL,
                                                            CREATE_ALWAYS, 0, NULL));
  return TRUE;
}
"""
QUESTION = "There is a new version of the program available. Would you like to download the latest version?"


class Server:
    """Answers every request with `body` as the version file, or with nothing ever when `body` is None."""

    def __init__(self, body):
        self.body, self.requests, self.held, self.open = body, [], [], True
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.listener.settimeout(0.2)
        self.port = self.listener.getsockname()[1]
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while self.open:
            try:
                connection, _ = self.listener.accept()
            except (TimeoutError, socket.timeout, OSError):
                continue
            self.held.append(connection)
            request = b""
            connection.settimeout(5)
            with contextlib.suppress(OSError):
                while b"\r\n\r\n" not in request and (chunk := connection.recv(4096)):
                    request += chunk
            self.requests.append(request.split(b"\r\n", 1)[0].decode(errors="replace"))
            if self.body is not None:
                body = self.body.encode()
                connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                                   b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
                connection.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.open = False
        self.thread.join(5)
        for connection in self.held + [self.listener]:
            connection.close()


def ask(app, server):
    """Makes the test start a copy of LumoraLocal.exe that asks `server`."""
    local = Path(app.exe).with_name("LumoraLocal.exe")
    if not local.is_file():
        raise Skip(f"{local.name} was not built")
    image = local.read_bytes()
    check(image.count(SLOT) == 1 and 10000 <= server.port <= 99999, f"no port slot in {local.name}")
    copy = app.logs / "local" / "Lumora.exe"
    copy.parent.mkdir()
    copy.write_bytes(image.replace(SLOT, b"http://127.0.0.1:%d" % server.port))
    app.exe = copy


def plant_urlmon(app):
    """Puts a urlmon.dll beside the program, as in a Downloads folder, and lets Wine prefer it to its own."""
    source = app.logs / "planted.c"
    source.write_text(PLANTED)
    compiler = shutil.which("x86_64-w64-mingw32-gcc") or shutil.which("x86_64-w64-mingw32-gcc-posix")
    subprocess.run([compiler, "-shared", "-o", Path(app.exe).with_name("urlmon.dll"), source], check=True)
    app.env["WINEDLLOVERRIDES"] += ";urlmon=n,b"
    return app.prefix / "drive_c" / "planted-dll-loaded"


def browser(app):
    """Makes Wine's browser launcher run a script that writes down what it was asked to open."""
    opened, script = app.logs / "opened.txt", app.logs / "browser.sh"
    script.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{opened}'\n")
    script.chmod(0o755)
    code, _ = app.wine("reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/d", script, "/f",
                       label="browser")
    check(code == 0, "could not set the browser")
    return opened


def shot_of(app, title):
    window = wait_for(lambda: app.box(title), f'the window "{title}"', 15)
    time.sleep(0.3)  # it paints after it maps
    return app.desktop.screenshot().crop(*app.desktop.geometry(window))


def test_a_newer_version_is_offered_and_yes_opens_the_download_page(app):
    opened = browser(app)
    with Server("101\r\nRelease notes follow.\r\n") as server:
        ask(app, server)
        mark = plant_urlmon(app)
        app.launch()
        wait_for(lambda: mark.exists() or app.box("Lumora - New Version"), "the new-version question", 15)
        check(not mark.exists(), "the urlmon.dll beside the program was loaded")
        app.save("question", shot_of(app, "Lumora - New Version"))
        check(not app.tray(), "the tray icon came before the question was answered")
        app.answer("Lumora - New Version", QUESTION, "Return")  # Yes is the default button
        wait_for(lambda: opened.is_file() and opened.read_text(), "the web browser", 15)
        page = f"http://127.0.0.1:{server.port}/download_file.php?file=lumora.exe"
        check(opened.read_text().split() == [page], f"the browser was asked for {opened.read_text()!r}")
        wait_for(app.tray, "the tray icon after the question", 15)
        check(server.requests == ["GET /versionfiles/lumo_version.html HTTP/1.1"], f"requests: {server.requests}")
        check(not mark.exists(), "a urlmon.dll beside the program was loaded later")


def test_a_server_that_never_answers_delays_start_up_by_the_deadline_at_most(app):
    with Server(None) as server:
        ask(app, server)
        began = time.monotonic()
        app.launch()
        wait_for(app.tray, "the tray icon", DEADLINE + 20)
        took = time.monotonic() - began
        check(server.requests, "Lumora never asked the server")
        # Wine starts the program in about half a second; the rest is the wait for the server.
        check(DEADLINE <= took <= DEADLINE + 4, f"the tray icon came {took:.1f} s after the start")

        # Exit while the download still hangs: the waiting thread does not keep the process alive.
        left, top, width, height = app.open_menu(*app.icon_centre())
        app.click(left + width // 3, top + height - 10)  # Exit, the last item
        app.answer("Please Confirm", "Do you really want to exit Lumora?", "Return")
        wait_for(lambda: not app.pids(), "Lumora.exe to end after Exit", 10)


def test_help_opens_lumora_help_and_the_session_goes_on(app):
    if not Path(app.exe).with_name("lumo.chm").is_file():
        raise Skip("lumo.chm was not built")
    d = app.desktop
    d.set_background(pattern(WIDTH, HEIGHT))
    app.start()
    app.start_session()
    app.open_menu(WIDTH // 2, HEIGHT // 2)
    d.xdotool("key", "h")  # &Help
    app.save("help", shot_of(app, "Lumora Help"))
    check([w.cls for w in app.probe_windows() if w.depth == 0 and w.text == "Lumora Help"] == ["HH Parent"],
          'the "Lumora Help" window is not the help viewer')
    # The help window is large enough to pass for the overlay, so look for the full-screen window itself.
    full_screen = lambda: any(d.geometry(w) == (0, 0, WIDTH, HEIGHT) for pid in app.pids() for w in d.windows(pid=pid))
    check(full_screen() and not app.tray(), "the session ended when the help opened")
    app.save("help-over-session", d.screenshot())
    d.xdotool("key", "ctrl+h")
    wait_for(lambda: app.tray() and not full_screen(), "the session to end on Ctrl+H with the help open")
