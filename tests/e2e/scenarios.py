# Lumora.exe as a user meets it, one scenario per function, each in a fresh prefix with Lumora not yet started.

import math
import re
import subprocess
from pathlib import Path

from desktop import BANNER, HEIGHT, WIDTH, Picture, check, differences, grow, highlighted, pattern, solid, wait_for

PATTERN = pattern()
BLUE = solid((32, 64, 160))


def test_win32_backend_checks(app):
    # The backend's own GoogleTest checks, cross-built next to Lumora.exe, run on this desktop.
    checks = Path(app.exe).with_name("lumora_backend_tests.exe")
    code, out = app.wine(checks, "--gtest_brief=1", label="backend-checks", timeout=180)
    check(code == 0, "backend checks failed:\n" + "\n".join(out.splitlines()[-20:]))  # brief: failures only


def test_the_tray_program_hotkey_shell_restart_and_exit(app):
    app.d.set_background(PATTERN)
    app.start()
    first = app.pids()

    app.start_session()
    check(app.overlay() == (0, 0, WIDTH, HEIGHT), f"the overlay covers {app.overlay()}, not the whole screen")
    wait_for(lambda: not app.tray(), "the tray icon to go during the session")
    # The icon had gone before the photograph, so the picture is the pattern alone, unscaled.
    app.expect_screen(PATTERN, "the overlay showing the captured screen full-size and unscaled")
    app.d.set_background(BLUE)
    app.d.xdotool("key", "ctrl+h")
    app.session_ended("the second Ctrl+H")
    app.expect_screen(BLUE, "the desktop after the session", exclude=[app.tray()])

    # What a restarting shell does: it forgets every icon, then tells every program it is back.
    [form] = [w for w in app.probe_windows() if w.depth == 0 and w.cls == "Lumora.Form"]
    check(app.wine(app.probe, "drop-icon", form.handle, 1, label="drop-icon")[0] == 0, "no icon (window, id 1)")
    wait_for(lambda: not app.tray(), "the tray to lose the icon")
    app.wine(app.probe, "broadcast", "TaskbarCreated", label="broadcast")
    wait_for(app.tray, "the icon to come back after TaskbarCreated")
    app.hover(*app.icon_centre())
    tip = wait_for(app.tooltip, "the tray icon's tooltip", interval=0.3)
    check(tip == "Lumora", f"the icon came back with the tip {tip!r}, not \"Lumora\"")

    # Exit, the last item of the icon's menu, asks first: No changes nothing, Yes ends the program and its icon.
    for key in ("n", "Return"):
        app.exit(key)
        check(key == "Return" or (app.pids() == first and app.tray()), "Exit answered No ended the program")
    wait_for(lambda: not app.pids(), "Lumora.exe to end after Exit", 15)
    check(not app.tray(), "the tray icon stayed after Exit")


def test_twenty_rounds_of_two_starts_at_once(app):
    # Two starts at the same moment: one program stays with one icon, the other says so and ends.
    for round_ in range(20):
        both = [app.launch(), app.launch()]
        app.answer("Message", "Lumora is already running.", "Return")
        wait_for(lambda: sum(p.poll() is None for p in both) == 1, f"round {round_}: one of the two to end", 15)
        icons = wait_for(lambda: app.shown("__winex11_tray_icon"), f"round {round_}: the tray icon", 15)
        check(len(icons) == 1 and len(app.pids()) == 1, f"round {round_}: {len(icons)} icons, pids {app.pids()}")
        next(p for p in both if p.poll() is None).kill()
        wait_for(lambda: not app.pids() and not app.shown("__winex11_tray_icon"), f"round {round_}: the end", 15)


def test_ctrl_h_held_elsewhere_balloon_tray_and_key_taken_back(app):
    # Another program takes Ctrl+H first, and answers its messages as a real one does.
    holder = app.launch(app.probe, "hold-hotkey", 150, label="hold-hotkey")
    out = app.logs / f"{app.count:02d}-hold-hotkey.log"
    wait_for(lambda: "held" in out.read_text(errors="replace"), "the helper to take Ctrl+H")
    app.start()
    said = "Ctrl+H is in use by another program. Start highlighting from the tray icon."
    # Wine shows the balloon as a tooltip window under the icon.
    wait_for(lambda: any(w.text == said for w in app.shown("tooltips_class32")), "the balloon: Ctrl+H is taken", 15)
    app.d.xdotool("mousemove", *app.icon_centre(), "click", "--repeat", 2, "--delay", 80, 1)
    wait_for(app.overlay, "the overlay after a double click on the tray icon", 15)
    app.d.xdotool("key", "Escape")  # Ctrl+H would go to the other program
    app.session_ended("Esc")
    holder.terminate(), holder.wait(10)
    app.open_menu(*app.icon_centre())  # takes the key back
    app.click(WIDTH // 2, HEIGHT // 2)
    wait_for(lambda: not app.menus(), "the tray menu to close after a click elsewhere")
    app.start_session()
    app.d.xdotool("key", "ctrl+h")
    app.session_ended("Ctrl+H")


def ellipse_points(box, inset):
    # Points on the ellipse inscribed in the (left, top, right, bottom) box, `inset` pixels inside it.
    (left, top, right, bottom), steps = box, range(0, 360, 10)
    cx, cy, a, b = (left + right) / 2, (top + bottom) / 2, (right - left) / 2 - inset, (bottom - top) / 2 - inset
    return [(round(cx + a * math.cos(math.radians(t))), round(cy + b * math.sin(math.radians(t)))) for t in steps]


def test_stroke_rectangle_and_ellipse_in_the_stored_colour_and_width_resized_and_deleted(app):
    red, pen = (255, 0, 0), 20
    # Stored as text without its NUL, as a binary value: read up to its last byte, red and 20 pixels wide.
    app.option("Color", "323535", "REG_BINARY")  # "255", 0x0000FF
    app.option("Line Width", "3230", "REG_BINARY")  # "20"
    before = app.session_over(PATTERN, BLUE)
    # A left drag: a stroke, the picture showing through it: its middle 19 rows surely, and nothing changed from
    # 13 pixels off its middle.
    stroke = ((100, 141, 401, 19), (88, 138, 425, 25))
    app.drag([(x, 150) for x in range(100, 501, 50)])
    expected, exclude = highlighted(before, [stroke], red)
    app.expect_screen(expected, "the freehand stroke", exclude)

    # Shift + drag: a rectangle filled from the press point to the release point (its edges may round either way).
    def rectangle(right):
        return grow((150, 300, right - 150, 150), -1), grow((150, 300, right - 150, 150), 1)

    app.drag([(150, 300), (210, 340), (330, 420), (400, 450)], key="shift")
    expected, exclude = highlighted(before, [stroke, rectangle(400)], red)
    app.expect_screen(expected, "the stroke and the Shift+drag rectangle", exclude)

    # Ctrl + drag: the outline of the ellipse inscribed in the dragged box, the line width wide, not filled.
    oval, oval_area = (700, 250, 1000, 500), grow((700, 250, 300, 250), pen)
    app.drag([(700, 250), (780, 300), (900, 430), (1000, 500)], key="ctrl")
    reddened = before.masked([(0, 0, WIDTH, HEIGHT)], red)
    ring = ellipse_points(oval, 3) + ellipse_points(oval, pen - 4)
    middle = (850, 375)
    wait_for(lambda: (s := app.d.screenshot()) and all(s.at(*p) == reddened.at(*p) for p in ring)
             and s.at(*middle) == before.at(*middle), "the Ctrl+drag ellipse's outline, its middle unchanged")

    # Dragging the rectangle's right edge moves it to the pointer; the left edge stays.
    app.hover(400, 375, dx=30, dy=0)
    app.drag([(400, 375), (450, 380), (500, 370), (550, 375)])
    expected, exclude = highlighted(before, [stroke, rectangle(550)], red)
    app.expect_screen(expected, "the rectangle with its right edge dragged right", exclude + [oval_area])

    # A right click on the ellipse's outline deletes it and opens no menu; elsewhere it opens the program menu
    # at that point, whose first item ends the session.
    menus = app.menus()
    app.hover(703, 375, dx=0, dy=10)
    app.click(703, 375, 3)
    app.expect_screen(expected, "the marks without the deleted ellipse", exclude)
    check(app.menus() == menus and app.overlay(), "a right click on the ellipse opened a menu or ended the session")
    left, top, width, height = app.open_menu(700, 600)
    check((left, top) == (700, 600), f"the overlay's menu opened at {(left, top)}, not at the click (700, 600)")
    app.click(left + width // 3, top + 10)
    app.session_ended('"Stop highlighting"')


# Key, size in pixels, click point, and a spot right of the click with what a person sees there.
STAMPS = {"smiley": ("s", (47, 47), (150, 200), 23, lambda r, g, b: r > 200 and g > 170 and b < 120),
          "x": ("x", (53, 39), (350, 251), 26, lambda r, g, b: r > 80 and r > 2 * g and r > 2 * b),
          "star": ("8", (70, 66), (950, 400), 35, lambda r, g, b: r > 200 and 120 < g < 210 and b < 80)}
AWAY = (640, 740)  # empty overlay, where the pointer rests so that no stamp shows its tooltip


def stamp_at(app, name, x, y):
    # Waits for the stamp to show at the click (x, y): the middle of its left edge there. Returns its box, which is
    # one row taller than the stamp since for an odd height the top may round either way.
    _, (width, height), _, spot, looks = STAMPS[name]
    wait_for(lambda: looks(*app.d.screenshot().at(x + spot, y)), f"the {name} at ({x},{y})", interval=0.2)
    return x, y - (height + 1) // 2, width, height + 1


def test_stamps_placed_dragged_removed_cleared_brought_back_and_the_screen_saved(app):
    before = app.session_over(PATTERN, BLUE)
    boxes = {}
    for name, (key, _, (x, y), _, _) in STAMPS.items():
        app.d.xdotool("mousemove", x, y, "sleep", 0.07, "keydown", key, "click", 1, "keyup", key, "mousemove", *AWAY)
        boxes[name] = stamp_at(app, name, x, y)
        app.expect_screen(before, f"nothing but the {name} changed", list(boxes.values()), timeout=0)

    # Over a stamp its tooltip shows after the usual pause, and goes when the pointer leaves.
    app.hover(162, 200)
    text = wait_for(app.tooltip, "the stamp's tooltip", interval=0.3)
    check(text == "Click and drag to move. Right-click to remove.", f"the stamp's tooltip reads {text!r}")
    app.d.xdotool("mousemove", *AWAY)
    wait_for(lambda: not app.tooltip(), "the tooltip to go when the pointer leaves the stamp", interval=0.3)

    # A left drag on the star moves it with the pointer; a right click on the x takes it away.
    app.drag([(985 - 60 * i // 4, 400 + 230 * i // 4) for i in range(5)])
    app.d.xdotool("mousemove", *AWAY)
    boxes["star"] = stamp_at(app, "star", 890, 630)
    app.click(376, 251, 3)
    boxes.pop("x")
    app.d.xdotool("mousemove", *AWAY)
    app.expect_screen(before, "the star dragged and the x right-clicked away", list(boxes.values()))

    # Esc clears and ends the session, so the next one shows the new capture and no stamp; Ctrl+Z brings the
    # stamps back onto it.
    app.d.xdotool("key", "Escape")
    app.session_ended("Esc")
    app.start_session()
    app.expect_screen(BLUE, "a new session without the stamps placed before Esc")
    app.d.xdotool("key", "ctrl+z")
    stamp_at(app, "smiley", 150, 200)
    stamp_at(app, "star", 890, 630)
    app.saved["undone"] = app.expect_screen(BLUE, "the stamps back after Ctrl+Z", list(boxes.values()))

    # Ctrl+S: the system's Save dialog proposes a dated name; the file it writes is the screen without the banner.
    app.d.xdotool("key", "ctrl+s")
    dialog = wait_for(lambda: app.box("Save As"), 'the "Save As" dialog', 15)
    app.saved["save-dialog"] = app.d.screenshot()
    names = [w.text for w in app.probe_windows() if w.visible and w.cls == "Edit"]
    check(any(re.fullmatch(r"Lumora \d{4}-\d\d-\d\d \d{6}\.png", n) for n in names), f"the dialog proposed {names}")
    path = app.d.workdir / "saved.png"
    app.d.xdotool("windowfocus", "--sync", dialog, "key", "ctrl+a", "type", f"Z:{path}".replace("/", "\\"))
    app.d.xdotool("key", "Return")
    wait_for(lambda: not app.box("Save As") and path.exists(), "the dialog to close and the file to be written")
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, timeout=60).stdout
    shot = app.d.screenshot()
    diffs = differences(Picture(WIDTH, HEIGHT, rgb), shot, [BANNER])
    check(len(rgb) == WIDTH * HEIGHT * 3 and not diffs, f"the saved picture differs from the screen at {diffs[:4]}")
