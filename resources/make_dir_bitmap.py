#!/usr/bin/env python3
"""Draws the folder bitmap "DIR" that the favourites menu items carry, as a 16x16 .bmp file.

32 bits per pixel with premultiplied alpha, so menus blend it over their own background (the
highlight of a chosen item included). Drawn at build time like the application icon, in its
folder colours. Usage: make_dir_bitmap.py OUTPUT.bmp
"""
import struct
import sys

sys.dont_write_bytecode = True  # no cache folder in the source tree
from make_icon import FOLDER_BACK, FOLDER_EDGE, FOLDER_FRONT, Blend, Coverage

SIZE = 16


def Draw():
    """SIZE*SIZE RGBA pixels (floats, alpha 0..1), top row first."""
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def Rect(x0, y0, x1, y1):
        return lambda x, y: x0 <= x < x1 and y0 <= y < y1

    layers = [
        (Rect(1, 2, 7, 5), FOLDER_EDGE),      # tab
        (Rect(2, 3, 6, 5), FOLDER_BACK),
        (Rect(1, 4, 15, 14), FOLDER_EDGE),    # back
        (Rect(2, 5, 14, 13), FOLDER_BACK),
        (Rect(1, 7, 15, 14), FOLDER_EDGE),    # front
        (Rect(2, 8, 14, 13), FOLDER_FRONT),
    ]
    for inside, colour in layers:
        for y in range(SIZE):
            for x in range(SIZE):
                alpha = Coverage(inside, x, y)
                if alpha > 0:
                    pixels[y][x] = Blend(pixels[y][x], colour, alpha)
    return pixels


def Bitmap():
    rows = bytearray()
    for row in reversed(Draw()):  # bottom-up
        for r, g, b, a in row:
            rows += bytes((round(b * a), round(g * a), round(r * a), round(a * 255)))
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 32, 0, len(rows), 0, 0, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + bytes(rows)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_dir_bitmap.py OUTPUT.bmp")
    with open(sys.argv[1], "wb") as f:
        f.write(Bitmap())


if __name__ == "__main__":
    main()
