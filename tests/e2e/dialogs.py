# The program's windows as a user meets them: options, the guidance windows and the banner, help, and the update check
# against a server on this machine. LumoraLocal.exe (built beside Lumora.exe) asks http://127.0.0.1:00000 instead of
# the maker's server; a scenario writes its own server's port over the zeros in a copy named Lumora.exe, so parallel
# runs never share a port.

import http.server
import shutil
import subprocess
import threading
import time
from pathlib import Path

from desktop import (BANNER, HEIGHT, OPTIONS_KEY, RUN_KEY, WIDTH, check, differences, highlighted, pattern, solid,
                     wait_for)

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


class Server(http.server.ThreadingHTTPServer):
    # Answers every request with `body` as the version file, or with nothing ever when `body` is None. Its thread
    # and the connections it holds end with the test's program.
    daemon_threads = True

    def __init__(self, body):
        super().__init__(("127.0.0.1", 0), Answer)
        self.body, self.requests, self.port = body, [], self.server_address[1]
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def __exit__(self, *_):
        self.shutdown()
        self.server_close()


class Answer(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.requests.append(self.requestline)
        if self.server.body is None:
            self.rfile.read()  # until the client goes
            return
        body = self.server.body.encode()
        self.send_response(200)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *_):
        pass


def ask(app, server):
    # Makes the test start a copy of LumoraLocal.exe that asks `server`.
    local = Path(app.exe).with_name("LumoraLocal.exe")
    image = local.read_bytes()
    copy = app.logs / "local" / "Lumora.exe"
    copy.parent.mkdir()
    copy.write_bytes(image.replace(SLOT, b"http://127.0.0.1:%d" % server.port))
    app.exe = copy


def browser(app):
    # Makes Wine's browser launcher run a script that writes down what it was asked to open.
    opened, script = app.logs / "opened.txt", app.logs / "browser.sh"
    script.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{opened}'\n")
    script.chmod(0o755)
    app.option("Browsers", str(script), key=r"HKCU\Software\Wine\WineBrowser")
    return opened


def look(app, title, label):
    # Waits for the window `title` and keeps a screenshot of it for people to look at.
    wait_for(lambda: app.box(title), f'the window "{title}"', 15)
    time.sleep(0.3)  # it paints after it maps
    app.saved[label] = app.d.screenshot()


def static(app, text):
    # The probe's record of the visible text `text` in one of the program's windows, or None.
    return next((w for w in app.probe_windows() if w.visible and w.cls == "Static" and w.text == text), None)


def test_a_newer_version_is_offered_and_yes_opens_the_download_page(app):
    opened = browser(app)
    with Server("101\r\nRelease notes follow.\r\n") as server:
        ask(app, server)
        # A urlmon.dll beside the program, as in a Downloads folder, that Wine would prefer to its own.
        (app.logs / "planted.c").write_text(PLANTED)
        compiler = shutil.which("x86_64-w64-mingw32-gcc") or shutil.which("x86_64-w64-mingw32-gcc-posix")
        subprocess.run([compiler, "-shared", "-o", Path(app.exe).with_name("urlmon.dll"), app.logs / "planted.c"],
                       check=True)
        app.env["WINEDLLOVERRIDES"] += ";urlmon=n,b"
        mark = app.prefix / "drive_c" / "planted-dll-loaded"
        app.launch()
        look(app, "Lumora - New Version", "question")
        check(not app.tray(), "the tray icon came before the question was answered")
        app.answer("Lumora - New Version", QUESTION, "Return")  # Yes is the default button
        wait_for(lambda: opened.is_file() and opened.read_text(), "the web browser", 15)
        page = f"http://127.0.0.1:{server.port}/download_file.php?file=lumora.exe"
        check(opened.read_text().split() == [page], f"the browser was asked for {opened.read_text()!r}")
        wait_for(app.tray, "the tray icon after the question", 15)
        check(server.requests == ["GET /versionfiles/lumo_version.html HTTP/1.1"], f"requests: {server.requests}")
        check(not mark.exists(), "the urlmon.dll beside the program was loaded")


def test_a_server_that_never_answers_delays_start_up_by_the_deadline_at_most(app):
    with Server(None) as server:
        ask(app, server)
        began = time.monotonic()
        app.launch()
        wait_for(app.tray, "the tray icon", DEADLINE + 20)
        took = time.monotonic() - began
        # Wine starts the program in about half a second; the rest is the wait for the server.
        check(DEADLINE <= took <= DEADLINE + 4, f"the tray icon came {took:.1f} s after the start")

        # Exit while the download still hangs: the waiting thread does not keep the process alive.
        app.exit()
        wait_for(lambda: not app.pids(), "Lumora.exe to end after Exit", 10)


def test_options_start_from_the_defaults_over_unusable_settings_recolour_the_marks_and_keep_the_run_entry(app):
    garbage = app.logs / "garbage.reg"
    garbage.write_text('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Lumora\\Options]\n'
                       f'"Line Width"="{"1" * (1 << 20)}"\n"Color"=dword:000000ff\n"Instructions on startup"="-1"\n'
                       '"Start with Windows"="4294967308"\n"Show Banner Message"="abc"\n')
    check(app.wine("regedit", "/S", "Z:" + str(garbage).replace("/", "\\"), label="regedit")[0] == 0, "regedit")
    before = app.session_over(pattern(), solid((32, 64, 160)))
    app.drag([(x, 150) for x in range(100, 501, 50)])  # the default yellow, 10 pixels wide
    app.drag([(150, 300), (250, 380), (400, 450)], key="shift")
    app.open_menu(700, 600)
    app.d.xdotool("key", "o")  # &Options
    look(app, "Lumora Options", "options")
    # The keyboard alone: the selected colour (yellow) has the focus; Up picks magenta, Tab reaches the slider,
    # End takes it to its widest, and Enter presses OK. Strokes keep their colour; rectangles take the new one.
    app.d.xdotool("key", "--delay", 150, "Up", "Tab", "End", "Return")
    wait_for(lambda: not app.box("Lumora Options"), "the options dialog to close")
    expected, exclude = highlighted(before, [((100, 146, 401, 9), (93, 143, 415, 15))], (255, 255, 0))
    expected, more = highlighted(expected, [((150, 300, 250, 150), (149, 299, 252, 152))], (255, 0, 255))
    app.expect_screen(expected, "the stroke in the default colour, the rectangle in magenta", exclude + more)
    stored = app.values(OPTIONS_KEY)
    check((stored.get("Color"), stored.get("Line Width"), stored.get("Start with Windows")) == ("16711935", "50", "1"),
          "the options dialog stored other values")
    entry = app.values(RUN_KEY).get("Lumora", "")
    check(entry.startswith('"') and entry.lower().endswith('lumora.exe"'),
          f"the Run entry is not the quoted program path: {entry!r}")


def test_instructions_banner_quick_reference_about_and_help(app):
    app.option("Instructions on startup", "1")
    opened = browser(app)
    app.d.set_background(pattern())
    app.launch()
    look(app, "Lumora Instructions", "instructions")
    app.d.xdotool("key", "--delay", 150, "shift+Tab", "space", "Return")  # from OK back to the box, untick, OK
    wait_for(app.tray, "the tray icon after the instructions")
    check(app.values(OPTIONS_KEY).get("Instructions on startup") == "0", "unticking the box and OK did not store 0")

    # The banner sits in the top-left corner of the session, and only there.
    app.start_session()
    shot = wait_for(lambda: (s := app.d.screenshot()) and differences(s, pattern(), [BANNER]) == [] and s,
                    "the overlay with nothing but the banner over the picture")
    check(len(differences(shot, pattern())) > 340 * 56 // 2, "no banner in the top-left corner")

    # A double click slides it out; its dialog explains how to bring it back, and OK stores the unticked box.
    app.d.xdotool("mousemove", 250, 15, "click", "--repeat", 2, "--delay", 80, 1)
    text = "Move the cursor to the very top-left corner of the screen to bring back the notification banner."
    wait_for(lambda: static(app, text), "the banner's dialog", 15)
    app.d.xdotool("key", "Return")
    wait_for(lambda: not static(app, text), "the banner's dialog to close")
    check(app.values(OPTIONS_KEY).get("Show Banner Message") == "0", "OK with the box unticked did not store 0")
    wait_for(lambda: not differences(app.d.screenshot(), pattern()), "the overlay with the banner slid out")
    app.d.xdotool("mousemove", 5, 5, "sleep", 0.1, "mousemove", 0, 0)
    wait_for(lambda: len(differences(app.d.screenshot(), pattern())) > 340 * 56 // 2, "the banner to come back")

    # Its "Quick Reference" link opens the card; the about window's web link reaches the browser.
    app.click(94, 40)
    look(app, "Lumora - Quick Reference", "quick-reference")
    app.d.xdotool("key", "Return")
    wait_for(lambda: not app.box("Lumora - Quick Reference"), "the quick reference to close")
    app.open_menu(700, 600)
    app.d.xdotool("key", "a")  # &About
    look(app, "About Lumora", "about")
    left, top, width, height = wait_for(lambda: static(app, "www.quillfen.example"), "the web link").box
    app.click(left + width // 2, top + height // 2)
    wait_for(lambda: opened.is_file() and opened.read_text(), "the web browser", 15)
    check(opened.read_text().split() == ["https://www.quillfen.example/"], f"the browser got {opened.read_text()!r}")
    app.d.xdotool("key", "ctrl+h")  # under the about window the session neither ends nor starts again
    time.sleep(1.5)
    check(app.box("About Lumora") and app.overlay() and not app.tray(), "Ctrl+H acted under the about window")
    app.d.xdotool("key", "Return")
    wait_for(lambda: not app.box("About Lumora"), "the about window to close")

    # Help opens the help viewer over the session, and Ctrl+H still ends the session.
    app.open_menu(700, 600)
    app.d.xdotool("key", "h")  # &Help
    look(app, "Lumora Help", "help")
    check([w.cls for w in app.probe_windows() if w.depth == 0 and w.text == "Lumora Help"] == ["HH Parent"],
          'the "Lumora Help" window is not the help viewer')
    # The help window is large enough to pass for the overlay, so look for the full-screen window itself.
    d = app.d
    full_screen = lambda: any(d.geometry(w) == (0, 0, WIDTH, HEIGHT) for pid in app.pids() for w in d.windows(pid=pid))
    check(full_screen() and not app.tray(), "the session ended when the help opened")
    d.xdotool("key", "ctrl+h")
    wait_for(lambda: app.tray() and not full_screen(), "the session to end on Ctrl+H with the help open")
