"""RGB pictures for the end-to-end tests: screenshots, the test pattern and the views expected on the screen."""

import subprocess
from collections import namedtuple


class Picture:
    """Packed 8-bit RGB rows, as ImageMagick's raw `rgb:` format keeps them."""

    def __init__(self, width, height, rgb):
        assert len(rgb) == width * height * 3, f"{width}x{height} needs {width * height * 3} bytes, got {len(rgb)}"
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    def at(self, x, y):
        o = (y * self.width + x) * 3
        return tuple(self.rgb[o:o + 3])

    def rows(self, left, top, width, height):
        """The byte ranges of the box's rows, clipped to the picture."""
        left, right = max(0, left), min(self.width, left + width)
        return [slice((y * self.width + left) * 3, (y * self.width + right) * 3)
                for y in range(max(0, top), min(self.height, top + height))]

    def crop(self, left, top, width, height):
        rows = self.rows(left, top, width, height)
        return Picture((rows[0].stop - rows[0].start) // 3, len(rows), b"".join(self.rgb[r] for r in rows))

    def masked(self, boxes, pen):
        """This picture with the mask pen laid over every pixel of the (left, top, width, height) boxes."""
        rgb = bytearray(self.rgb)
        for row in (r for box in boxes for r in self.rows(*box)):
            for channel, value in enumerate(pen):
                part = slice(row.start + channel, row.stop, 3)
                rgb[part] = bytes(c & value for c in rgb[part])
        return Picture(self.width, self.height, rgb)

    def save(self, path):
        save_png(path, self.width, self.height, "rgb", self.rgb)


Sprite = namedtuple("Sprite", "width height rgba")


def save_png(path, width, height, layout, raw):
    subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"{layout}:-", str(path)], input=raw,
                   check=True, timeout=60)


def read_sprite(path):
    size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True, check=True).stdout
    rgba = subprocess.run(["convert", str(path), "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
    return Sprite(*map(int, size.split()), rgba)


def pattern(width, height):
    """Every pixel telling its own place, so a shifted, scaled or cut copy cannot match it, with blue everywhere so
    a yellow highlight shows wherever it lies."""
    rows = []
    for y in range(height):
        row = bytearray(width * 3)
        row[0::3] = bytes(x & 0xFF for x in range(width))
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes(0x80 | ((x >> 8) & 0xF) << 3 | ((y >> 8) & 0x7) for x in range(width))
        rows.append(row)
    return Picture(width, height, b"".join(rows))


def solid(width, height, rgb):
    return Picture(width, height, bytes(rgb) * (width * height))


def grow(box, by):
    left, top, width, height = box
    return left - by, top - by, width + 2 * by, height + 2 * by


def highlighted(picture, marks, pen):
    """The view of `marks`, each an (inner, outer) pair of boxes, in `pen` over `picture`: pen AND picture in the
    inner box; and the boxes left out of the comparison between them, since how an edge rounds is the drawing's."""
    exclude = []
    for (il, it, iw, ih), (ol, ot, ow, oh) in marks:
        exclude += [(ol, ot, ow, it - ot), (ol, it + ih, ow, ot + oh - it - ih), (ol, it, il - ol, ih),
                    (il + iw, it, ol + ow - il - iw, ih)]
    return picture.masked([inner for inner, _ in marks], pen), exclude


def over(picture, sprites):
    """`picture` with the (sprite, left, top) `sprites` laid over it, and where one is half transparent the lowest and
    highest colour that pixel may take (between the sprite's and what is under it: how an edge blends is free)."""
    rgb = bytearray(picture.rgb)
    loose = {}
    for sprite, left, top in sprites:
        for sy in range(max(0, -top), min(sprite.height, picture.height - top)):
            for sx in range(max(0, -left), min(sprite.width, picture.width - left)):
                r, g, b, a = sprite.rgba[(sy * sprite.width + sx) * 4:(sy * sprite.width + sx) * 4 + 4]
                x, y, o = left + sx, top + sy, ((top + sy) * picture.width + left + sx) * 3
                if a == 255:
                    rgb[o:o + 3] = bytes((r, g, b))
                    loose.pop((x, y), None)
                elif a:
                    under = rgb[o:o + 3]
                    rgb[o:o + 3] = bytes((c * a + d * (255 - a) + 127) // 255 for c, d in zip((r, g, b), under))
                    loose[(x, y)] = tuple(map(min, (r, g, b), under)), tuple(map(max, (r, g, b), under))
    return Picture(picture.width, picture.height, rgb), loose


def differences(shot, expected, exclude=(), loose=None, tolerance=2):
    """Pixels (x, y) where `shot` differs from `expected` outside the `exclude` boxes; one that `loose` maps to a
    (lowest, highest) colour pair may take any colour between them, give or take `tolerance` per channel."""
    assert (shot.width, shot.height) == (expected.width, expected.height), "the pictures differ in size"
    loose = loose or {}
    out, stride = [], shot.width * 3
    for y in range(shot.height):
        a, b = shot.rgb[y * stride:(y + 1) * stride], expected.rgb[y * stride:(y + 1) * stride]
        for x in range(shot.width) if a != b else ():
            got = a[x * 3:x * 3 + 3]
            if got == b[x * 3:x * 3 + 3] or any(l <= x < l + w and t <= y < t + h for l, t, w, h in exclude):
                continue
            bounds = loose.get((x, y))
            if not bounds or not all(lo - tolerance <= v <= hi + tolerance for v, lo, hi in zip(got, *bounds)):
                out.append((x, y))
    return out
