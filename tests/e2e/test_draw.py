"""Drawing on the overlay with the pointer: a freehand stroke, a Shift rectangle and a Ctrl ellipse in the highlight
colour over the captured screen, a rectangle resized by its edge and an ellipse deleted with a right click."""

import math
import time

from harness import HEIGHT, WIDTH, check, wait_for
from pictures import highlight_pattern, mask, masked, ring, solid
from test_shell import start_session_with_hotkey

PICTURE = highlight_pattern(WIDTH, HEIGHT)
DESKTOP = solid(WIDTH, HEIGHT, (32, 64, 160))
YELLOW = (255, 255, 0)  # the default highlight colour, 65535 (0x00BBGGRR)

# Where the marks go: well apart, so each one's pixels can be told from the others'.
STROKE_Y, STROKE_X0, STROKE_X1 = 150, 100, 500
RECT_LEFT, RECT_TOP, RECT_RIGHT, RECT_BOTTOM = 150, 300, 400, 450
RECT_NEW_RIGHT = 550
OVAL_LEFT, OVAL_TOP, OVAL_RIGHT, OVAL_BOTTOM = 700, 250, 1000, 500
PEN = 10  # the default line width: the stroke's width and the ellipse's outline
# Everything the ellipse may touch, whichever side of its box's edge its outline is drawn on.
OVAL_AREA = (OVAL_LEFT - PEN, OVAL_TOP - PEN, OVAL_RIGHT - OVAL_LEFT + 2 * PEN, OVAL_BOTTOM - OVAL_TOP + 2 * PEN)


def rect_boxes(left, top, right, bottom):
    """The box a rectangle surely fills, and around it the one-pixel band on each side of its edges where the
    rounding of its border is the program's choice."""
    return (left + 1, top + 1, right - left - 2, bottom - top - 2), (left - 1, top - 1, right - left + 2,
                                                                     bottom - top + 2)


# The stroke: the pen's middle rows along its length surely, its round ends and outer rows left open.
STROKE_INNER = (STROKE_X0, STROKE_Y - 3, STROKE_X1 - STROKE_X0 + 1, 7)
STROKE_OUTER = (STROKE_X0 - PEN + 2, STROKE_Y - PEN + 2, STROKE_X1 - STROKE_X0 + 2 * PEN - 3, 2 * PEN - 3)


def oval_points(radius_in):
    """Points on the ellipse inscribed in the ellipse's box, `radius_in` pixels inside it (negative: outside)."""
    cx, cy = (OVAL_LEFT + OVAL_RIGHT) / 2, (OVAL_TOP + OVAL_BOTTOM) / 2
    a, b = (OVAL_RIGHT - OVAL_LEFT) / 2 - radius_in, (OVAL_BOTTOM - OVAL_TOP) / 2 - radius_in
    return [(round(cx + a * math.cos(math.radians(t))), round(cy + b * math.sin(math.radians(t))))
            for t in range(0, 360, 10)]


def pointer_when(display, predicate):
    """Polls the X pointer image until `predicate` holds for it and returns it."""
    return wait_for(lambda: (lambda c: c if c and predicate(c) else None)(display.cursor_image()), 5,
                    "the pointer to change")


def opaque_extent(cursor):
    """Width and height of the box around a pointer image's visible pixels."""
    width, height, _, _, rgba = cursor
    xs = [i % width for i in range(width * height) if rgba[i * 4 + 3] > 128]
    ys = [i // width for i in range(width * height) if rgba[i * 4 + 3] > 128]
    return (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else (0, 0)


def test_stroke_rectangle_and_ellipse_resized_and_deleted(app):
    d = app.display
    d.set_background(PICTURE)
    app.start()
    start_session_with_hotkey(app)
    before = app.expect_screen(PICTURE, "the overlay before drawing")
    # From here on the desktop underneath differs, so every picture checked below is the overlay's.
    d.set_background(DESKTOP)
    d.move(WIDTH // 2 + 40, HEIGHT - 100)
    time.sleep(0.07)
    d.move(WIDTH // 2, HEIGHT - 100)
    highlighter = pointer_when(d, lambda c: c[:2] == (32, 32))

    # A left drag: a yellow stroke, the picture showing through it (yellow AND the picture).
    d.drag([(x, STROKE_Y) for x in range(STROKE_X0, STROKE_X1 + 1, 50)])
    expected = masked(before, [STROKE_INNER], YELLOW)
    app.expect_screen(expected, "the freehand stroke", exclude=ring(STROKE_OUTER, STROKE_INNER))

    # Shift + drag: a rectangle filled with the highlight, from the press point to the release point.
    d.drag([(RECT_LEFT, RECT_TOP), (RECT_LEFT + 60, RECT_TOP + 40), (RECT_LEFT + 180, RECT_TOP + 120),
            (RECT_RIGHT, RECT_BOTTOM)], keys=["shift"])
    rect_inner, rect_outer = rect_boxes(RECT_LEFT, RECT_TOP, RECT_RIGHT, RECT_BOTTOM)
    expected = masked(before, [STROKE_INNER, rect_inner], YELLOW)
    exclude = ring(STROKE_OUTER, STROKE_INNER) + ring(rect_outer, rect_inner)
    app.expect_screen(expected, "the stroke and the Shift+drag rectangle", exclude=exclude)

    # Ctrl + drag: the outline of the ellipse inscribed in the dragged box, the line width wide.
    d.drag([(OVAL_LEFT, OVAL_TOP), (OVAL_LEFT + 80, OVAL_TOP + 50), (OVAL_LEFT + 200, OVAL_TOP + 180),
            (OVAL_RIGHT, OVAL_BOTTOM)], keys=["ctrl"])
    on_outline, inside, outside = oval_points(3), oval_points(PEN + 6), oval_points(-(PEN // 2 + 4))

    def ellipse_drawn():
        shot = d.screenshot()
        return shot if all(shot.at(x, y) == mask(before.at(x, y), YELLOW) for x, y in on_outline) else None

    shot = wait_for(ellipse_drawn, 10, "the Ctrl+drag ellipse's outline")
    app.artifacts("drawn", shot)
    changed = [(x, y) for x, y in inside + outside if shot.at(x, y) != before.at(x, y)]
    check(not changed, f"the ellipse is not a {PEN}-pixel outline: {changed[:4]} changed inside or outside it")
    middle = ((OVAL_LEFT + OVAL_RIGHT) // 2, (OVAL_TOP + OVAL_BOTTOM) // 2)
    check(shot.at(*middle) == before.at(*middle), "the ellipse is filled: its middle changed")
    check(not shot.differences(expected, exclude + [OVAL_AREA]),
          "drawing the ellipse changed the picture outside its box, or the stroke or the rectangle")

    # On the rectangle's right edge the pointer becomes the west/east sizing arrow.
    edge_y = (RECT_TOP + RECT_BOTTOM) // 2
    d.move(RECT_RIGHT + 30, edge_y)
    time.sleep(0.07)
    d.move(RECT_RIGHT, edge_y)
    sizing = pointer_when(d, lambda c: c[4] != highlighter[4])
    app.artifacts("pointer-on-right-edge", sizing)
    wide, tall = opaque_extent(sizing)
    check(wide > tall * 4 // 3, f"the pointer on the right edge is {wide} x {tall} pixels, not a west/east arrow")

    # Dragging the edge moves it to the pointer; the left edge stays.
    d.drag([(RECT_RIGHT, edge_y), (RECT_RIGHT + 50, edge_y + 5), (RECT_RIGHT + 100, edge_y - 5),
            (RECT_NEW_RIGHT, edge_y)])
    rect_inner, rect_outer = rect_boxes(RECT_LEFT, RECT_TOP, RECT_NEW_RIGHT, RECT_BOTTOM)
    exclude = ring(STROKE_OUTER, STROKE_INNER) + ring(rect_outer, rect_inner)
    expected = masked(before, [STROKE_INNER, rect_inner], YELLOW)
    # The ellipse is still there; its area is left out until it is deleted.
    app.expect_screen(expected, "the rectangle with its right edge dragged right", exclude=exclude + [OVAL_AREA])

    # A right click on the ellipse's outline deletes it and opens no menu.
    menus_before = app.menus()
    d.move(OVAL_LEFT + 3, (OVAL_TOP + OVAL_BOTTOM) // 2 + 10)
    time.sleep(0.07)
    d.move(OVAL_LEFT + 3, (OVAL_TOP + OVAL_BOTTOM) // 2)
    time.sleep(0.15)
    d.xdotool("click", 3)
    final = app.expect_screen(expected, "the marks without the deleted ellipse", exclude=exclude)
    app.artifacts("after-resize-and-delete", final)
    check(app.menus() == menus_before, "a right click on the ellipse opened a menu")
    check(app.overlay_shown(), "the session ended")


TESTS = [test_stroke_rectangle_and_ellipse_resized_and_deleted]
