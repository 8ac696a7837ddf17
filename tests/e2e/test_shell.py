"""Lumora.exe as a user meets it: the hotkey, the tray icon and its menu, the overlay, a second start and the
settings read from the registry. Each test gets a fresh prefix with Lumora.exe not yet started."""

from pathlib import Path

from harness import HEIGHT, WIDTH, Skip, check, stays_false, wait_for
from pictures import highlighted, pattern, solid

PATTERN = pattern(WIDTH, HEIGHT)
BLUE = solid(WIDTH, HEIGHT, (32, 64, 160))
# Long enough for a session to have started if a key or click had started one (it waits one second first).
NOTHING_HAPPENS = 2.5


def test_win32_backend_checks(app):
    """The backend's own GoogleTest checks, cross-built next to Lumora.exe, run on this desktop."""
    checks = Path(app.exe).with_name("lumora_backend_tests.exe")
    if not checks.is_file():
        raise Skip(f"{checks.name} was not built")
    app.desktop.set_background(PATTERN)
    code, out = app.wine(checks, "--gtest_brief=1", label="backend-checks", timeout=180)
    check(code == 0, "backend checks failed:\n" + "\n".join(out.splitlines()[-20:]))  # brief: failures only


def test_hotkey_session_shows_a_still_full_screen_picture(app):
    d = app.desktop
    d.set_background(PATTERN)
    app.start()
    app.expect_screen(PATTERN, "the test pattern on the screen", exclude=[app.tray()])

    # Exactly Ctrl+H toggles: with Shift or Alt as well it does nothing.
    app.hotkey("ctrl+shift+h", "ctrl+alt+h")
    check(stays_false(app.overlay, NOTHING_HAPPENS), "Ctrl+Shift+H or Ctrl+Alt+H started a session")

    app.start_session()
    check(app.overlay() == (0, 0, WIDTH, HEIGHT), f"the overlay covers {app.overlay()}, not the whole screen")
    wait_for(lambda: not app.tray(), "the tray icon to go during the session")
    # The tray icon had gone before the photograph, so the picture is the pattern alone, pixel for pixel.
    app.expect_screen(PATTERN, "the overlay showing the captured screen full-size and unscaled")

    # A still picture: what the desktop shows underneath no longer matters.
    d.set_background(BLUE)
    app.save("overlay", app.expect_screen(PATTERN, "the overlay after the desktop underneath changed", timeout=0))
    app.highlighter()

    # Ctrl+H again: the overlay goes, the tray icon comes back, the desktop shows through.
    d.xdotool("key", "ctrl+h")
    app.session_ended("the second Ctrl+H")
    app.expect_screen(BLUE, "the desktop after the session", exclude=[app.tray()])


def test_tray_icon_tip_double_click_and_exit(app):
    d = app.desktop
    d.set_background(PATTERN)
    app.start()
    check(app.tray_tip() == "Lumora", "the tray icon's tip is not \"Lumora\"")

    # A single click does nothing; a double click starts a session.
    app.click(*app.icon_centre())
    check(stays_false(app.overlay, NOTHING_HAPPENS), "a single click on the tray icon started a session")
    d.xdotool("click", "--repeat", 2, "--delay", 80, 1)
    wait_for(app.overlay, "the overlay after a double click on the tray icon", 15)
    app.expect_screen(PATTERN, "the overlay after a double click")

    # Stopping brings the same icon back with the same tip.
    d.xdotool("key", "ctrl+h")
    app.session_ended("Ctrl+H")
    check(app.tray_tip() == "Lumora", "the tray icon came back without its tip")

    def exit_answered(key):
        left, top, width, height = app.open_menu(*app.icon_centre())
        app.save("tray-menu", d.screenshot().crop(0, 0, left + width + 40, top + height + 40))
        app.click(left + width // 3, top + height - 10)  # Exit, the last item
        app.answer("Please Confirm", "Do you really want to exit Lumora?", key)

    pids = app.pids()
    exit_answered("n")
    check(app.pids() == pids and app.tray(), "Exit answered No ended the program or removed its icon")
    exit_answered("Return")
    wait_for(lambda: not app.pids(), "Lumora.exe to end after Exit", 15)
    check(not app.tray(), "the tray icon stayed after Exit")


def test_second_start_is_refused_and_the_icon_survives_a_shell_restart(app):
    d = app.desktop
    d.set_background(PATTERN)
    app.start()
    first = app.pids()
    # The icon's own pixels: the tray window's caption changes with the focus, the icon must not.
    [icon] = [w.box for w in app.shown("__winex11_tray_icon")]
    icon_before = d.screenshot().crop(*icon)

    second = app.launch()
    wait_for(lambda: app.box("Message"), 'the "Message" box of a second start', 15)
    check([w.box for w in app.shown("__winex11_tray_icon")] == [icon], "a second start added a tray icon")
    app.answer("Message", "Lumora is already running.", "Return")
    wait_for(lambda: second.poll() is not None, "the second Lumora.exe to end", 15)
    check(app.pids() == first, f"Lumora processes after the second start: {app.pids()}, before: {first}")
    check(d.screenshot().crop(*icon).rgb == icon_before.rgb, "the first instance's tray icon changed")

    # What a restarting shell does: it forgets every icon, then tells every program it is back.
    form = [w for w in app.probe_windows() if w.depth == 0 and w.cls == "Lumora.Form"]
    check(len(form) == 1, f"expected one Lumora window, found {form}")
    code, _ = app.wine(app.probe, "drop-icon", form[0].handle, 1, label="drop-icon")
    check(code == 0, "the shell did not know Lumora's icon (window, id 1)")
    wait_for(lambda: not app.tray(), "the tray to lose the icon")
    app.wine(app.probe, "broadcast", "TaskbarCreated", label="broadcast")
    wait_for(app.tray, "the icon to come back after TaskbarCreated")
    check(app.tray_tip() == "Lumora", "the icon came back without its tip")

    # The first instance still owns the hotkey.
    app.start_session()


def test_registry_colour_and_width_draw_the_stroke(app):
    app.desktop.set_background(PATTERN)
    app.reg_add("Color", "255")  # 0x0000FF: red
    app.reg_add("Line Width", "20")
    app.start()
    app.start_session()
    before = app.expect_screen(PATTERN, "the overlay before drawing")

    app.drag([(x, 300) for x in range(200, 601, 40)])
    # Red AND the picture along the pen's middle 19 rows; 13 pixels from the middle and beyond, nothing changed.
    expected, exclude = highlighted(before, [((200, 291, 401, 19), (188, 288, 425, 25))], (255, 0, 0))
    app.save("stroke", app.expect_screen(expected, "the red 20-pixel stroke", exclude).crop(150, 250, 500, 100))

    # Start-up reads the settings; it does not rewrite them.
    check(app.reg_query("Color") == "255", "the stored colour changed")
    check(app.reg_query("Line Width") == "20", "the stored width changed")
