#!/usr/bin/env python3
"""Draws the picture on the left of the setup's welcome and finish pages, our own art:
Lockbay's shield with its padlock (the programs' icon, see make_icons.py) on the sky
blue of Lockbay's windows, deepening downwards.

Writes a 164 x 314 pixel, 24-bit Windows bitmap, the size the setup's pages show
without scaling. The build runs it (installer/CMakeLists.txt):

    python3 tools/make_setup_pictures.py --output welcome.bmp
"""

import argparse
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icons  # noqa: E402  (beside this script)

WIDTH, HEIGHT = 164, 314
SKY = (135, 206, 250)  # the background colour of Lockbay's windows
DEEP = (40, 110, 200)
SHIELD_SIZE = 112
SHIELD_TOP = 64


def draw():
    """Rows of (r, g, b), top row first."""
    shield = make_icons.draw(SHIELD_SIZE, make_icons.in_padlock)
    left = (WIDTH - SHIELD_SIZE) // 2
    rows = []
    for y in range(HEIGHT):
        background = make_icons.blend(SKY, DEEP, (y / (HEIGHT - 1)) ** 1.5)
        row = []
        for x in range(WIDTH):
            colour = background
            sx, sy = x - left, y - SHIELD_TOP
            if 0 <= sx < SHIELD_SIZE and 0 <= sy < SHIELD_SIZE:
                r, g, b, a = shield[sy][sx]
                colour = make_icons.blend(background, (r, g, b), a / 255)
            row.append(colour)
        rows.append(row)
    return rows


def bmp(rows):
    """A bottom-up 24-bit bitmap file; each row padded to four bytes."""
    height, width = len(rows), len(rows[0])
    padding = (4 - (width * 3) % 4) % 4
    pixels = b"".join(bytes(c for (r, g, b) in row for c in (b, g, r)) + b"\0" * padding
                      for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True, help="the bitmap to write")
    args = parser.parse_args()
    with open(args.output, "wb") as out:
        out.write(bmp(draw()))


if __name__ == "__main__":
    main()
