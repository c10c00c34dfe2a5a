#!/usr/bin/env python3
"""Draws the product icon and writes the .ico files that the resource script embeds.

The icon: a dark rounded tile with a bold "V" whose colour runs from the progress
bar's orange at the bottom to its light yellow at the top. Everything is computed
here (4x4 supersampling for smooth edges), so the files are reproducible:
    python3 resources/icons/make_icons.py   (writes beside this script)
"""
import math
import os
import struct
import zlib

TILE = (40, 40, 40)          # the window's background
TILE_EDGE = (70, 70, 70)
V_BOTTOM = (239, 160, 24)    # the bar's left colour
V_TOP = (255, 221, 110)      # the bar's right colour
SUPERSAMPLE = 4


def inside_rounded_square(x, y, radius):
    # Unit square [0,1]^2 with rounded corners.
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def in_v(x, y):
    # Two thick strokes meeting at the bottom, y grows downwards.
    half_width = 0.085
    left = distance_to_segment(x, y, 0.24, 0.22, 0.5, 0.80)
    right = distance_to_segment(x, y, 0.76, 0.22, 0.5, 0.80)
    return min(left, right) <= half_width


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sample(x, y):
    """Colour and alpha (0..1) of one sub-pixel at unit coordinates."""
    if not inside_rounded_square(x, y, 0.2):
        return (0, 0, 0), 0.0
    if in_v(x, y):
        return mix(V_TOP, V_BOTTOM, min(max((y - 0.14) / 0.74, 0.0), 1.0)), 1.0
    if not inside_rounded_square((x - 0.5) * 1.07 + 0.5, (y - 0.5) * 1.07 + 0.5, 0.2):
        return TILE_EDGE, 1.0
    return mix(TILE, (28, 28, 28), y), 1.0


def render(size):
    """Rows of (b, g, r, a) bytes, top row first, premultiplication not used."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    colour, alpha = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    r += colour[0] * alpha
                    g += colour[1] * alpha
                    b += colour[2] * alpha
                    a += alpha
            if a > 0:
                r, g, b = r / a, g / a, b / a
            alpha = a / (n * n)
            row += bytes((round(b), round(g), round(r), round(alpha * 255)))
        rows.append(row)
    return rows


def icon_image(size):
    """One 32-bit icon image: header, colour rows bottom-up, then the AND mask."""
    rows = render(size)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    pixels = b"".join(bytes(row) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def png_image(size):
    """One image as PNG, which Windows reads in icons from Vista on: a fraction of a bitmap's bytes."""
    raw = bytearray()
    for row in render(size):
        raw.append(0)  # no filter
        for x in range(0, len(row), 4):
            raw += bytes((row[x + 2], row[x + 1], row[x], row[x + 3]))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_ico(path, sizes, png_sizes=()):
    images = [png_image(s) if s in png_sizes else icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, "vorak.ico"), [48, 32, 16])
    # The window draws 48 px at 96 DPI: 60, 64, 72 and 96 px serve 125, 133, 150 and 200 % screens unscaled. The
    # three largest are PNG, for their size in every copy players download; Windows XP, which cannot read those,
    # draws at 133 % and more only where a player set such a system DPI.
    write_ico(os.path.join(here, "vorak_window.ico"), [96, 72, 64, 60, 48], png_sizes=(96, 72, 64))
