#!/usr/bin/env python3
"""Draws backtile.bmp, the MDI background tile: a quiet quilted slate pattern.

100 x 100 pixels, 8 bits per pixel with a 64-shade palette; every function below is periodic
in 100 so the tile repeats without seams. Run once; the output is committed.
"""
import math
import random
import struct
import sys

SIZE = 100
CELL = 100           # one quilt diamond per tile along each diagonal
SHADES = 64
DARK = (0x33, 0x3f, 0x4e)
LIGHT = (0x6a, 0x7c, 0x91)


def palette():
    return [tuple(round(d + (l - d) * i / (SHADES - 1)) for d, l in zip(DARK, LIGHT)) for i in range(SHADES)]


def brightness(x, y, noise):
    u = ((x + y) % CELL + 0.5) / CELL
    v = ((x - y) % CELL + 0.5) / CELL
    pillow = math.sin(math.pi * u) * math.sin(math.pi * v)
    # Light from the top left: only the slope along the u diagonal faces it.
    slope = math.cos(math.pi * u) * math.sin(math.pi * v)
    seam = min(u, 1 - u, v, 1 - v) * CELL
    value = 0.42 + 0.16 * pillow + 0.12 * slope
    if seam < 1.0:
        value -= 0.10 * (1.0 - seam)
    return value + noise[y][x]


def main(path):
    rng = random.Random(1729)
    noise = [[rng.uniform(-0.018, 0.018) for _ in range(SIZE)] for _ in range(SIZE)]
    rows = []
    for y in range(SIZE):
        rows.append(bytes(max(0, min(SHADES - 1, round(brightness(x, y, noise) * (SHADES - 1))))
                          for x in range(SIZE)))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette())
    colours += bytes(4 * (256 - SHADES))
    pixels = b"".join(reversed(rows))  # bottom-up, 100 bytes a row needs no padding
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + colours + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "backtile.bmp")
