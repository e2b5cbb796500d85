#!/usr/bin/env python3
"""Writes gobo.png: a 64 x 64 grey window pattern (four panes and their
frame) that a spot light can project, as the complete example of
docs/scene-format.md does. Run from this folder: python3 make_gobo.py"""
import struct
import zlib

SIZE = 64


def pixel(x, y):
    frame = x < 6 or y < 6 or x >= SIZE - 6 or y >= SIZE - 6 or abs(x - SIZE // 2) < 3 or abs(y - SIZE // 2) < 3
    return 30 if frame else 230


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = b"".join(b"\0" + bytes(pixel(x, y) for x in range(SIZE)) for y in range(SIZE))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open("gobo.png", "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
