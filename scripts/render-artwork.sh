#!/bin/sh
# Renders the artwork sources in src/resources/svg/ into the files the build embeds, which are committed so the
# build needs no SVG renderer: the five stamp PNGs, the five pictures of the guidance windows (art-*.png), the
# program icon lumora.ico, the pointers highlighter.cur and hand.cur, and the installer's packaging/wizard.bmp.
# Needs rsvg-convert (Debian librsvg2-bin), ImageMagick's convert, python3 and the DejaVu Sans font
# (fonts-dejavu-core), in which the words of the banner and the title strip are set. Run it after changing an SVG.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
res=$root/src/resources
svg=$res/svg
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

for tool in rsvg-convert convert python3 fc-list; do
  command -v "$tool" >/dev/null || { echo "render-artwork: $tool is missing" >&2; exit 1; }
done
# A missing font would silently fall back to another and change the committed pictures.
if ! fc-list ':family=DejaVu Sans:style=Bold' | grep -q .; then
  echo "render-artwork: DejaVu Sans Bold is missing" >&2
  exit 1
fi

# Stamps: rendered at the size the overlay shows them, one SVG unit per pixel.
render_stamp() {  # name width height
  rsvg-convert --width "$2" --height "$3" --format png "$svg/stamp-$1.svg" --output "$res/stamp-$1.png"
}
render_stamp smiley 47 47
render_stamp x 53 39
render_stamp check 60 55
render_stamp arrow 73 51
render_stamp star 70 66

# Pictures of the guidance windows, each at the one size the program lays it out with.
render_art() {  # name width height
  rsvg-convert --width "$2" --height "$3" --format png "$svg/art-$1.svg" --output "$res/art-$1.png"
}
render_art banner 340 56
render_art arrow 53 65
render_art title 545 55
render_art picture 256 256
render_art background 585 425

# The installer's welcome and finish pages: the picture on a pale highlighter yellow, as an uncompressed
# 8-bit BMP of the size those pages show (164 x 314).
rsvg-convert --width 150 --height 150 --format png "$svg/art-picture.svg" --output "$work/wizard.png"
convert -size 164x314 xc:'#FFF4CC' "$work/wizard.png" -gravity center -geometry +0-30 -composite \
  -type Palette -colors 256 -compress none "BMP3:$root/packaging/wizard.bmp"

# Icon images: the small sizes come from a simplified drawing that stays legible at 16 to 24 pixels.
for size in 16 20 24; do
  rsvg-convert --width $size --height $size --format png "$svg/icon-small.svg" --output "$work/icon-$size.png"
done
for size in 32 40 48 64 256; do
  rsvg-convert --width $size --height $size --format png "$svg/icon.svg" --output "$work/icon-$size.png"
done
rsvg-convert --width 32 --height 32 --format png "$svg/highlighter.svg" --output "$work/highlighter.png"
rsvg-convert --width 32 --height 32 --format png "$svg/hand.svg" --output "$work/hand.png"

# Straight RGBA bytes for the images stored as bitmaps inside the .ico and .cur.
for png in "$work"/*.png; do
  convert "$png" -depth 8 "rgba:${png%.png}.rgba"
done

python3 - "$res" "$work" <<'EOF'
"""Checks the embedded PNGs and writes lumora.ico, highlighter.cur and hand.cur with 32-bit images."""
import struct
import sys

res, work = sys.argv[1], sys.argv[2]

PNGS = {"stamp-smiley": (47, 47), "stamp-x": (53, 39), "stamp-check": (60, 55), "stamp-arrow": (73, 51),
        "stamp-star": (70, 66), "art-banner": (340, 56), "art-arrow": (53, 65), "art-title": (545, 55),
        "art-picture": (256, 256), "art-background": (585, 425)}
for name, size in PNGS.items():
    data = open(f"{res}/{name}.png", "rb").read()
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    # 8-bit RGBA, or RGB for a picture without any transparency.
    if (width, height) != size or depth != 8 or colour not in (2, 6):
        sys.exit(f"render-artwork: {name}.png is {width}x{height}, depth {depth}, type {colour}")


def dib(size):
    """A bottom-up 32-bit BGRA bitmap followed by its 1-bit AND mask, as icon and cursor resources store them."""
    rgba = open(f"{work}/{size}.rgba", "rb").read()
    side = int((len(rgba) // 4) ** 0.5)
    rows = [rgba[y * side * 4:(y + 1) * side * 4] for y in range(side)]
    pixels = bytearray()
    mask = bytearray()
    stride = (side + 31) // 32 * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(side):
            r, g, b, a = row[4 * x:4 * x + 4]
            if a == 0:
                # Fully transparent pixels are black in the colour plane so the old AND/XOR drawing shows nothing.
                r = g = b = 0
                bits[x // 8] |= 0x80 >> (x % 8)
            pixels += bytes((b, g, r, a))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return side, header + bytes(pixels) + bytes(mask)


def write(path, kind, images):
    """kind 1 is an icon (planes 1, 32 bits); kind 2 a cursor, whose entry holds the hot spot instead."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for side, data, field1, field2 in images:
        dim = 0 if side >= 256 else side
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, field1, field2, len(data), offset + len(body))
        body += data
    open(path, "wb").write(out + body)


icons = []
for size in (16, 20, 24, 32, 40, 48, 64):
    side, data = dib(f"icon-{size}")
    assert side == size
    icons.append((side, data, 1, 32))
# The 256-pixel image is stored as PNG, which every system from Vista on reads and which keeps the file small.
icons.append((256, open(f"{work}/icon-256.png", "rb").read(), 1, 32))
write(f"{res}/lumora.ico", 1, icons)

side, data = dib("highlighter")
assert side == 32
write(f"{res}/highlighter.cur", 2, [(side, data, 16, 16)])

# The hand's hot spot is the top of its index finger, pixel (8,0).
side, data = dib("hand")
assert side == 32
write(f"{res}/hand.cur", 2, [(side, data, 8, 0)])
EOF

echo "render-artwork: wrote stamp-*.png, art-*.png, lumora.ico, highlighter.cur and hand.cur in src/resources"
