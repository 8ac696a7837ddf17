"""Drawing on the overlay with the pointer: a freehand stroke, a Shift rectangle and a Ctrl ellipse in the highlight
colour over the captured screen, the rectangle resized by its edge, the ellipse deleted with a right click, and the
program menu that a right click elsewhere opens."""

import math

from harness import HEIGHT, WIDTH, check, wait_for
from pictures import differences, grow, highlighted, pattern, solid

PICTURE = pattern(WIDTH, HEIGHT)
DESKTOP = solid(WIDTH, HEIGHT, (32, 64, 160))
YELLOW = (255, 255, 0)  # the default highlight colour, 65535 (0x00BBGGRR)
PEN = 10  # the default line width: the stroke's width and the ellipse's outline
# Where the marks go: well apart, so each one's pixels can be told from the others'.
STROKE_Y, STROKE_X0, STROKE_X1 = 150, 100, 500
RECT_LEFT, RECT_TOP, RECT_RIGHT, RECT_BOTTOM, RECT_NEW_RIGHT = 150, 300, 400, 450, 550
OVAL_LEFT, OVAL_TOP, OVAL_RIGHT, OVAL_BOTTOM = 700, 250, 1000, 500
# Everything the ellipse may touch, whichever side of its box's edge its outline is drawn on.
OVAL_AREA = grow((OVAL_LEFT, OVAL_TOP, OVAL_RIGHT - OVAL_LEFT, OVAL_BOTTOM - OVAL_TOP), PEN)
# The stroke as a mark: the pen's middle rows along its length surely, its round ends and outer rows left open.
STROKE = ((STROKE_X0, STROKE_Y - 3, STROKE_X1 - STROKE_X0 + 1, 7),
          grow((STROKE_X0, STROKE_Y, STROKE_X1 - STROKE_X0 + 1, 1), PEN - 2))


def rectangle(right):
    """The rectangle as a mark: the box it surely fills, and one a pixel beyond each edge (rounding is free)."""
    box = (RECT_LEFT, RECT_TOP, right - RECT_LEFT, RECT_BOTTOM - RECT_TOP)
    return grow(box, -1), grow(box, 1)


def oval_points(radius_in):
    """Points on the ellipse inscribed in the ellipse's box, `radius_in` pixels inside it (negative: outside)."""
    cx, cy = (OVAL_LEFT + OVAL_RIGHT) / 2, (OVAL_TOP + OVAL_BOTTOM) / 2
    a, b = (OVAL_RIGHT - OVAL_LEFT) / 2 - radius_in, (OVAL_BOTTOM - OVAL_TOP) / 2 - radius_in
    return [(round(cx + a * math.cos(math.radians(t))), round(cy + b * math.sin(math.radians(t))))
            for t in range(0, 360, 10)]


def test_stroke_rectangle_and_ellipse_resized_and_deleted(app):
    d = app.desktop
    before = app.session_over(PICTURE, DESKTOP, "the overlay before drawing")
    highlighter = app.highlighter()

    # A left drag: a yellow stroke, the picture showing through it (yellow AND the picture).
    app.drag([(x, STROKE_Y) for x in range(STROKE_X0, STROKE_X1 + 1, 50)])
    expected, exclude = highlighted(before, [STROKE], YELLOW)
    app.expect_screen(expected, "the freehand stroke", exclude)

    # Shift + drag: a rectangle filled with the highlight, from the press point to the release point.
    app.drag([(RECT_LEFT, RECT_TOP), (RECT_LEFT + 60, RECT_TOP + 40), (RECT_LEFT + 180, RECT_TOP + 120),
              (RECT_RIGHT, RECT_BOTTOM)], key="shift")
    expected, exclude = highlighted(before, [STROKE, rectangle(RECT_RIGHT)], YELLOW)
    app.expect_screen(expected, "the stroke and the Shift+drag rectangle", exclude)

    # Ctrl + drag: the outline of the ellipse inscribed in the dragged box, the line width wide, not filled.
    app.drag([(OVAL_LEFT, OVAL_TOP), (OVAL_LEFT + 80, OVAL_TOP + 50), (OVAL_LEFT + 200, OVAL_TOP + 180),
              (OVAL_RIGHT, OVAL_BOTTOM)], key="ctrl")
    middle = ((OVAL_LEFT + OVAL_RIGHT) // 2, (OVAL_TOP + OVAL_BOTTOM) // 2)
    on_outline, off_outline = oval_points(3), oval_points(PEN + 6) + oval_points(-(PEN // 2 + 4)) + [middle]
    yellowed = before.masked([(0, 0, WIDTH, HEIGHT)], YELLOW)

    def outlined():
        shot = d.screenshot()
        return shot if all(shot.at(*point) == yellowed.at(*point) for point in on_outline) else None

    shot = wait_for(outlined, "the Ctrl+drag ellipse's outline")
    app.save("drawn", shot)
    changed = [(x, y) for x, y in off_outline if shot.at(x, y) != before.at(x, y)]
    check(not changed, f"the ellipse is not a {PEN}-pixel outline: {changed[:4]} changed inside or outside it")
    check(not differences(shot, expected, exclude + [OVAL_AREA]),
          "drawing the ellipse changed the picture outside its box, or the stroke or the rectangle")

    # On the rectangle's right edge the pointer becomes the west/east sizing arrow.
    edge_y = (RECT_TOP + RECT_BOTTOM) // 2
    app.hover(RECT_RIGHT, edge_y, dx=30, dy=0)
    sizing = app.pointer(lambda c: c.bgra != highlighter.bgra, "the pointer to change on the rectangle's edge")
    app.save("pointer-on-right-edge", sizing)
    opaque = [divmod(i, sizing.width) for i in range(sizing.width * sizing.height) if sizing.bgra[4 * i + 3] > 128]
    tall, wide = (max(v) - min(v) + 1 for v in zip(*opaque))
    check(wide > tall * 4 // 3, f"the pointer on the right edge is {wide} x {tall} pixels, not a west/east arrow")

    # Dragging the edge moves it to the pointer; the left edge stays. The ellipse is left out until it is deleted.
    app.drag([(RECT_RIGHT, edge_y), (RECT_RIGHT + 50, edge_y + 5), (RECT_RIGHT + 100, edge_y - 5),
              (RECT_NEW_RIGHT, edge_y)])
    expected, exclude = highlighted(before, [STROKE, rectangle(RECT_NEW_RIGHT)], YELLOW)
    app.expect_screen(expected, "the rectangle with its right edge dragged right", exclude + [OVAL_AREA])

    # A right click on the ellipse's outline deletes it and opens no menu.
    menus = app.menus()
    app.hover(OVAL_LEFT + 3, middle[1], dx=0, dy=10)
    app.click(OVAL_LEFT + 3, middle[1], 3)
    app.save("after-resize-and-delete", app.expect_screen(expected, "the marks without the deleted ellipse", exclude))
    check(app.menus() == menus, "a right click on the ellipse opened a menu")
    check(app.overlay(), "the session ended")

    # A right click elsewhere opens the program menu at that point; its first item ends the session.
    left, top, width, height = app.open_menu(700, 600)
    check((left, top) == (700, 600), f"the overlay's menu opened at {(left, top)}, not at the click (700, 600)")
    app.save("overlay-menu", d.screenshot().crop(650, 550, width + 100, height + 100))
    app.click(left + width // 3, top + 10)
    app.session_ended('"Stop highlighting"')
