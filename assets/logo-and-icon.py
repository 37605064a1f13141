#!/usr/bin/env python3
"""Draws the installer's logo (logo.bmp) and the program's icon (icon.ico) from simple shapes.

logo.bmp: 164 x 184, bottom-up uncompressed 24-bit, 72 dpi; pure white is the transparent colour, so the
window's cream shows wherever the picture is white (its bottom-left pixel must stay white).
icon.ico: one 64 x 64 picture of 16 colours (the standard VGA palette) with its transparency mask.
Run from anywhere: python3 assets/logo-and-icon.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE = (255, 255, 255)
NAVY = (0, 0, 128)
BLUE = (0, 0, 255)
RED = (255, 0, 0)
YELLOW = (255, 255, 0)
GREEN = (0, 128, 0)
TEAL = (0, 128, 128)
MAROON = (128, 0, 0)
GREY = (128, 128, 128)
BLACK = (0, 0, 0)


def quibel_mark(width, height, scale):
    """A "Q" ring with its tail over an open book, as a function (x, y) -> colour or None (background)."""
    cx, cy = width / 2, 0.40 * height
    outer, inner = 0.36 * width, 0.22 * width

    def book(x, y):
        top, bottom = 0.72 * height, 0.95 * height
        if not (top <= y <= bottom):
            return None
        spine = width / 2
        left, right = 0.10 * width, 0.90 * width
        lift = (y - top) / (bottom - top)
        # Each page droops a little towards its outer edge.
        edge_top = top + 0.05 * height * abs(x - spine) / (spine - left)
        if y < edge_top or not (left <= x <= right):
            return None
        if abs(x - spine) < max(1.0, scale):
            return MAROON
        if y > bottom - 3 * scale:
            return MAROON
        # Lines of text on the pages.
        if int((y - top) / (4 * scale)) % 2 == 1 and 0.08 * width < abs(x - spine) < 0.32 * width and lift < 0.8:
            return GREY
        return YELLOW if x < spine else (255, 255, 128) if scale > 1 else YELLOW

    def ring(x, y):
        # The tail of the Q, over the ring: a thick stroke to the lower right.
        tx, ty = x - (cx + 0.20 * width), y - (cy + 0.20 * width)
        along = (tx + ty) / math.sqrt(2)
        across = (tx - ty) / math.sqrt(2)
        if -0.12 * width <= along <= 0.14 * width and abs(across) <= 0.05 * width:
            return RED
        d = math.hypot(x - cx, y - cy)
        if inner <= d <= outer:
            return NAVY if y < cy else BLUE
        return None

    def mark(x, y):
        return ring(x, y) or book(x, y)

    return mark


def write_logo(path):
    width, height = 164, 184
    mark = quibel_mark(width, height, 2)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = mark(x + 0.5, y + 0.5) or WHITE
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    # The bottom-left pixel gives the transparent colour: it must be white.
    assert rows[0][:3] == b"\xff\xff\xff"
    pixels = b"".join(rows)
    dpm = 2835  # 72 dpi in pixels per metre
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), dpm, dpm, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


VGA = [BLACK, MAROON, GREEN, (128, 128, 0), NAVY, (128, 0, 128), TEAL, (192, 192, 192),
       GREY, RED, (0, 255, 0), YELLOW, BLUE, (255, 0, 255), (0, 255, 255), WHITE]


def write_icon(path):
    size = 64
    mark = quibel_mark(size, size, 1)

    def colour_at(x, y):
        c = mark(x + 0.5, y + 0.5)
        if c is not None:
            return VGA.index(c if c in VGA else YELLOW)
        # A white rounded square behind the mark; outside it the icon is transparent.
        r, m = 10, 2
        qx = min(max(x, m + r), size - 1 - m - r)
        qy = min(max(y, m + r), size - 1 - m - r)
        return VGA.index(WHITE) if math.hypot(x - qx, y - qy) <= r else None

    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):
        nibbles = []
        mask = 0
        for x in range(size):
            index = colour_at(x, y)
            nibbles.append(0 if index is None else index)
            mask = (mask << 1) | (1 if index is None else 0)
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        and_rows.append(mask.to_bytes(size // 8, "big"))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
    bits = b"".join(xor_rows) + b"".join(and_rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(bits), 0, 0, 16, 0)
    image = info + palette + bits
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    write_logo(os.path.join(HERE, "logo.bmp"))
    write_icon(os.path.join(HERE, "icon.ico"))
