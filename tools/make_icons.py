#!/usr/bin/env python3
"""Draws the programs' icons, our own art: a blue shield with a white padlock for
Lockbay, with a white downward arrow for its updater, and with a white USB plug for
the watcher (the icon in the notification area).

Writes lockbay/resources/lockbay.ico, update/resources/update.ico and
watch/resources/lockbay-watch.ico (sizes 16, 24, 32, 48 as 32-bit bitmaps with alpha,
256 as PNG). Only the standard library is used; run it
again after changing the drawing and commit the results:

    python3 tools/make_icons.py
"""

import math
import os
import struct
import zlib

SIZES = (16, 24, 32, 48, 256)
SUPERSAMPLE = 4  # samples per pixel along each axis, for smooth edges

SHIELD_TOP = (64, 140, 230)  # lighter blue at the top
SHIELD_BOTTOM = (16, 64, 160)  # deeper blue at the tip
RIM = (10, 40, 110)
WHITE = (255, 255, 255)


# ---- Shapes, in a unit square (0..1, y downwards) ------------------------------------


def in_shield(x, y, inset=0.0):
    """A heater shield: straight top, straight sides, curving to a point at the bottom."""
    left, right, top = 0.12 + inset, 0.88 - inset, 0.06 + inset
    if y < top or x < left or x > right:
        return False
    shoulder = 0.45
    if y <= shoulder:
        return True
    # Below the shoulder each side follows a circle arc meeting the other at the tip.
    tip = 0.96 - inset * 1.6
    if y > tip:
        return False
    t = (y - shoulder) / (tip - shoulder)
    half = (right - left) / 2
    width = half * math.sqrt(max(0.0, 1 - t * t))
    return abs(x - 0.5) <= width


def in_padlock(x, y):
    body = 0.34 <= x <= 0.66 and 0.44 <= y <= 0.72
    # The shackle: a ring segment above the body.
    cx, cy = 0.5, 0.44
    r = math.hypot(x - cx, y - cy)
    shackle = y <= 0.46 and 0.09 <= r <= 0.14
    keyhole = math.hypot(x - 0.5, y - 0.55) <= 0.035 or (0.485 <= x <= 0.515 and 0.55 <= y <= 0.65)
    return (body or shackle) and not keyhole


def in_arrow(x, y):
    shaft = 0.44 <= x <= 0.56 and 0.24 <= y <= 0.52
    head = 0.50 <= y <= 0.74 and abs(x - 0.5) <= (0.74 - y) * 0.85
    return shaft or head


def in_plug(x, y):
    """A USB plug seen from the side: the metal shell with its two windows on top, the
    grip below it and the cable."""
    shell = 0.38 <= x <= 0.62 and 0.20 <= y <= 0.40
    windows = (0.43 <= x <= 0.48 or 0.52 <= x <= 0.57) and 0.25 <= y <= 0.31
    grip = 0.31 <= x <= 0.69 and 0.40 <= y <= 0.64
    cable = 0.45 <= x <= 0.55 and 0.64 <= y <= 0.80
    return (shell and not windows) or grip or cable


def coverage(shape, px, py, size):
    hits = 0
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            x = (px + (sx + 0.5) / SUPERSAMPLE) / size
            y = (py + (sy + 0.5) / SUPERSAMPLE) / size
            hits += shape(x, y)
    return hits / (SUPERSAMPLE * SUPERSAMPLE)


def blend(under, over, alpha):
    return tuple(round(u * (1 - alpha) + o * alpha) for u, o in zip(under, over))


def draw(size, emblem):
    """Returns rows of (r, g, b, a) pixels, top row first."""
    rim_width = max(1.0 / size, 0.035)
    rows = []
    for py in range(size):
        row = []
        gradient = py / max(1, size - 1)
        fill = blend(SHIELD_TOP, SHIELD_BOTTOM, gradient)
        for px in range(size):
            outer = coverage(in_shield, px, py, size)
            if outer == 0:
                row.append((0, 0, 0, 0))
                continue
            inner = coverage(lambda x, y: in_shield(x, y, rim_width), px, py, size)
            colour = blend(RIM, fill, inner)
            mark = coverage(emblem, px, py, size)
            colour = blend(colour, WHITE, mark)
            row.append(colour + (round(255 * outer),))
        rows.append(row)
    return rows


# ---- File formats ------------------------------------------------------------------


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(rows):
    """A 32-bit bottom-up bitmap with its (all-zero) AND mask, as icons store them."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + b"\0" * (mask_stride * size)


def ico(images):
    entries, data = [], []
    offset = 6 + 16 * len(images)
    for size, blob in images:
        dim = 0 if size >= 256 else size
        entries.append(struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset))
        data.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(data)


def make(path, emblem):
    images = []
    for size in SIZES:
        rows = draw(size, emblem)
        images.append((size, png(rows) if size >= 256 else dib(rows)))
    with open(path, "wb") as out:
        out.write(ico(images))
    print("wrote", path)


if __name__ == "__main__":
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    make(os.path.join(root, "lockbay", "resources", "lockbay.ico"), in_padlock)
    make(os.path.join(root, "update", "resources", "update.ico"), in_arrow)
    make(os.path.join(root, "watch", "resources", "lockbay-watch.ico"), in_plug)
