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
