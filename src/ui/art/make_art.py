#!/usr/bin/env python3
"""Draws the artwork of the wizard pages as small 8-bit bitmaps (the pages stretch them).

side_picture.bmp: a deep blue to teal gradient with a pale disc, for the picture at the left.
header.bmp: a white to pale blue band, for the header of the header layout.
Run it again only to change the artwork; the bitmaps are kept in the repository.
"""
import math
import os
import struct


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b); y counts from the top. Colours are reduced to one palette."""
    palette = []
    index = {}
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            colour = pixel(x, y)
            if colour not in index:
                if len(palette) == 256:
                    raise SystemExit("too many colours")
                index[colour] = len(palette)
                palette.append(colour)
            row.append(index[colour])
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    palette += [(0, 0, 0)] * (256 - len(palette))
    pixels = b"".join(reversed(rows))  # bottom-up
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + colours + pixels)


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def quantise(colour, step=6):
    return tuple(min(255, (c // step) * step) for c in colour)


def side(x, y):
    width, height = 43, 86
    colour = blend((24, 48, 128), (16, 128, 136), y / (height - 1))
    dx, dy = x - width / 2 + 0.5, y - height * 0.3
    if math.hypot(dx, dy) < 11:
        colour = blend(colour, (230, 236, 250), 0.7)
    return quantise(colour)


def header(x, y):
    return quantise(blend((255, 255, 255), (196, 214, 240), x / 139))


here = os.path.dirname(os.path.abspath(__file__))
write_bmp(os.path.join(here, "side_picture.bmp"), 43, 86, side)
write_bmp(os.path.join(here, "header.bmp"), 140, 13, header)
