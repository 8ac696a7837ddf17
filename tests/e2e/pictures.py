"""RGB pictures for the end-to-end tests: screenshots, test patterns, PPM and PNG files. Standard library only."""

import struct
import zlib


class Picture:
    """Packed 8-bit RGB rows, as `import` and PPM files keep them."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError(f"{width}x{height} needs {width * height * 3} bytes, got {len(rgb)}")
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)

    def at(self, x, y):
        o = (y * self.width + x) * 3
        return tuple(self.rgb[o:o + 3])

    def crop(self, left, top, width, height):
        left, top = max(0, left), max(0, top)
        width, height = min(width, self.width - left), min(height, self.height - top)
        rows = [self.rgb[((top + y) * self.width + left) * 3:((top + y) * self.width + left + width) * 3]
                for y in range(height)]
        return Picture(width, height, b"".join(rows))

    def differences(self, other, exclude=()):
        """Pixels (x, y) where the two pictures differ, outside the (left, top, width, height) boxes in `exclude`."""
        if (self.width, self.height) != (other.width, other.height):
            raise ValueError(f"sizes differ: {self.width}x{self.height} and {other.width}x{other.height}")
        out = []
        row_bytes = self.width * 3
        for y in range(self.height):
            a = self.rgb[y * row_bytes:(y + 1) * row_bytes]
            b = other.rgb[y * row_bytes:(y + 1) * row_bytes]
            if a == b:
                continue
            for x in range(self.width):
                if a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3] and not _inside(x, y, exclude):
                    out.append((x, y))
        return out

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.rgb

    def to_png(self):
        raw = b"".join(b"\x00" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))
        return _png(self.width, self.height, 2, zlib.compress(raw, 6))


def _inside(x, y, boxes):
    return any(l <= x < l + w and t <= y < t + h for (l, t, w, h) in boxes)


def _png(width, height, colour_type, idat):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def rgba_png(width, height, rgba):
    raw = b"".join(b"\x00" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    return _png(width, height, 6, zlib.compress(raw, 6))


def parse_ppm(data):
    """A binary PPM (P6) with a maximum value of 255, as `import -depth 8 ppm:-` writes it."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1  # the single whitespace byte before the pixels
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError(f"not an 8-bit P6 picture: {fields}")
    width, height = int(fields[1]), int(fields[2])
    return Picture(width, height, data[pos:pos + width * height * 3])


def coordinate_pattern(width, height):
    """Every pixel different and telling its own place: red = x mod 256, green = y mod 256, blue = the high bits of
    both. A shifted, scaled or cut copy cannot match it anywhere it is checked."""
    rows = []
    reds = bytes(x & 0xFF for x in range(width))
    for y in range(height):
        row = bytearray(width * 3)
        row[0::3] = reds
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes((((x >> 8) & 0xF) << 4) | ((y >> 8) & 0xF) for x in range(width))
        rows.append(bytes(row))
    return Picture(width, height, b"".join(rows))


def solid(width, height, rgb):
    return Picture(width, height, bytes(rgb) * (width * height))


def mask(rgb, pen):
    """The mask pen: what a highlight leaves on a pixel, channel by channel pen AND pixel."""
    return tuple(c & p for c, p in zip(rgb, pen))


def highlight_pattern(width, height):
    """Like `coordinate_pattern`, every pixel telling its own place, but with blue in every pixel, so a yellow
    highlight (which takes the blue away) shows wherever it lies: red = x mod 256, green = y mod 256, blue = 128
    plus the high bits of both."""
    rows = []
    reds = bytes(x & 0xFF for x in range(width))
    for y in range(height):
        row = bytearray(width * 3)
        row[0::3] = reds
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes(0x80 | ((x >> 8) & 0xF) << 3 | ((y >> 8) & 0x7) for x in range(width))
        rows.append(bytes(row))
    return Picture(width, height, b"".join(rows))


def masked(picture, boxes, pen):
    """`picture` with the mask pen laid over every pixel of the (left, top, width, height) boxes."""
    rgb = bytearray(picture.rgb)
    for left, top, width, height in boxes:
        for y in range(max(0, top), min(picture.height, top + height)):
            start = (y * picture.width + max(0, left)) * 3
            end = (y * picture.width + min(picture.width, left + width)) * 3
            for channel, value in enumerate(pen):
                rgb[start + channel:end:3] = bytes(c & value for c in rgb[start + channel:end:3])
    return Picture(picture.width, picture.height, rgb)


def ring(outer, inner):
    """The part of box `outer` that is not in box `inner` (which lies inside it), as four boxes."""
    ol, ot, ow, oh = outer
    il, it, iw, ih = inner
    return [(ol, ot, ow, it - ot), (ol, it + ih, ow, ot + oh - it - ih), (ol, it, il - ol, ih),
            (il + iw, it, ol + ow - il - iw, ih)]


class Sprite:
    """A picture with an alpha channel: packed 8-bit RGBA rows."""

    def __init__(self, width, height, rgba):
        self.width = width
        self.height = height
        self.rgba = bytes(rgba)

    def at(self, x, y):
        o = (y * self.width + x) * 4
        return tuple(self.rgba[o:o + 4])


def read_png(path):
    """An 8-bit, non-interlaced RGB or RGBA PNG file as a Sprite."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path} is not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA PNG files without interlacing are read")
    channels = 4 if colour_type == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    previous = bytearray(stride)
    out = bytearray()
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        previous = line
        if channels == 4:
            out += line
        else:
            for x in range(width):
                out += line[x * 3:x * 3 + 3] + b"\xff"
    return Sprite(width, height, out)


def over(picture, sprite, left, top):
    """`picture` with `sprite` laid over it at (left, top), and the pixels where the sprite is neither transparent
    nor opaque: for each, the lowest and highest colour (channel by channel) it may take, anything between the
    picture's and the sprite's, since how an edge blends is the drawing's choice."""
    rgb = bytearray(picture.rgb)
    loose = {}
    for sy in range(sprite.height):
        y = top + sy
        if not 0 <= y < picture.height:
            continue
        for sx in range(sprite.width):
            x = left + sx
            if not 0 <= x < picture.width:
                continue
            r, g, b, a = sprite.at(sx, sy)
            if a == 0:
                continue
            o = (y * picture.width + x) * 3
            if a == 255:
                rgb[o:o + 3] = bytes((r, g, b))
                loose.pop((x, y), None)
            else:
                under = rgb[o:o + 3]
                rgb[o:o + 3] = bytes((c * a + d * (255 - a) + 127) // 255 for c, d in zip((r, g, b), under))
                loose[(x, y)] = (tuple(min(c, d) for c, d in zip((r, g, b), under)),
                                 tuple(max(c, d) for c, d in zip((r, g, b), under)))
    return Picture(picture.width, picture.height, rgb), loose


def mismatches(shot, expected, loose=None, tolerance=2, exclude=()):
    """Pixels where `shot` differs from `expected` outside `exclude`; a pixel that `loose` maps to a (lowest,
    highest) colour pair may take any colour between them, `tolerance` more or less in each channel."""
    loose = loose or {}
    out = []
    for x, y in shot.differences(expected, exclude):
        if (x, y) in loose:
            lowest, highest = loose[(x, y)]
            if all(lo - tolerance <= v <= hi + tolerance for v, lo, hi in zip(shot.at(x, y), lowest, highest)):
                continue
        out.append((x, y))
    return out
