#!/usr/bin/env python3
"""Draws the program's icon: three cubes, two side by side and one resting on
them, on a blue rounded square.

Writes the Windows icon (32 x 32 and 16 x 16, 16 colours with AND masks) and,
with --png-dir, PNG files of the same drawing at the desktop's icon sizes.
Standard library only, so that any Python 3 can regenerate the files.

    tools/make-icon.py [--ico ui/res/tavro-tape.ico] [--png-dir ui/res/png]
"""

import argparse
import math
import struct
import sys
import zlib
from pathlib import Path

# The Windows 16-colour palette, in its usual order, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

TRANSPARENT = -1
ICO_SIZES = (32, 16)
PNG_SIZES = (16, 32, 48, 64, 128, 256)

# The scene in unit coordinates (0..1, y downwards). A cube is drawn as a
# hexagon of three faces: top, left and right, each (light, mid, dark).
CUBE_R = 0.215                     # hexagon's corner radius
CUBE_W = CUBE_R * math.sqrt(3.0)   # hexagon's width
SCENE_CX = 0.5
SCENE_CY = 0.5 + 0.75 * CUBE_R     # centre of the two lower cubes
CUBES = [
    # (centre x, centre y, top, left, right), drawn back to front
    (SCENE_CX - CUBE_W / 2, SCENE_CY, WHITE, YELLOW, OLIVE),
    (SCENE_CX + CUBE_W / 2, SCENE_CY, WHITE, LIME, GREEN),
    (SCENE_CX, SCENE_CY - 1.5 * CUBE_R, WHITE, RED, MAROON),
]
GROUND_MARGIN = 0.02
GROUND_RADIUS = 0.16
GROUND_FILL = BLUE
GROUND_EDGE = NAVY


def cube_faces(cx, cy, top, left, right):
    """The three visible faces of a cube as (polygon, colour)."""
    r, hw = CUBE_R, CUBE_W / 2
    t = (cx, cy - r)
    ur = (cx + hw, cy - r / 2)
    lr = (cx + hw, cy + r / 2)
    b = (cx, cy + r)
    ll = (cx - hw, cy + r / 2)
    ul = (cx - hw, cy - r / 2)
    c = (cx, cy)
    return [([t, ur, c, ul], top), ([ul, c, b, ll], left), ([c, ur, lr, b], right)]


FACES = [face for cube in CUBES for face in cube_faces(*cube)]


def inside(poly, x, y):
    """Whether (x, y) lies in the convex polygon given clockwise on screen."""
    n = len(poly)
    for i in range(n):
        x0, y0 = poly[i]
        x1, y1 = poly[(i + 1) % n]
        if (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0) < 0:
            return False
    return True


def edge_distance(poly, x, y):
    """Distance from a point inside a convex polygon to its nearest edge."""
    best = math.inf
    n = len(poly)
    for i in range(n):
        x0, y0 = poly[i]
        x1, y1 = poly[(i + 1) % n]
        length = math.hypot(x1 - x0, y1 - y0)
        best = min(best, abs((x1 - x0) * (y - y0) - (y1 - y0) * (x - x0)) / length)
    return best


def ground_distance(x, y):
    """Signed distance to the rounded square's edge (negative inside)."""
    lo, hi = GROUND_MARGIN + GROUND_RADIUS, 1.0 - GROUND_MARGIN - GROUND_RADIUS
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    if dx > 0 and dy > 0:
        return math.hypot(dx, dy) - GROUND_RADIUS
    return max(dx, dy) - GROUND_RADIUS


def colour_at(x, y, line):
    """Palette index of the scene at (x, y); line is the outline width."""
    for poly, colour in reversed(FACES):
        if inside(poly, x, y):
            return BLACK if edge_distance(poly, x, y) < line / 2 else colour
    d = ground_distance(x, y)
    if d > 0:
        return TRANSPARENT
    return GROUND_EDGE if d > -line else GROUND_FILL


def render_indexed(size):
    """The drawing as rows of palette indices, sampled at pixel centres (crisp
    one-pixel outlines at these small sizes)."""
    line = (1.0 if size >= 32 else 0.6) / size
    return [[colour_at((px + 0.5) / size, (py + 0.5) / size, line) for px in range(size)]
            for py in range(size)]


def render_rgba(size, samples=4):
    """The drawing as rows of RGBA tuples, antialiased by supersampling."""
    line = max(1.0, size / 32.0) / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    index = colour_at(x, y, line)
                    if index != TRANSPARENT:
                        r, g, b = PALETTE[index]
                        acc[0] += r
                        acc[1] += g
                        acc[2] += b
                        acc[3] += 255
            n = samples * samples
            alpha = acc[3] // n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                covered = acc[3] // 255
                row.append((acc[0] // covered, acc[1] // covered, acc[2] // covered, alpha))
        rows.append(row)
    return rows


def ico_image(size):
    """One icon image: header, palette, colour bits and AND mask, bottom-up."""
    pixels = render_indexed(size)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(pixels):
        line = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                mask[x // 8] |= 0x80 >> (x % 8)
                index = BLACK
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor_bits += line
        and_bits += mask
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def write_ico(path):
    images = [ico_image(size) for size in ICO_SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(ICO_SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(bytes(out))


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type: none
        for pixel in row:
            raw += bytes(pixel)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def main(argv):
    root = Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ico", type=Path, default=root / "ui" / "res" / "tavro-tape.ico",
                        help="icon file to write")
    parser.add_argument("--png-dir", type=Path,
                        help="also write tavro-tape-<size>.png files into this folder")
    args = parser.parse_args(argv)
    write_ico(args.ico)
    if args.png_dir:
        for size in PNG_SIZES:
            write_png(args.png_dir / f"tavro-tape-{size}.png", render_rgba(size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
