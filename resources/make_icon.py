#!/usr/bin/env python3
"""Draws Quill's application icon (a folder with a quill pen across it) as a .ico file.

The icon is drawn from geometry at build time so the repository holds no binary image.
Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

SIZES = (16, 32, 48)

FOLDER_BACK = (0xC8, 0x8E, 0x1E)
FOLDER_FRONT = (0xF2, 0xC0, 0x4C)
FOLDER_EDGE = (0x8A, 0x5E, 0x10)
FEATHER = (0xFF, 0xFF, 0xFF)
FEATHER_EDGE = (0x2F, 0x7E, 0xE3)
SHAFT = (0x1C, 0x3D, 0x7A)


def Coverage(inside, x, y, samples=4):
    """Fraction of pixel (x, y) covered by the shape, from a samples x samples grid."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def Blend(pixel, colour, alpha):
    r, g, b, a = pixel
    outA = alpha + a * (1 - alpha)
    if outA == 0:
        return (0, 0, 0, 0)
    mix = lambda c, d: (c * alpha + d * a * (1 - alpha)) / outA
    return (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), outA)


def Draw(size):
    """Returns size*size RGBA pixels (floats, alpha 0..1), top row first."""
    s = size / 32.0  # shapes are laid out on a 32-unit grid
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def Rect(x0, y0, x1, y1):
        return lambda x, y: x0 * s <= x < x1 * s and y0 * s <= y < y1 * s

    def Feather(x, y):
        # An ellipse leaning from the lower left to the upper right.
        u, v = x / s - 19.0, y / s - 11.0
        along = (u - v) * 0.7071
        across = (u + v) * 0.7071
        return (along / 12.5) ** 2 + (across / 4.2) ** 2 <= 1.0

    def FeatherOutline(x, y):
        u, v = x / s - 19.0, y / s - 11.0
        along = (u - v) * 0.7071
        across = (u + v) * 0.7071
        return (along / 13.5) ** 2 + (across / 5.2) ** 2 <= 1.0

    def Shaft(x, y):
        # The pen's spine, running on through the nib to the lower left.
        u, v = x / s, y / s
        along = (u - v) * 0.7071
        across = (u + v) * 0.7071 - 30.0 * 0.7071
        return abs(across) <= max(0.8, 0.6 / s) and -17.0 <= along <= 14.0

    layers = [
        (Rect(2, 7, 13, 10), FOLDER_EDGE),     # tab
        (Rect(2, 9, 30, 28), FOLDER_EDGE),     # back, outline
        (Rect(3, 10, 29, 27), FOLDER_BACK),
        (Rect(2, 13, 30, 28), FOLDER_EDGE),    # front, outline
        (Rect(3, 14, 29, 27), FOLDER_FRONT),
        (FeatherOutline, FEATHER_EDGE),
        (Feather, FEATHER),
        (Shaft, SHAFT),
    ]
    for inside, colour in layers:
        for y in range(size):
            for x in range(size):
                alpha = Coverage(inside, x, y)
                if alpha > 0:
                    pixels[y][x] = Blend(pixels[y][x], colour, alpha)
    return pixels


def IconImage(size):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the AND mask."""
    pixels = Draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((round(b), round(g), round(r), round(a * 255)))
    maskStride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(maskStride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def Icon():
    images = [IconImage(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(Icon())


if __name__ == "__main__":
    main()
