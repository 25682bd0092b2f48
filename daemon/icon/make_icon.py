#!/usr/bin/env python3
"""Draws the daemon's icon (a key cap with a lightning stroke) and writes
korvaned.ico with 16, 32 and 48 pixel images. Standard library only.

    python3 make_icon.py [output.ico]
"""
import struct
import sys

SIZES = (16, 32, 48)
BACKGROUND = (0, 0, 0, 0)
CAP_EDGE = (40, 52, 92, 255)
CAP_FACE = (70, 104, 190, 255)
CAP_TOP = (120, 156, 235, 255)
BOLT = (255, 212, 64, 255)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """True when the pixel centre (x, y) lies in the rounded rectangle."""
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_polygon(x, y, points):
    """Even-odd rule."""
    result = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
    return result


# The lightning stroke on a 0..1 square.
BOLT_SHAPE = [(0.58, 0.16), (0.30, 0.56), (0.48, 0.56), (0.40, 0.86),
              (0.72, 0.42), (0.53, 0.42), (0.64, 0.16)]


def pixel(size, px, py):
    x, y = px + 0.5, py + 0.5
    s = float(size)
    margin = s * 0.06
    radius = s * 0.18
    if not inside_rounded(x, y, margin, margin, s - margin, s - margin, radius):
        return BACKGROUND
    inner = margin + max(1.0, s * 0.06)
    if not inside_rounded(x, y, inner, inner, s - inner, s - inner, radius * 0.7):
        return CAP_EDGE
    if inside_polygon(x / s, y / s, BOLT_SHAPE):
        return BOLT
    return CAP_TOP if y < s * 0.42 else CAP_FACE


def image(size):
    """One BMP-in-ICO image: header, 32-bit BGRA rows bottom-up, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for py in reversed(range(size)):
        row = bytearray()
        mask = bytearray(mask_stride)
        for px in range(size):
            r, g, b, a = pixel(size, px, py)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[px // 8] |= 0x80 >> (px % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    return header + b''.join(rows) + b''.join(mask_rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'korvaned.ico'
    images = [image(size) for size in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b''.join(images)
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
