#!/usr/bin/env python3
"""long_block_installer.py STUB OUT MIB: an installer whose product is a directory \\data holding one file, big.bin,
whose block of a few dozen bytes decodes to MIB mebibytes of zeros (every match 256 bytes long at distance 1, from
one-symbol code sets whose symbols take no bits), then a file after.txt: the decoding leaves seconds between the
creation of \\data and that of big.bin."""
import struct
import sys

MARKER_WORD, DIRECTORY_TAG, FILE_TAG, SCAN_START = 0x5445, 0xDC19, 0xB520, 400000


class Bits:
    def __init__(self):
        self.value, self.count = 0, 0

    def put(self, value, width):
        self.value, self.count = (self.value << width) | value, self.count + width

    def bytes(self):
        padding = -self.count % 8
        return (self.value << padding).to_bytes((self.count + padding) // 8, "big")


def long_block(mebibytes):
    segments = mebibytes // 16  # 65,536 matches of 256 bytes each
    bits = Bits()
    for _ in range(segments):
        bits.put(0, 16)  # 65,536 symbols
        bits.put(0, 5), bits.put(0, 5)  # length-code set: one symbol
        bits.put(0, 9), bits.put(256 + 253, 9)  # main set: one symbol, a match of 256
        bits.put(0, 4), bits.put(0, 4)  # offset set: one symbol, distance 1
    return struct.pack("<i", segments * 65536 * 256) + bits.bytes()


def string(text):
    return struct.pack("<i", len(text)) + text


def main():
    stub, out, mebibytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
    image = open(stub, "rb").read()
    image += bytes(max(SCAN_START, len(image) + len(image) % 2) - len(image))
    payload = struct.pack("<4H", *[MARKER_WORD] * 4) + struct.pack("<Hi", 0, 0)
    payload += struct.pack("<H", DIRECTORY_TAG) + string(b"")
    payload += struct.pack("<H", DIRECTORY_TAG) + string(b"\\data")
    block = long_block(mebibytes)
    payload += struct.pack("<H", FILE_TAG) + string(b"big.bin") + struct.pack("<i", 4 + len(block)) + block
    empty = struct.pack("<i", 0)  # decoded size 0, no bits
    payload += struct.pack("<H", FILE_TAG) + string(b"after.txt") + struct.pack("<i", 4 + len(empty)) + empty
    open(out, "wb").write(image + payload)


if __name__ == "__main__":
    main()
