#!/usr/bin/env python3
"""Draws the program's icons: the tray icon (idle and four animation frames, 16 x 16,
with 32 and 48 pixel versions for screens at scale 2 and larger panels) and the
application icon (16, 32, 48, 128 and SVG). Standard library only, so the
pictures can be remade anywhere; the results are committed next to this script.

    python3 src/res/make_icons.py
"""

import math
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")

# Geometry on a 16-unit grid: a rounded speech bubble with its tail at the lower left,
# and three dots inside.
BODY = (0.5, 1.0, 15.5, 11.0, 3.2)  # left, top, right, bottom, corner radius
TAIL = ((3.0, 10.0), (7.5, 10.0), (2.0, 15.2))
DOTS = ((4.0, 6.0), (8.0, 6.0), (12.0, 6.0))
DOT_R = 1.25

BLUE = ((0x4d, 0x9c, 0xf0), (0x1c, 0x5c, 0xb8), (0x10, 0x36, 0x70))  # top, bottom, line
ORANGE = ((0xff, 0xa8, 0x3a), (0xe0, 0x5a, 0x0c), (0x80, 0x2c, 0x04))
YELLOW = ((0xff, 0xeb, 0x6a), (0xf5, 0xb8, 0x10), (0x88, 0x58, 0x00))
WHITE = (0xff, 0xff, 0xff)
DIM = (0xff, 0xd9, 0xb0)
DARK = (0x70, 0x3c, 0x00)


def sd_round_rect(x, y, box):
    l, t, r, b, rad = box
    cx, cy = (l + r) / 2, (t + b) / 2
    hx, hy = (r - l) / 2 - rad, (b - t) / 2 - rad
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0), max(qy, 0))
    return outside + min(max(qx, qy), 0) - rad


def sd_triangle(x, y, pts):
    # Distance to the edges, negative inside (points in either winding).
    d = min(dist_segment(x, y, pts[i], pts[(i + 1) % 3]) for i in range(3))
    signs = []
    for i in range(3):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % 3]
        signs.append((bx - ax) * (y - ay) - (by - ay) * (x - ax) > 0)
    return -d if all(signs) or not any(signs) else d


def dist_segment(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def bubble(x, y):
    return min(sd_round_rect(x, y, BODY), sd_triangle(x, y, TAIL))


def lerp(a, b, t):
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


def render(size, scheme, dots):
    """dots: one (colour, radius factor) per dot, or None to leave a dot out."""
    top, bottom, line = scheme
    scale = 16.0 / size
    stroke = max(1.0, size / 20.0) * scale  # in grid units
    n = 6  # samples per pixel edge
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) * scale
                    y = (py + (sy + 0.5) / n) * scale
                    d = bubble(x, y)
                    if d > 0:
                        continue
                    colour = line
                    if d <= -stroke:
                        colour = lerp(top, bottom, min(1.0, max(0.0, (y - 1.0) / 10.0)))
                    for (cx, cy), dot in zip(DOTS, dots):
                        if dot and math.hypot(x - cx, y - cy) <= DOT_R * dot[1]:
                            colour = dot[0]
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
                    acc[3] += 1
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                k = acc[3]
                row.append((round(acc[0] / k), round(acc[1] / k), round(acc[2] / k),
                            round(255 * k / (n * n))))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    data = (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def hexcolour(c):
    return "#%02x%02x%02x" % c


def write_svg(path):
    l, t, r, b, rad = BODY
    tail = " ".join("%g,%g" % p for p in TAIL)
    top, bottom, line = BLUE
    dots = "\n".join('  <circle cx="%g" cy="%g" r="%g" fill="#ffffff"/>' % (x, y, DOT_R)
                     for x, y in DOTS)
    shapes = ('<rect x="{l}" y="{t}" width="{w}" height="{h}" rx="{r}"/>'
              '<polygon points="{p}"/>').format(l=l, t=t, w=r - l, h=b - t, r=rad, p=tail)
    svg = f"""<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 16 16">
  <defs>
    <linearGradient id="fill" x1="0" y1="1" x2="0" y2="11" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="{hexcolour(top)}"/>
      <stop offset="1" stop-color="{hexcolour(bottom)}"/>
    </linearGradient>
  </defs>
  <g fill="{hexcolour(line)}" stroke="{hexcolour(line)}" stroke-width="1.6" stroke-linejoin="round">{shapes}</g>
  <g fill="url(#fill)">{shapes}</g>
{dots}
</svg>
"""
    # The outline is drawn twice as wide under the fill, so the union of body and tail
    # gets one outline without a seam between them.
    with open(path, "w") as f:
        f.write(svg)


def main():
    os.makedirs(HERE, exist_ok=True)
    white = (WHITE, 1.0)
    for size in (16, 32, 48):
        suffix = "" if size == 16 else "-%d" % size
        write_png(os.path.join(HERE, "tray-idle%s.png" % suffix),
                  render(size, BLUE, (white, white, white)))
        # The name-call animation: an orange bubble whose dots light up one after
        # another, then a yellow flash.
        for i in range(3):
            dots = [(DIM, 0.8)] * 3
            dots[i] = (WHITE, 1.15)
            write_png(os.path.join(HERE, "tray-anim%d%s.png" % (i + 1, suffix)),
                      render(size, ORANGE, dots))
        write_png(os.path.join(HERE, "tray-anim4%s.png" % suffix),
                  render(size, YELLOW, [(DARK, 1.0)] * 3))
    for size in (16, 32, 48, 128):
        write_png(os.path.join(HERE, "vostrelle-%d.png" % size),
                  render(size, BLUE, (white, white, white)))
    write_svg(os.path.join(HERE, "vostrelle.svg"))


if __name__ == "__main__":
    main()
