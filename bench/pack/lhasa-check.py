#!/usr/bin/env python3
"""lhasa-check.py PACKAGE TREE JLHA_ARCHIVE WORKDIR

Puts every compressed block of a package (marker at offset 0) into an .lzh archive as an -lh5- member, lets lhasa
extract it, and compares each extracted file with the file of TREE it came from. The CRC-16 that an .lzh member
must carry is taken from jlha's archive of the same tree (`lhasa v`) where its listing shows the name (it shows
accented letters as "?"), else computed here. Exits 1 on any difference.
"""
import os
import struct
import subprocess
import sys

FILE_TAG, DIRECTORY_TAG = 0xB520, 0xDC19


def blocks(package):
    """(relative path, decoded size, lh5 bits) of every file entry, in package order."""
    data = open(package, "rb").read()
    at = 10
    (lines,) = struct.unpack_from("<i", data, at)
    at += 4

    def text():
        nonlocal at
        (n,) = struct.unpack_from("<i", data, at)
        at += 4 + max(n, 0)
        return data[at - max(n, 0):at].decode("cp1252")

    for _ in range(max(lines, 0)):
        text()
    directory = ""
    while at < len(data):
        (tag,) = struct.unpack_from("<H", data, at)
        at += 2
        if tag not in (DIRECTORY_TAG, FILE_TAG):
            return  # the closing tags: the tree ends there, the digest record follows
        name = text()
        if tag == DIRECTORY_TAG:
            directory = name.replace("\\", "/").strip("/")
        elif tag == FILE_TAG and name:
            (length,) = struct.unpack_from("<i", data, at)
            block = data[at + 4:at + length]
            at += length
            (size,) = struct.unpack_from("<i", block)
            yield (directory + "/" + name).lstrip("/"), size, block[4:]


def jlha_crcs(archive):
    listing = subprocess.run(["lhasa", "v", archive], capture_output=True, check=True).stdout
    crcs = {}
    for line in listing.splitlines():
        fields = line.split(None, 9)
        if fields and fields[0] == b"[generic]" and fields[4].startswith(b"-lh") and fields[4] != b"-lhd-":
            crcs[fields[9].decode("utf-8", errors="replace")] = int(fields[5], 16)
    return crcs


def crc16(data):
    """CRC-16 of .lzh members: polynomial 0x8005, reflected, initial value 0."""
    table = [0] * 256
    for i in range(256):
        c = i
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
        table[i] = c
    crc = 0
    for byte in data:
        crc = (crc >> 8) ^ table[(crc ^ byte) & 0xFF]
    return crc


def main():
    package, tree, jlha_archive, work = sys.argv[1:5]
    crcs = jlha_crcs(jlha_archive)
    os.makedirs(os.path.join(work, "out"), exist_ok=True)
    archive = bytearray()
    paths = []
    for path, size, bits in blocks(package):
        name = str(len(paths)).encode()
        header = b"-lh5-" + struct.pack("<III", len(bits), size, 0x58210000) + bytes([0x20, 0, len(name)])
        crc = crcs[path] if path in crcs else crc16(open(os.path.join(tree, path), "rb").read())
        header += name + struct.pack("<H", crc)
        archive += bytes([len(header), sum(header) & 0xFF]) + header + bits
        paths.append(path)
    archive += b"\0"
    lzh = os.path.join(work, "blocks.lzh")
    open(lzh, "wb").write(archive)
    result = subprocess.run(["lhasa", "xq", "../blocks.lzh"], cwd=os.path.join(work, "out"), capture_output=True)
    if result.returncode != 0:
        sys.exit(f"lhasa-check: lhasa failed: {result.stdout.decode(errors='replace')}{result.stderr.decode()}")
    differing = [p for i, p in enumerate(paths)
                 if open(os.path.join(work, "out", str(i)), "rb").read() != open(os.path.join(tree, p), "rb").read()]
    if differing:
        sys.exit(f"lhasa-check: {len(differing)} files differ, the first {differing[0]}")
    print(f"lhasa: all {len(paths)} streams of {os.path.basename(package)} extract byte-exact")


if __name__ == "__main__":
    main()
