#!/usr/bin/env python3
"""Draws the first-page lesson's picture, a yellow five-pointed star on a soft blue disc, as a
128 x 128 PNG. Standard library only; run it again after a change and commit the PNG it writes.

Usage: make-lesson-star.py lessons/firstpage/files/star.png
"""

import math
import struct
import sys
import zlib

SIZE = 128
SAMPLES = 4  # per axis, for smooth edges


def inside_star(x, y):
    cx, cy, outer, inner = 64.0, 67.0, 54.0, 22.0
    points = []
    for i in range(10):
        radius = outer if i % 2 == 0 else inner
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    # Even-odd rule over the star's outline.
    hit = False
    for i, (x1, y1) in enumerate(points):
        x2, y2 = points[(i + 1) % len(points)]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


def pixel(px, py):
    star = disc = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if inside_star(x, y):
                star += 1
            elif (x - 64) ** 2 + (y - 64) ** 2 <= 62 ** 2:
                disc += 1
    total = SAMPLES * SAMPLES
    r = (255 * star + 214 * disc) / total
    g = (204 * star + 234 * disc) / total
    b = (0 * star + 255 * disc) / total
    a = 255 * (star + disc) / total
    if star + disc:
        r, g, b = (c * total / (star + disc) for c in (r, g, b))
    return bytes(int(round(c)) for c in (r, g, b, a))


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    rows = [b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE)]
    with open(sys.argv[1], "wb") as out:
        out.write(png(rows))


if __name__ == "__main__":
    main()
