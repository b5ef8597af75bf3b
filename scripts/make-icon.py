#!/usr/bin/env python3
"""Draws the application icon (a magnifier over a folder) as PNGs.

Pure Python, no imaging library: shapes are sampled 4x4 per pixel for
smooth edges.  Run from the repository root to refresh resources/pathwren.png
(32x32, built into the program) and the icon theme's sizes in
resources/icons/.  The shapes are drawn on a 32-unit grid and scaled.
"""
import math
import os
import struct
import zlib

DESIGN = 32  # the grid the shapes below are drawn on
THEME_SIZES = (16, 48, 64, 128, 256)
SS = 4  # samples per pixel edge


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


# Layers, painted in order: (test function, RGBA colour)
LAYERS = [
    (lambda x, y: inside_round_rect(x, y, 2, 6, 14, 12, 1.5), (214, 160, 40, 255)),   # tab
    (lambda x, y: inside_round_rect(x, y, 2, 9, 27, 27, 2), (240, 190, 60, 255)),     # folder back
    (lambda x, y: inside_round_rect(x, y, 2, 12, 27, 27, 2), (250, 210, 90, 255)),    # folder front
    (lambda x, y: dist_to_segment(x, y, 22.5, 22.5, 29.5, 29.5) <= 2.2, (60, 60, 70, 255)),  # handle
    (lambda x, y: math.hypot(x - 18, y - 18) <= 7.5, (50, 70, 110, 255)),            # ring
    (lambda x, y: math.hypot(x - 18, y - 18) <= 5.5, (190, 225, 250, 235)),          # glass
    (lambda x, y: math.hypot(x - 16.2, y - 16.2) <= 1.6, (255, 255, 255, 220)),      # glint
]


def blend(dst, src):
    sa = src[3] / 255.0
    da = dst[3] / 255.0
    oa = sa + da * (1 - sa)
    if oa == 0:
        return (0, 0, 0, 0)
    rgb = [(src[i] * sa + dst[i] * da * (1 - sa)) / oa for i in range(3)]
    return (rgb[0], rgb[1], rgb[2], oa * 255)


def render(size):
    scale = DESIGN / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x = (px + (sx + 0.5) / SS) * scale
                    y = (py + (sy + 0.5) / SS) * scale
                    c = (0, 0, 0, 0)
                    for test, colour in LAYERS:
                        if test(x, y):
                            c = blend(c, colour)
                    a = c[3]
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if acc[3] > 0:
                rgb = [int(round(acc[i] / acc[3])) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [int(round(alpha))])
        rows.append(bytes(row))
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + r for r in rows)

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open("resources/pathwren.png", "wb") as f:
        f.write(png(render(DESIGN)))
    os.makedirs("resources/icons", exist_ok=True)
    for size in THEME_SIZES:
        with open("resources/icons/pathwren-%d.png" % size, "wb") as f:
            f.write(png(render(size)))
