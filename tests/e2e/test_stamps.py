"""Stamps on the overlay: each stamp key held with a click places its picture with the middle of its left edge on
the click; a stamp follows a left drag and goes with a right click; Delete takes every mark away and the session
goes on; Esc ends it."""

import time
from pathlib import Path

from harness import HEIGHT, WIDTH, Failure, check, wait_for
from pictures import highlight_pattern, mismatches, over, read_png, solid
from test_shell import start_session_with_hotkey

PICTURE = highlight_pattern(WIDTH, HEIGHT)
DESKTOP = solid(WIDTH, HEIGHT, (32, 64, 160))
ARTWORK = Path(__file__).resolve().parents[2] / "src" / "resources"
AWAY = (640, 740)  # empty overlay, where the pointer rests so that no stamp shows its tooltip


def yellow(rgb):
    r, g, b = rgb
    return r > 200 and g > 170 and b < 120


def red(rgb):
    r, g, b = rgb
    return r > 80 and r > 2 * g and r > 2 * b


def green(rgb):
    r, g, b = rgb
    return g > 100 and g > 2 * r and g > 2 * b


def gold(rgb):
    r, g, b = rgb
    return r > 200 and 120 < g < 210 and b < 80


# Key, artwork, size in pixels, click point, and a spot (relative to the click) with what a person sees there.
KINDS = [
    ("s", "smiley", (47, 47), (150, 200), (23, 0), yellow, "the smiley's yellow face"),
    ("x", "x", (53, 39), (350, 251), (26, 0), red, "the middle of the red x"),
    ("c", "check", (60, 55), (550, 300), (30, 0), green, "the middle of the green check mark"),
    ("a", "arrow", (73, 51), (750, 351), (2, 0), red, "the arrow's red tip"),
    ("8", "star", (70, 66), (950, 400), (35, 0), gold, "the middle of the gold star"),
]


class Stamp:
    def __init__(self, name, sprite, left, top):
        self.name, self.sprite, self.left, self.top = name, sprite, left, top


def composed(picture, stamps):
    """The overlay as it should look with `stamps` over `picture`, and the colour ranges where their edges blend."""
    loose = {}
    for stamp in stamps:
        picture, edge = over(picture, stamp.sprite, stamp.left, stamp.top)
        loose.update(edge)
    return picture, loose


def expect_stamps(app, picture, stamps, what, timeout=10):
    """Waits until the overlay shows `stamps` over `picture` and nothing else; returns the screenshot."""
    expected, loose = composed(picture, stamps)

    def matches():
        shot = app.display.screenshot()
        return shot if not mismatches(shot, expected, loose) else None

    try:
        return wait_for(matches, timeout, what, interval=0.2)
    except Failure:
        shot = app.display.screenshot()
        wrong = mismatches(shot, expected, loose)
        app.artifacts("expected", expected)
        samples = ", ".join(f"({x},{y}) {shot.at(x, y)} not {expected.at(x, y)}" for x, y in wrong[:4])
        raise Failure(f"{what}: {len(wrong)} pixels differ, e.g. {samples}")


def place(app, picture, others, key, name, sprite, x, y):
    """Holds `key` and clicks at (x, y); waits until the overlay shows the stamp with the middle of its left edge
    there, over `picture` with the `others`. Returns the stamp as placed and the screenshot."""
    d = app.display
    d.move(x, y)
    time.sleep(0.07)
    d.xdotool("keydown", key, "click", 1, "keyup", key)
    d.move(*AWAY)
    # For an odd height the middle of the left edge lies between two pixels: the top may round either way.
    candidates = [Stamp(name, sprite, x, top) for top in sorted({y - sprite.height // 2, y - (sprite.height + 1) // 2})]
    others = list(others)
    views = [(candidate, *composed(picture, others + [candidate])) for candidate in candidates]

    def shown():
        shot = d.screenshot()
        for candidate, expected, loose in views:
            if not mismatches(shot, expected, loose):
                return candidate, shot
        return None

    try:
        return wait_for(shown, 10, f"the {name} at ({x},{y})", interval=0.2)
    except Failure:
        expect_stamps(app, picture, others + candidates[:1],
                      f"holding {key!r} and clicking at ({x},{y}) did not place the {name} there", timeout=0)
        raise


def test_stamps_placed_dragged_removed_and_cleared(app):
    d = app.display
    d.set_background(PICTURE)
    app.start()
    start_session_with_hotkey(app)
    before = app.expect_screen(PICTURE, "the overlay before the stamps")
    # From here on the desktop underneath differs, so every picture checked below is the overlay's.
    d.set_background(DESKTOP)
    menus_before = app.menus()

    placed = {}
    for key, name, size, (x, y), spot, looks_right, what in KINDS:
        sprite = read_png(ARTWORK / f"stamp-{name}.png")
        check((sprite.width, sprite.height) == size, f"the {name} artwork is {sprite.width} x {sprite.height}")
        placed[name], shot = place(app, before, placed.values(), key, name, sprite, x, y)
        check(looks_right(shot.at(x + spot[0], y + spot[1])),
              f"{what} at ({x + spot[0]},{y + spot[1]}) shows {shot.at(x + spot[0], y + spot[1])}")
        check(shot.at(x - 1, y) == before.at(x - 1, y), f"the {name} reaches left of the click")
        app.artifacts(name, shot.crop(x - 20, y - 50, sprite.width + 40, 100))
    app.artifacts("five-stamps", shot)
    check(app.menus() == menus_before, "placing the stamps opened a menu")

    # A left drag on the star moves it with the pointer; its old place shows the picture again.
    star = placed["star"]
    grab = (star.left + 35, star.top + 33)
    travel = (-60, 230)
    d.drag([grab] + [(grab[0] + travel[0] * i // 4, grab[1] + travel[1] * i // 4) for i in range(1, 5)])
    d.move(*AWAY)
    placed["star"] = Stamp("star", star.sprite, star.left + travel[0], star.top + travel[1])
    expect_stamps(app, before, placed.values(), "the star dragged to its new place")

    # A right click on the x takes it away and opens no menu.
    x_stamp = placed.pop("x")
    d.move(x_stamp.left + 26, x_stamp.top + 19)
    time.sleep(0.15)
    d.xdotool("click", 3)
    shot = expect_stamps(app, before, placed.values(), "the stamps without the right-clicked x")
    app.artifacts("dragged-and-removed", shot)
    check(app.menus() == menus_before, "a right click on a stamp opened a menu")

    # Delete takes every mark away; the overlay stays, showing the captured picture (not the desktop).
    d.key("Delete")
    app.expect_screen(before, "the overlay with every stamp gone after Delete")
    check(app.overlay_shown(), "Delete ended the session")

    # The session goes on: a stamp can be placed again, and Esc then clears it and ends the session.
    place(app, before, [], "s", "smiley", placed["smiley"].sprite, 200, 600)
    d.key("Escape")
    wait_for(lambda: not app.overlay_shown(), 10, "the overlay to go after Esc")
    wait_for(app.tray_shown, 10, "the tray icon to come back after Esc")
    app.expect_screen(DESKTOP, "the desktop after Esc", exclude=[app.tray_box()])

    # Esc had cleared the marks: the next session shows the new capture and no stamp.
    start_session_with_hotkey(app)
    app.expect_screen(DESKTOP, "a new session without the smiley placed before Esc")


TESTS = [test_stamps_placed_dragged_removed_and_cleared]
