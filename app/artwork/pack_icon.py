#!/usr/bin/env python3
"""Packs raw RGBA pictures into a Windows icon file (32-bit DIB entries).

Usage: pack_icon.py OUT.ico SIZE RGBA_FILE [SIZE RGBA_FILE ...]
Entries keep the order given; the program shows the first one.
"""
import struct
import sys


def dib_entry(size, rgba):
    if len(rgba) != size * size * 4:
        raise SystemExit("%d x %d picture expected" % (size, size))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # transparency comes from the alpha bytes
    return header + b"".join(rows) + mask


def main(argv):
    out = argv[1]
    pairs = argv[2:]
    entries = []
    for i in range(0, len(pairs), 2):
        size = int(pairs[i])
        with open(pairs[i + 1], "rb") as f:
            entries.append((size, dib_entry(size, f.read())))
    data = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory = b""
    for size, blob in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(data + directory + b"".join(blob for _, blob in entries))


if __name__ == "__main__":
    main(sys.argv)
