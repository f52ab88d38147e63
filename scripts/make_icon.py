#!/usr/bin/env python3
"""Builds app/OVXExtractor.ico: an opened padlock, 32x32 and 16x16, 16 colours each.

Usage: scripts/make_icon.py [output]   (default: app/OVXExtractor.ico beside this script's tree)
Pure Python; the images are the pixel art below, one character per pixel.
"""

import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Pixel letters: palette index; "." is transparent.
COLOURS = {"K": 0, "O": 3, "S": 7, "G": 8, "Y": 11, "W": 15}

LOCK_32 = """
..........KKKKKKKKKKKK..........
.........KSSSSSSSSSSSSK.........
........KSSSSSSSSSSSSSSK........
.......KSSGGGGGGGGGGGGGSK.......
.......KSSGKKKKKKKKKKSGSK.......
.......KSSGK........KSGSK.......
.......KSSGK........KSGSK.......
.......KSSGK........KSGSK.......
.......KSSGK........KSGSK.......
.......KSSGK........KSGSK.......
........KKK.........KSGSK.......
....................KSGSK.......
....................KSGSK.......
....................KSGSK.......
....KKKKKKKKKKKKKKKKKKKKKKKK....
....KWWWWWWWWWWWWWWWWWWWWOOK....
....KWYYYYYYYYYYYYYYYYYYYOOK....
....KWYYYYYYYYYKKYYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYKKKKKKYYYYYYOOK....
....KWYYYYYYYKKKKKKYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYKKKKYYYYYYYOOK....
....KWYYYYYYYYYYYYYYYYYYYOOK....
....KWYYYYYYYYYYYYYYYYYYYOOK....
....KOOOOOOOOOOOOOOOOOOOOOOK....
....KKKKKKKKKKKKKKKKKKKKKKKK....
................................
"""

LOCK_16 = """
.....KKKKKK.....
....KSSSSSSK....
...KSSSSSSSGK...
...KSSKKKKSGK...
...KSSK..KSGK...
...KSSK..KSGK...
....KK...KSGK...
..KKKKKKKKKKKK..
..KWWWWWWWWWOK..
..KWYYYKKYYYOK..
..KWYYKKKKYYOK..
..KWYYYKKYYYOK..
..KWYYYKKYYYOK..
..KWYYYYYYYYOK..
..KOOOOOOOOOOK..
..KKKKKKKKKKKK..
"""


def rows_of(art, size):
    rows = art.strip("\n").split("\n")
    if len(rows) != size or any(len(r) != size for r in rows):
        raise ValueError("art must be %dx%d" % (size, size))
    for r in rows:
        for c in r:
            if c != "." and c not in COLOURS:
                raise ValueError("unknown pixel letter %r" % c)
    return rows


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def image(art, size):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows, 1-bit mask rows (bottom-up)."""
    rows = rows_of(art, size)
    colour = b""
    mask = b""
    for r in reversed(rows):
        nibbles = [COLOURS.get(c, 0) for c in r]
        colour += padded(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        bits = [1 if c == "." else 0 for c in r]
        mask += padded(bytes(
            sum(bits[i + b] << (7 - b) for b in range(8)) for i in range(0, size, 8)))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + colour + mask


def icon(images):
    """An .ico file: ICONDIR, one ICONDIRENTRY per image, then the images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "app", "OVXExtractor.ico")
    data = icon([(32, image(LOCK_32, 32)), (16, image(LOCK_16, 16))])
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
