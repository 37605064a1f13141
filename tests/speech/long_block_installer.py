#!/usr/bin/env python3
"""long_block_installer.py STUB OUT MIB: an installer whose product is \\data holding big.bin, whose block of a
few dozen bytes decodes to MIB mebibytes of zeros, then after.txt: the decoding leaves seconds between the creation
of \\data and that of big.bin."""
import struct
import sys


def long_block(mebibytes):
    # Segments of 65,536 matches of 256 bytes at distance 1, from one-symbol code sets whose symbols take no bits:
    # count, length-code set, main set, offset set.
    value, count = 0, 0
    for field, width in [(0, 16), (0, 5), (0, 5), (0, 9), (256 + 253, 9), (0, 4), (0, 4)] * (mebibytes // 16):
        value, count = (value << width) | field, count + width
    padding = -count % 8
    bits = (value << padding).to_bytes((count + padding) // 8, "big")
    return struct.pack("<i", mebibytes // 16 * 65536 * 256) + bits


def entry(tag, name, block=None):
    data = struct.pack("<Hi", tag, len(name)) + name
    return data if block is None else data + struct.pack("<i", 4 + len(block)) + block


def main():
    stub, out, mebibytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
    image = open(stub, "rb").read()
    image += bytes(max(400000, len(image) + len(image) % 2) - len(image))
    payload = struct.pack("<4HHi", *[0x5445] * 4, 0, 0) + entry(0xDC19, b"") + entry(0xDC19, b"\\data")
    payload += entry(0xB520, b"big.bin", long_block(mebibytes)) + entry(0xB520, b"after.txt", struct.pack("<i", 0))
    open(out, "wb").write(image + payload)


if __name__ == "__main__":
    main()
