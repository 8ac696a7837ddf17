"""Stamps on the overlay: each stamp key held with a click places its picture with the middle of its left edge on
the click; over a stamp the pointer changes and a tooltip shows; a stamp follows a left drag and goes with a right
click; Delete takes every mark away and the session goes on; Esc ends it."""

from pathlib import Path

from harness import HEIGHT, WIDTH, Failure, check, wait_for
from pictures import differences, over, pattern, read_sprite, solid

PICTURE = pattern(WIDTH, HEIGHT)
DESKTOP = solid(WIDTH, HEIGHT, (32, 64, 160))
ARTWORK = Path(__file__).resolve().parents[2] / "src" / "resources"
AWAY = (640, 740)  # empty overlay, where the pointer rests so that no stamp shows its tooltip


def red(r, g, b):
    return r > 80 and r > 2 * g and r > 2 * b


# Key, artwork, size in pixels, click point, and a spot right of the click with what a person sees there.
KINDS = [
    ("s", "smiley", (47, 47), (150, 200), 23, lambda r, g, b: r > 200 and g > 170 and b < 120,
     "the smiley's yellow face"),
    ("x", "x", (53, 39), (350, 251), 26, red, "the middle of the red x"),
    ("c", "check", (60, 55), (550, 300), 30, lambda r, g, b: g > 100 and g > 2 * r and g > 2 * b,
     "the middle of the green check mark"),
    ("a", "arrow", (73, 51), (750, 351), 2, red, "the arrow's red tip"),
    ("8", "star", (70, 66), (950, 400), 35, lambda r, g, b: r > 200 and 120 < g < 210 and b < 80,
     "the middle of the gold star"),
]


def place(app, picture, others, key, sprite, x, y):
    """Holds `key` and clicks at (x, y); waits until the overlay shows `sprite` with the middle of its left edge there
    over `picture` and the `others`. Returns the stamp as placed, (sprite, left, top), and the screenshot."""
    app.desktop.xdotool("mousemove", x, y, "sleep", 0.07, "keydown", key, "click", 1, "keyup", key, "mousemove", *AWAY)
    # For an odd height the middle of the left edge lies between two pixels: the top may round either way.
    views = [((sprite, x, top), *over(picture, others + [(sprite, x, top)]))
             for top in sorted({y - sprite.height // 2, y - (sprite.height + 1) // 2})]

    def shown():
        shot = app.desktop.screenshot()
        return next(((stamp, shot) for stamp, expected, loose in views if not differences(shot, expected, (), loose)),
                    None)

    try:
        return wait_for(shown, f"the stamp at ({x},{y})", interval=0.2)
    except Failure:
        app.expect_screen(views[0][1], f"holding {key!r} and clicking at ({x},{y}) placed no stamp there",
                          loose=views[0][2], timeout=0)
        raise


def test_stamps_placed_dragged_removed_and_cleared(app):
    d = app.desktop
    before = app.session_over(PICTURE, DESKTOP, "the overlay before the stamps")
    highlighter = app.highlighter()
    menus = app.menus()

    placed = {}
    for key, name, size, (x, y), spot, looks_right, what in KINDS:
        sprite = read_sprite(ARTWORK / f"stamp-{name}.png")
        check((sprite.width, sprite.height) == size, f"the {name} artwork is {sprite.width} x {sprite.height}")
        placed[name], shot = place(app, before, list(placed.values()), key, sprite, x, y)
        check(looks_right(*shot.at(x + spot, y)), f"{what} at ({x + spot},{y}) shows {shot.at(x + spot, y)}")
        app.save(name, shot.crop(x - 20, y - 50, sprite.width + 40, 100))
    app.save("five-stamps", shot)
    check(app.menus() == menus, "placing the stamps opened a menu")

    # Over a stamp: its tooltip after the usual pause, and a pointer other than the highlighter.
    app.hover(162, 200)
    text = wait_for(app.tooltip, "the stamp's tooltip", interval=0.3)
    check(text == "Click and drag to move. Right-click to remove.", f"the stamp's tooltip reads {text!r}")
    app.save("stamp-tooltip", d.screenshot().crop(110, 150, 400, 120))
    pointer = d.cursor()
    check(pointer and pointer.bgra != highlighter.bgra, "the pointer over a stamp is still the highlighter")
    app.save("stamp-pointer", pointer)
    d.xdotool("mousemove", *AWAY)
    wait_for(lambda: not app.tooltip(), "the tooltip to go when the pointer leaves the stamp", interval=0.3)

    # A left drag on the star moves it with the pointer; its old place shows the picture again.
    sprite, left, top = placed["star"]
    grab, travel = (left + 35, top + 33), (-60, 230)
    app.drag([(grab[0] + travel[0] * i // 4, grab[1] + travel[1] * i // 4) for i in range(5)])
    d.xdotool("mousemove", *AWAY)
    placed["star"] = (sprite, left + travel[0], top + travel[1])
    expected, loose = over(before, placed.values())
    app.expect_screen(expected, "the star dragged to its new place", loose=loose)

    # A right click on the x takes it away and opens no menu.
    _, left, top = placed.pop("x")
    app.click(left + 26, top + 19, 3)
    expected, loose = over(before, placed.values())
    app.save("dragged-and-removed", app.expect_screen(expected, "the stamps without the right-clicked x", loose=loose))
    check(app.menus() == menus, "a right click on a stamp opened a menu")

    # Delete takes every mark away; the overlay stays, showing the captured picture (not the desktop).
    d.xdotool("key", "Delete")
    app.expect_screen(before, "the overlay with every stamp gone after Delete")
    check(app.overlay(), "Delete ended the session")

    # The session goes on: a stamp can be placed again, and Esc then clears it and ends the session.
    place(app, before, [], "s", placed["smiley"][0], 200, 600)
    d.xdotool("key", "Escape")
    app.session_ended("Esc")
    app.expect_screen(DESKTOP, "the desktop after Esc", exclude=[app.tray()])

    # Esc had cleared the marks: the next session shows the new capture and no stamp.
    app.start_session()
    app.expect_screen(DESKTOP, "a new session without the smiley placed before Esc")
