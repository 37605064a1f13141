#!/usr/bin/env python3
"""Writes the eight picker icons as 4-bit (16-colour) bottom-up BMP files.

Each picture is drawn below as rows of palette letters. The icons are drawn with the colour of their bottom-left
pixel as transparent colour, so every picture keeps its bottom-left corner (and its background) in fuchsia 'f'.
Run from any directory: python3 make_icons.py [output directory, default: this script's directory].
"""
import os
import struct
import sys

# The 16 colours of the standard VGA palette, as (letter, (r, g, b)).
PALETTE = [
    ("k", (0, 0, 0)), ("m", (128, 0, 0)), ("G", (0, 128, 0)), ("o", (128, 128, 0)),
    ("n", (0, 0, 128)), ("p", (128, 0, 128)), ("t", (0, 128, 128)), ("s", (192, 192, 192)),
    ("g", (128, 128, 128)), ("r", (255, 0, 0)), ("l", (0, 255, 0)), ("y", (255, 255, 0)),
    ("b", (0, 0, 255)), ("f", (255, 0, 255)), ("a", (0, 255, 255)), ("w", (255, 255, 255)),
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}

ICONS = {
    "floppy.bmp": [
        "ffffffffffffffff",
        "ffffffffffffffff",
        "fkkkkkkkkkkkkkkf",
        "fkwwwwwwwwwwwwkf",
        "fkwsssssssssgskf",
        "fkwskkkkkkkkgskf",
        "fkwssssssssssskf",
        "fkwsssssssslsskf",
        "fkgggggggggggggf",
        "fkkkkkkkkkkkkkkf",
        "ffffffffffffffff",
    ],
    "hard.bmp": [
        "ffffffffffffffff",
        "fffkkkkkkkkkkfff",
        "ffkwwwwwwwwwwkff",
        "fkkkkkkkkkkkkkkf",
        "fkwwwwwwwwwwwwgk",
        "fkwssssssssssggk",
        "fkwssssssssrlsgk",
        "fkwssssssssssggk",
        "fkgggggggggggggk",
        "ffkkkkkkkkkkkkkf",
        "ffffffffffffffff",
    ],
    "network.bmp": [
        "ffffffffffffffff",
        "fkkkkkkkkkkkkkkf",
        "fkwwwwwwwwwwwwgk",
        "fkwssssssssslsgk",
        "fkgggggggggggggk",
        "fffkkkkkkkkkkkff",
        "fffffffkkfffffff",
        "fffffffkkfffffff",
        "fkkkkkkkkkkkkkkf",
        "ffffffkkkkffffff",
        "ffffffffffffffff",
    ],
    "cdrom.bmp": [
        "ffffffkkkkffffff",
        "ffffkkaswwkkffff",
        "fffkaaswwwwwkfff",
        "ffkaassswwwwwkff",
        "ffkassskksswwkff",
        "ffkwwwskkssspkff",
        "ffkwwwwssssppkff",
        "fffkwwwwwsppkfff",
        "ffffkkwwwppkffff",
        "ffffffkkkkffffff",
        "ffffffffffffffff",
    ],
    "ram.bmp": [
        "ffffffffffffffff",
        "ffffffffffffffff",
        "fGGGGGGGGGGGGGGf",
        "fGkkGkkGkkGkkGGf",
        "fGkkGkkGkkGkkGGf",
        "fGGGGGGGGGGGGGGf",
        "fGGGGGGGGGGGGGGf",
        "fyfyfyfyfyfyfyff",
        "fyfyfyfyfyfyfyff",
        "ffffffffffffffff",
        "ffffffffffffffff",
    ],
    "openfolder.bmp": [
        "ffffffffffffffff",
        "ffffffffffffffff",
        "fkkkkkffffffffff",
        "kyyyyykkkkkkkfff",
        "kywywywywywykfff",
        "kwywywywywywkfff",
        "kywywykkkkkkkkkk",
        "kwywykyoyoyoyoyk",
        "kywykyoyoyoyoykf",
        "kwykyoyoyoyoyokf",
        "kykyoyoyoyoyokff",
        "kkyoyoyoyoyoykff",
        "kkkkkkkkkkkkkfff",
        "ffffffffffffffff",
        "ffffffffffffffff",
    ],
    "currentfolder.bmp": [
        "ffffffffffffffff",
        "ffffffffffffffff",
        "fkkkkkffffffffff",
        "kyyyyykkkkkkkfff",
        "kywywywywywykfff",
        "kwywywywywywkfff",
        "kywywykkkkkkkkkk",
        "kwywykrrrrrrrrrk",
        "kywykrrwrrrrrrkf",
        "kwykrrwrrrrrrrkf",
        "kykrrrrrrrrrrkff",
        "kkrrrrrrrrrrrkff",
        "kkkkkkkkkkkkkfff",
        "ffffffffffffffff",
        "ffffffffffffffff",
    ],
    "closedfolder.bmp": [
        "ffffffffffffffff",
        "ffffffffffffffff",
        "fffkkkkkffffffff",
        "ffkywywykfffffff",
        "fkkkkkkkkkkkkkff",
        "fkwywywywywywokf",
        "fkywywywywywyokf",
        "fkwywywywywywokf",
        "fkywywywywywyokf",
        "fkwywywywywywokf",
        "fkywywywywywyokf",
        "fkooooooooooooof",
        "ffkkkkkkkkkkkkkf",
        "ffffffffffffffff",
        "ffffffffffffffff",
    ],
}


def bmp_4bit(rows):
    height, width = len(rows), len(rows[0])
    if any(len(row) != width for row in rows):
        raise ValueError("rows of unequal length")
    stride = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, letter in enumerate(row):
            nibble = INDEX[letter]
            line[x // 2] |= nibble << 4 if x % 2 == 0 else nibble
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    return header + info + palette + bytes(pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, rows in ICONS.items():
        if rows[-1][0] != "f":
            raise ValueError(name + ": the bottom-left pixel must be the transparent colour")
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp_4bit(rows))


if __name__ == "__main__":
    main()
