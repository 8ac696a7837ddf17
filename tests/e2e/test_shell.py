"""Lumora.exe as a user meets it: the hotkey, the tray icon and its menu, the overlay, a second start and the
settings read from the registry. Each test gets a fresh prefix with Lumora.exe not yet started."""

import time
from pathlib import Path

from harness import HEIGHT, OPTIONS_KEY, WIDTH, Skip, check, stays_false, wait_for
from pictures import coordinate_pattern, mask, solid

PATTERN = coordinate_pattern(WIDTH, HEIGHT)
BLUE = solid(WIDTH, HEIGHT, (32, 64, 160))
# Long enough for a session to have started if a key or click had started one (it waits one second first).
NOTHING_HAPPENS = 2.5


def start_session_with_hotkey(app):
    app.focus_tray()
    app.display.key("ctrl+h")
    wait_for(app.overlay_shown, 15, "the overlay after Ctrl+H")


def test_hotkey_session_shows_a_still_full_screen_picture(app):
    d = app.display
    d.set_background(PATTERN)
    app.start()
    tray = app.tray_box()
    app.expect_screen(PATTERN, "the test pattern on the screen", exclude=[tray])

    # Exactly Ctrl+H toggles: with Shift or Alt as well it does nothing.
    app.focus_tray()
    d.key("ctrl+shift+h")
    d.key("ctrl+alt+h")
    check(stays_false(app.overlay_shown, NOTHING_HAPPENS), "Ctrl+Shift+H or Ctrl+Alt+H started a session")

    start_session_with_hotkey(app)
    check(app.overlay_geometry() == (0, 0, WIDTH, HEIGHT),
          f"the overlay covers {app.overlay_geometry()}, not the whole {WIDTH}x{HEIGHT} screen")
    wait_for(lambda: not app.tray_shown(), 10, "the tray icon to go during the session")
    # The tray icon had gone before the photograph, so the picture is the pattern alone, pixel for pixel.
    app.expect_screen(PATTERN, "the overlay showing the captured screen full-size and unscaled")

    # A still picture: what the desktop shows underneath no longer matters.
    d.set_background(BLUE)
    shot = d.screenshot()
    for x, y in [(0, 0), (WIDTH - 1, 0), (0, HEIGHT - 1), (WIDTH - 1, HEIGHT - 1), (WIDTH // 2, HEIGHT // 2),
                 (13, 32), (1003, 517)]:
        check(shot.at(x, y) == PATTERN.at(x, y),
              f"overlay pixel ({x},{y}) is {shot.at(x, y)}, the captured screen had {PATTERN.at(x, y)}")
    check(not shot.differences(PATTERN), "the overlay changed when the desktop underneath changed")
    app.artifacts("overlay", shot)

    # Over the overlay the pointer is the program's 32 x 32 highlighter, hot spot in the middle.
    d.move(WIDTH // 2 - 40, HEIGHT // 2)
    time.sleep(0.1)
    d.move(WIDTH // 2, HEIGHT // 2)
    cursor = wait_for(lambda: (lambda c: c if c and c[:2] == (32, 32) else None)(d.cursor_image()), 5,
                      "the highlighter pointer over the overlay")
    check(cursor[2:4] == (16, 16), f"the highlighter's hot spot is at {cursor[2:4]}, not the centre")
    app.artifacts("pointer", cursor)

    # Ctrl+H again: the overlay goes, the tray icon comes back, the desktop shows through.
    d.key("ctrl+h")
    wait_for(lambda: not app.overlay_shown(), 10, "the overlay to go after the second Ctrl+H")
    wait_for(app.tray_shown, 10, "the tray icon to come back")
    app.expect_screen(BLUE, "the desktop after the session", exclude=[app.tray_box()])


def test_tray_icon_tip_double_click_and_exit(app):
    d = app.display
    d.set_background(PATTERN)
    app.start()
    check(app.tray_tip() == "Lumora", "the tray icon's tip is not \"Lumora\"")

    # A single click does nothing; a double click starts a session.
    icon = app.tray_icon()
    d.move(*icon.centre)
    time.sleep(0.15)
    d.xdotool("click", 1)
    check(stays_false(app.overlay_shown, NOTHING_HAPPENS), "a single click on the tray icon started a session")
    d.xdotool("click", "--repeat", 2, "--delay", 80, 1)
    wait_for(app.overlay_shown, 15, "the overlay after a double click on the tray icon")
    app.expect_screen(PATTERN, "the overlay after a double click")

    # Stopping brings the same icon back with the same tip.
    d.key("ctrl+h")
    wait_for(lambda: not app.overlay_shown(), 10, "the overlay to go")
    wait_for(app.tray_shown, 10, "the tray icon to come back")
    check(app.tray_tip() == "Lumora", "the tray icon came back without its tip")

    # Exit answered No changes nothing.
    menu = app.open_tray_menu()
    app.artifacts("tray-menu", d.screenshot().crop(0, 0, menu[0] + menu[2] + 40, menu[1] + menu[3] + 40))
    pid = app.pids()
    app.click_last_menu_item(menu)
    wait_for(lambda: app.box("Please Confirm"), 10, 'the "Please Confirm" box after Exit')
    check(app.box_texts("Please Confirm") == ["Do you really want to exit Lumora?"],
          f"the exit question reads {app.box_texts('Please Confirm')}")
    app.answer_box("Please Confirm", "n")
    check(app.pids() == pid and app.tray_shown(), "Exit answered No ended the program or removed its icon")

    # Exit answered Yes ends the program and takes the icon away.
    app.click_last_menu_item(app.open_tray_menu())
    app.answer_box("Please Confirm", "Return")
    wait_for(lambda: not app.pids(), 15, "Lumora.exe to end after Exit")
    check(not app.tray_shown(), "the tray icon stayed after Exit")


def test_second_start_is_refused(app):
    d = app.display
    d.set_background(PATTERN)
    app.start()
    first = app.pids()
    # The icon's own pixels: the tray window's caption changes with the focus, the icon must not.
    icon = app.tray_icon().box
    icon_before = d.screenshot().crop(*icon)

    second = app.launch()
    wait_for(lambda: app.box("Message"), 15, 'the "Message" box of a second start')
    check(app.box_texts("Message") == ["Lumora is already running."],
          f"the second start says {app.box_texts('Message')}")
    check([w.box for w in app.windows() if w.visible and w.cls == "__winex11_tray_icon"] == [icon],
          "a second start added a tray icon")
    app.answer_box("Message", "Return")
    wait_for(lambda: second.poll() is not None, 15, "the second Lumora.exe to end")
    check(app.pids() == first, f"Lumora processes after the second start: {app.pids()}, before: {first}")

    # The first instance is untouched: same icon, the hotkey still its own.
    check(d.screenshot().crop(*icon).rgb == icon_before.rgb, "the first instance's tray icon changed")
    start_session_with_hotkey(app)


def test_tray_icon_comes_back_when_the_shell_restarts(app):
    app.start()
    # What a restarting shell does: it forgets every icon, then tells every program it is back.
    overlay = [w for w in app.windows() if w.depth == 0 and w.cls == "Lumora.Form"]
    check(len(overlay) == 1, f"expected one Lumora window, found {overlay}")
    code, _ = app.prefix.run(app.probe, "drop-icon", overlay[0].handle, 1, label="drop-icon")
    check(code == 0, "the shell did not know Lumora's icon (window, id 1)")
    wait_for(lambda: not app.tray_shown(), 10, "the tray to lose the icon")
    app.prefix.run(app.probe, "broadcast", "TaskbarCreated", label="broadcast")
    wait_for(app.tray_shown, 10, "the icon to come back after TaskbarCreated")
    check(app.tray_tip() == "Lumora", "the icon came back without its tip")


def test_registry_colour_and_width_draw_the_stroke(app):
    d = app.display
    d.set_background(PATTERN)
    app.prefix.reg_add(OPTIONS_KEY, "Color", "255")  # 0x0000FF: red
    app.prefix.reg_add(OPTIONS_KEY, "Line Width", "20")
    app.start()
    start_session_with_hotkey(app)
    before = app.expect_screen(PATTERN, "the overlay before drawing")

    # A left drag along y = 300 from x = 200 to x = 600.
    d.move(200, 300)
    time.sleep(0.1)
    d.xdotool("mousedown", 1)
    for x in range(240, 601, 40):
        d.move(x, 300)
        time.sleep(0.08)  # separate moves, or Wine merges them
    d.xdotool("mouseup", 1)
    after = wait_for(lambda: (lambda s: s if s.at(400, 300) != before.at(400, 300) else None)(d.screenshot()),
                     10, "the stroke on the overlay")
    app.artifacts("stroke", after.crop(150, 250, 500, 100))

    red = (255, 0, 0)
    for x in range(200, 601, 25):
        for y in range(291, 310):  # within the 20-pixel pen
            check(after.at(x, y) == mask(before.at(x, y), red),
                  f"({x},{y}) is {after.at(x, y)}, expected red AND the picture {mask(before.at(x, y), red)}")
        for y in (287, 313):  # beyond it
            check(after.at(x, y) == before.at(x, y), f"({x},{y}) changed outside the pen width")
    check(after.at(400, 200) == before.at(400, 200) and after.at(700, 300) == before.at(700, 300),
          "pixels away from the stroke changed")

    # Start-up reads the settings; it does not rewrite them.
    check(app.prefix.reg_query(OPTIONS_KEY, "Color") == "255", "the stored colour changed")
    check(app.prefix.reg_query(OPTIONS_KEY, "Line Width") == "20", "the stored width changed")


def test_stamp_tooltip_pointer_and_overlay_menu(app):
    d = app.display
    d.set_background(PATTERN)
    app.start()
    start_session_with_hotkey(app)
    before = app.expect_screen(PATTERN, "the overlay before the stamp")
    d.move(WIDTH // 2 + 100, HEIGHT // 2)
    time.sleep(0.1)
    d.move(WIDTH // 2, HEIGHT // 2)
    highlighter = wait_for(lambda: (lambda c: c if c and c[:2] == (32, 32) else None)(d.cursor_image()), 5,
                           "the highlighter pointer")

    # S held and a click: a smiley with the middle of its left edge on the click.
    d.move(400, 400)
    d.xdotool("keydown", "s")
    time.sleep(0.1)
    d.xdotool("click", 1)
    time.sleep(0.1)
    d.xdotool("keyup", "s")
    after = wait_for(lambda: (lambda s: s if s.crop(400, 385, 30, 30).rgb != before.crop(400, 385, 30, 30).rgb
                              else None)(d.screenshot()), 10, "the stamp on the overlay")
    app.artifacts("stamp", after.crop(360, 350, 120, 100))
    check(after.crop(300, 300, 90, 200).rgb == before.crop(300, 300, 90, 200).rgb,
          "the stamp reaches left of the click")

    # Over the stamp: its tooltip after the usual pause, and the four-arrow pointer instead of the highlighter.
    d.move(410, 398)
    time.sleep(0.1)
    d.move(412, 400)

    def tip():
        tips = [w.text for w in app.windows() if w.visible and w.cls == "tooltips_class32" and w.text]
        return tips[0] if tips else None

    text = wait_for(tip, 10, "the stamp's tooltip", interval=0.3)
    check(text == "Click and drag to move. Right-click to remove.", f"the stamp's tooltip reads {text!r}")
    app.artifacts("stamp-tooltip", d.screenshot().crop(360, 350, 400, 120))
    pointer = d.cursor_image()
    check(pointer and pointer[4] != highlighter[4], "the pointer over a stamp is still the highlighter")
    app.artifacts("stamp-pointer", pointer)

    # Leaving the stamp takes the tip away.
    d.move(700, 600)
    wait_for(lambda: not tip(), 10, "the tooltip to go when the pointer leaves the stamp", interval=0.3)

    # A right click on the overlay opens the program menu at that point; its first item ends the session.
    menu = app.open_menu_at(700, 600)
    check(menu[:2] == (700, 600), f"the overlay's menu opened at {menu[:2]}, not at the click (700, 600)")
    app.artifacts("overlay-menu", d.screenshot().crop(650, 550, menu[2] + 100, menu[3] + 100))
    d.move(menu[0] + menu[2] // 3, menu[1] + 10)
    time.sleep(0.15)
    d.xdotool("click", 1)
    wait_for(lambda: not app.overlay_shown(), 10, "the overlay to go after \"Stop highlighting\"")
    wait_for(app.tray_shown, 10, "the tray icon to come back")


def test_win32_backend_checks(app):
    """The backend's own GoogleTest checks, cross-built next to Lumora.exe, run on this desktop."""
    checks = Path(app.exe).with_name("lumora_backend_tests.exe")
    if not checks.is_file():
        raise Skip(f"{checks.name} was not built")
    app.display.set_background(PATTERN)
    code, out = app.prefix.run(checks, "--gtest_brief=1", label="backend-checks", timeout=180)
    failed = [line for line in out.splitlines() if "Failure" in line or "FAILED" in line or "error" in line]
    check(code == 0, "backend checks failed:\n" + "\n".join(failed[:20] or out.splitlines()[-20:]))


TESTS = [
    test_win32_backend_checks,
    test_hotkey_session_shows_a_still_full_screen_picture,
    test_tray_icon_tip_double_click_and_exit,
    test_second_start_is_refused,
    test_tray_icon_comes_back_when_the_shell_restarts,
    test_registry_colour_and_width_draw_the_stroke,
    test_stamp_tooltip_pointer_and_overlay_menu,
]
