#!/usr/bin/env python3
"""Draws the small images of the character table into resources/images/ as PNG.

    gen_table_images.py [RESOURCES_DIR]

Each image is drawn at twice its nominal size ("<name>@2x.png") with 4 x 4
supersampling; only the standard library is used.
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # samples per pixel along each axis


def png_bytes(width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def render(size, layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b, a)) painted in order; x, y in 0..1, y down."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SS):
                for sx in range(SS):
                    x = (px + (sx + 0.5) / SS) / size
                    y = (py + (sy + 0.5) / SS) / size
                    col = [0.0, 0.0, 0.0, 0.0]
                    for inside, (r, g, b, a) in layers:
                        if inside(x, y):
                            fa = a / 255.0
                            col = [r / 255.0 * fa + col[0] * (1 - fa), g / 255.0 * fa + col[1] * (1 - fa),
                                   b / 255.0 * fa + col[2] * (1 - fa), fa + col[3] * (1 - fa)]
                    for i in range(4):
                        acc[i] += col[i]
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                row += [round(acc[0] / n / a * 255), round(acc[1] / n / a * 255), round(acc[2] / n / a * 255),
                        round(a * 255)]
            else:
                row += [0, 0, 0, 0]
        rows.append(row)
    return png_bytes(size, size, rows)


def polygon(points):
    def inside(x, y):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def star(cx, cy, outer, inner):
    pts = []
    for k in range(10):
        r = outer if k % 2 == 0 else inner
        a = math.radians(-90 + 36 * k)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= (width / 2) ** 2
    return inside


def rounded_square_at(x0, y0, side, radius):
    x1, y1 = x0 + side, y0 + side

    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def rounded_square(lo, hi, radius):
    return rounded_square_at(lo, lo, hi - lo, radius)


def clock(cx, cy, r, face, rim, hands):
    return [(disc(cx, cy, r), face), (ring(cx, cy, r, r * 0.18), rim),
            (segment(cx, cy, cx, cy - r * 0.62, r * 0.16), hands),
            (segment(cx, cy, cx + r * 0.45, cy + r * 0.12, r * 0.16), hands)]


GOLD = (245, 180, 20, 255)
GOLD_EDGE = (170, 110, 0, 255)
WHITE = (255, 255, 255, 255)
BLUE = (40, 120, 220, 255)
BLUE_DARK = (20, 70, 150, 255)
GREY = (128, 128, 128, 230)


INK = (50, 50, 50, 255)
INK_DARK = (225, 225, 225, 255)


def letter_a(slant, width, colour):
    """A capital A of three strokes; `slant` leans it to the right (italic)."""
    def at(x, y):
        return (x + slant * (0.5 - y), y)
    return [(segment(*at(0.18, 0.86), *at(0.5, 0.12), width), colour),
            (segment(*at(0.5, 0.12), *at(0.82, 0.86), width), colour),
            (segment(*at(0.32, 0.6), *at(0.68, 0.6), width * 0.9), colour)]


def drawing(pencil, curve):
    """A freehand curve and, at its end, a pencil leaning to the right."""
    points = [(0.08 + 0.5 * t / 12, 0.78 - 0.22 * math.sin(math.pi * t / 6)) for t in range(13)]
    layers = [(segment(*points[i], *points[i + 1], 0.1), curve) for i in range(len(points) - 1)]
    tip = (0.58, 0.78)
    along = (0.5, -0.866)  # the pencil's axis, from its tip up to its end
    side = (0.866 * 0.09, 0.5 * 0.09)
    def at(d, s):
        return (tip[0] + along[0] * d + side[0] * s, tip[1] + along[1] * d + side[1] * s)
    layers.append((polygon([at(0.0, 0.0), at(0.16, 1), at(0.72, 1), at(0.72, -1), at(0.16, -1)]), pencil))
    return layers


def images():
    # The insert-mode control: plain characters, and formatted text (bold, slanted,
    # underlined, in colour); each with a variant for the dark look.
    yield "plain", 16, letter_a(0.0, 0.11, INK)
    yield "plain-dark", 16, letter_a(0.0, 0.11, INK_DARK)
    yield "formatted", 16, letter_a(0.28, 0.17, BLUE) + [(segment(0.1, 0.96, 0.9, 0.96, 0.08), BLUE)]
    yield "formatted-dark", 16, letter_a(0.28, 0.17, (110, 170, 250, 255)) + [(segment(0.1, 0.96, 0.9, 0.96, 0.08), (110, 170, 250, 255))]
    # The layout-link button: two links of a chain.
    yield "link", 16, [(ring(0.34, 0.5, 0.24, 0.09), INK), (ring(0.66, 0.5, 0.24, 0.09), INK)]
    yield "link-dark", 16, [(ring(0.34, 0.5, 0.24, 0.09), INK_DARK), (ring(0.66, 0.5, 0.24, 0.09), INK_DARK)]
    # The shape-finder button: a pencil drawing a curve.
    yield "shapeFinder", 16, drawing(INK, BLUE)
    yield "shapeFinder-dark", 16, drawing(INK_DARK, (110, 170, 250, 255))
    # The palette's menu button: three dots.
    yield "menu", 16, [(disc(x, 0.5, 0.09), INK) for x in (0.2, 0.5, 0.8)]
    yield "menu-dark", 16, [(disc(x, 0.5, 0.09), INK_DARK) for x in (0.2, 0.5, 0.8)]
    yield "favorite", 22, [(star(0.5, 0.54, 0.5, 0.21), GOLD_EDGE), (star(0.5, 0.54, 0.40, 0.17), GOLD)]
    yield "favorite_white", 22, [(star(0.5, 0.54, 0.5, 0.21), WHITE)]
    yield "recent", 22, clock(0.5, 0.5, 0.48, WHITE, BLUE, BLUE_DARK)
    yield "recent_white", 22, [(ring(0.5, 0.5, 0.48, 0.1), WHITE),
                               (segment(0.5, 0.5, 0.5, 0.2, 0.08), WHITE),
                               (segment(0.5, 0.5, 0.72, 0.56, 0.08), WHITE)]
    yield "favAndRecent", 28, ([(star(0.36, 0.38, 0.36, 0.15), GOLD_EDGE), (star(0.36, 0.38, 0.28, 0.12), GOLD)]
                               + clock(0.68, 0.68, 0.31, WHITE, BLUE, BLUE_DARK))
    # The text/emoji mark: a small triangle filling the cell's bottom-right corner.
    yield "triangle", 16, [(polygon([(1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]), GREY)]
    yield "visibleGroup", 24, [(disc(0.5, 0.5, 0.3), (60, 60, 60, 255))]
    yield "invisibleGroup", 24, [(ring(0.5, 0.5, 0.3, 0.08), (60, 60, 60, 255))]
    # The band at the top of a printed page, stretched over its width: pale blue with a
    # darker rule along its bottom edge.
    yield "printBanner", 16, [(polygon([(0, 0), (1, 0), (1, 1), (0, 1)]), (226, 236, 248, 255)),
                              (polygon([(0, 0.88), (1, 0.88), (1, 1), (0, 1)]), BLUE)]
    # The application's icon: a blue tile holding a small table of white cells.
    yield "Runebox", 64, ([(rounded_square(0.04, 0.96, 0.16), BLUE_DARK), (rounded_square(0.08, 0.92, 0.13), BLUE)]
                          + [(rounded_square_at(0.2 + 0.22 * col, 0.2 + 0.22 * row, 0.16, 0.03), WHITE)
                             for row in range(3) for col in range(3)])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources")
    out = os.path.join(resources, "images")
    os.makedirs(out, exist_ok=True)
    for name, size, layers in images():
        with open(os.path.join(out, name + "@2x.png"), "wb") as f:
            f.write(render(size, layers))


if __name__ == "__main__":
    main()
