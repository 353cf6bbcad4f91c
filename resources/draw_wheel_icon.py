#!/usr/bin/env python3
"""Draws the property sheet's tab icon (icon group 102): a steering wheel.

Rerun it from the repository root after changing the drawing:

    python3 resources/draw_wheel_icon.py             # rewrites resources/wheel.ico
    python3 resources/draw_wheel_icon.py --check     # exit 1 if wheel.ico is not what this draws

The output is one 32x32 image with 4 bits per pixel and the standard
16-colour VGA palette, the format the control panel's tabs have shown since
Windows 95. The wheel is a rim ring, three spokes (left, right, down) and a
hub, in black and dark grey; everything else is transparent through the AND
mask. The drawing is integer arithmetic only, so every run writes the same
bytes. Python 3 standard library only.
"""

import argparse
import pathlib
import struct
import sys

SIZE = 32
BITS_PER_PIXEL = 4

# The standard VGA palette in Windows order, as (red, green, blue).
VGA_PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK = 0
DARK_GREY = 8
TRANSPARENT = None

# Radii in half pixels, compared with squared distances from the centre of
# the 32x32 square (also in half pixels), so that no rounding decides a pixel.
RIM_OUTER = 31    # 15.5 px: the rim touches the image's edges
RIM_EDGE = 29     # the outer black line of the rim is one pixel wide
RIM_INNER_EDGE = 25
RIM_INNER = 23    # 11.5 px: the rim is four pixels wide
HUB_OUTER = 11    # 5.5 px
HUB_EDGE = 7      # the hub's black ring is two pixels wide around a grey cap
SPOKE_HALF_WIDTH = 3   # spokes are four pixels wide
SPOKE_EDGE = 3         # their outermost rows and columns are black


def pixel_colour(x, y):
    """The palette index of pixel (x, y), or TRANSPARENT."""
    dx = 2 * x + 1 - SIZE
    dy = 2 * y + 1 - SIZE
    distance2 = dx * dx + dy * dy
    if distance2 > RIM_OUTER * RIM_OUTER:
        return TRANSPARENT
    if distance2 > RIM_INNER * RIM_INNER:
        if distance2 > RIM_EDGE * RIM_EDGE or distance2 <= RIM_INNER_EDGE * RIM_INNER_EDGE:
            return BLACK
        return DARK_GREY
    if distance2 <= HUB_OUTER * HUB_OUTER:
        return DARK_GREY if distance2 <= HUB_EDGE * HUB_EDGE else BLACK
    # The left and right spokes run along the horizontal diameter, the third
    # one down to the bottom of the rim, where a driver's thumbs do not rest.
    if abs(dy) <= SPOKE_HALF_WIDTH:
        return BLACK if abs(dy) == SPOKE_EDGE else DARK_GREY
    if dy > 0 and abs(dx) <= SPOKE_HALF_WIDTH:
        return BLACK if abs(dx) == SPOKE_EDGE else DARK_GREY
    return TRANSPARENT


def draw():
    """Rows top to bottom, each a list of palette indices or TRANSPARENT."""
    return [[pixel_colour(x, y) for x in range(SIZE)] for y in range(SIZE)]


def icon_bytes(rows):
    """The .ico file: directory, BITMAPINFOHEADER, palette, colour and mask bits."""
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA_PALETTE)
    colour_rows = []
    mask_rows = []
    # Bitmap rows are stored bottom-up; 32 pixels fill whole 32-bit words in
    # both the 4-bit colour rows and the 1-bit mask rows, so no padding.
    for row in reversed(rows):
        colour = bytearray()
        for x in range(0, SIZE, 2):
            high = row[x] if row[x] is not TRANSPARENT else BLACK
            low = row[x + 1] if row[x + 1] is not TRANSPARENT else BLACK
            colour.append((high << 4) | low)
        colour_rows.append(bytes(colour))
        mask = 0
        for x in range(SIZE):
            mask = (mask << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask_rows.append(mask.to_bytes(SIZE // 8, "big"))
    colour_bits = b"".join(colour_rows)
    mask_bits = b"".join(mask_rows)

    # An icon's header gives twice the height: the colour bits and the mask.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, BITS_PER_PIXEL, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 0, 0)
    image = header + palette + colour_bits + mask_bits

    directory = struct.pack("<HHH", 0, 1, 1)
    entry_size = 16
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, len(VGA_PALETTE), 0, 1, BITS_PER_PIXEL,
                        len(image), len(directory) + entry_size)
    return directory + entry + image


def main():
    default_output = pathlib.Path(__file__).resolve().parent / "wheel.ico"
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=default_output,
                        help="where to write the icon (default: %(default)s)")
    parser.add_argument("--check", action="store_true",
                        help="compare with the file instead of writing it")
    arguments = parser.parse_args()

    data = icon_bytes(draw())
    if arguments.check:
        try:
            current = arguments.output.read_bytes()
        except OSError as error:
            print(f"{arguments.output}: {error.strerror}", file=sys.stderr)
            return 1
        if current != data:
            print(f"{arguments.output} is not what {pathlib.Path(__file__).name} draws; rerun it",
                  file=sys.stderr)
            return 1
        return 0
    arguments.output.write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
