#!/usr/bin/env python3
"""Draws the program's pictures and writes them as PNG files beside this script, and the
application icon for the desktop's hicolor theme under icons/ (PNGs and a scalable SVG).

Standard library only. Shapes are filled with 4 x 4 supersampling so their edges are smooth.
One palette throughout: navy body, brass details, steel grey, a warm white.

    python3 resources/make_images.py
"""

import math
import os
import struct
import zlib

NAVY = (31, 58, 95)
NAVY_DARK = (20, 38, 64)
NAVY_LIGHT = (58, 94, 138)
BRASS = (212, 160, 23)
BRASS_DARK = (150, 108, 10)
BRASS_LIGHT = (240, 204, 96)
STEEL = (138, 153, 168)
STEEL_LIGHT = (200, 210, 220)
WHITE = (246, 244, 238)
GREEN = (46, 160, 90)

SAMPLES = 4


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def fill(self, inside, color, box=None, alpha=1.0):
        """Blends color over every pixel by the share of its subsamples that lie inside."""
        x0, y0, x1, y1 = box if box else (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        step = 1.0 / SAMPLES
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SAMPLES):
                    py = y + (sy + 0.5) * step
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, py):
                            hits += 1
                if hits:
                    self.blend(x, y, color, alpha * hits / (SAMPLES * SAMPLES))

    def draw(self, shape, color, alpha):
        inside, box, _ = shape
        self.fill(inside, color, box, alpha)

    def blend(self, x, y, color, alpha):
        pixel = self.pixels[y * self.width + x]
        old_alpha = pixel[3]
        new_alpha = alpha + old_alpha * (1 - alpha)
        for i in range(3):
            premultiplied = color[i] * alpha + pixel[i] * old_alpha * (1 - alpha)
            pixel[i] = premultiplied / new_alpha if new_alpha else 0.0
        pixel[3] = new_alpha

    def write_png(self, path):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                r, g, b, a = self.pixels[y * self.width + x]
                rows += bytes((round(r), round(g), round(b), round(a * 255)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", header))
            out.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
            out.write(chunk(b"IEND", b""))


class SvgCanvas:
    """The same drawing calls, written as SVG elements: the scalable form of a picture."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.elements = []

    def draw(self, shape, color, alpha):
        _, _, svg = shape
        paint = "#%02x%02x%02x" % color
        # Outlines (rings, arcs, lines) are painted with the stroke, areas with the fill.
        attribute = "stroke" if "stroke-width" in svg else "fill"
        opacity = "" if alpha >= 1.0 else ' opacity="%s"' % num(alpha)
        self.elements.append('  %s %s="%s"%s/>' % (svg, attribute, paint, opacity))

    def write_svg(self, path):
        with open(path, "w", encoding="ascii", newline="\n") as out:
            out.write('<?xml version="1.0" encoding="UTF-8"?>\n')
            out.write('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
                      'viewBox="0 0 %d %d">\n' % (self.width, self.height, self.width,
                                                  self.height))
            out.write("\n".join(self.elements) + "\n</svg>\n")


def num(value):
    """A coordinate as short SVG text."""
    text = "%.3f" % value
    return text.rstrip("0").rstrip(".") if "." in text else text


# Shapes: each returns (inside(x, y), bounding box, SVG element without its paint).

def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    svg = '<rect x="%s" y="%s" width="%s" height="%s" rx="%s"' % (
        num(x0), num(y0), num(x1 - x0), num(y1 - y0), num(radius))
    return inside, (x0, y0, x1 + 1, y1 + 1), svg


def rect(x0, y0, x1, y1):
    return rounded_rect(x0, y0, x1, y1, 0)


def circle(cx, cy, radius):
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    svg = '<circle cx="%s" cy="%s" r="%s"' % (num(cx), num(cy), num(radius))
    return inside, (cx - radius, cy - radius, cx + radius + 1, cy + radius + 1), svg


def ring(cx, cy, outer, inner):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return inner * inner <= d <= outer * outer
    svg = '<circle cx="%s" cy="%s" r="%s" fill="none" stroke-width="%s"' % (
        num(cx), num(cy), num((outer + inner) / 2), num(outer - inner))
    return inside, (cx - outer, cy - outer, cx + outer + 1, cy + outer + 1), svg


def arc_band(cx, cy, outer, inner, upper_only=True):
    """The upper half of a ring: the shackle of a padlock."""
    def inside(x, y):
        if upper_only and y > cy:
            return False
        d = (x - cx) ** 2 + (y - cy) ** 2
        return inner * inner <= d <= outer * outer
    mid = (outer + inner) / 2
    svg = '<path d="M %s %s A %s %s 0 0 1 %s %s" fill="none" stroke-width="%s"' % (
        num(cx - mid), num(cy), num(mid), num(mid), num(cx + mid), num(cy), num(outer - inner))
    return inside, (cx - outer, cy - outer, cx + outer + 1, cy + 1), svg


def segment(xa, ya, xb, yb, width):
    """A thick line with round ends."""
    half = width / 2.0

    def inside(x, y):
        dx, dy = xb - xa, yb - ya
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
        px, py = xa + t * dx, ya + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half
    box = (min(xa, xb) - half, min(ya, yb) - half, max(xa, xb) + half + 1, max(ya, yb) + half + 1)
    svg = ('<line x1="%s" y1="%s" x2="%s" y2="%s" fill="none" stroke-width="%s" '
           'stroke-linecap="round"' % (num(xa), num(ya), num(xb), num(yb), num(width)))
    return inside, box, svg


def polygon(points):
    def inside(x, y):
        crossings = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                crossings = not crossings
        return crossings
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    svg = '<polygon points="%s"' % " ".join("%s,%s" % (num(x), num(y)) for x, y in points)
    return inside, (min(xs), min(ys), max(xs) + 1, max(ys) + 1), svg


def draw(canvas, shape, color, alpha=1.0):
    canvas.draw(shape, color, alpha)


# Motifs, drawn into a square of the given size at (ox, oy).

def coffer(canvas, ox, oy, size, door_open=False):
    s = size / 64.0

    def at(x, y):
        return ox + x * s, oy + y * s

    # feet, body, door
    for fx in (12, 46):
        draw(canvas, rounded_rect(*at(fx, 54), *at(fx + 6, 60), 1.5 * s), NAVY_DARK)
    draw(canvas, rounded_rect(*at(4, 6), *at(60, 56), 7 * s), NAVY_DARK)
    draw(canvas, rounded_rect(*at(6, 8), *at(58, 54), 6 * s), NAVY)
    if door_open:
        draw(canvas, rounded_rect(*at(10, 12), *at(54, 50), 4 * s), NAVY_DARK)
        draw(canvas, polygon([at(54, 12), at(62, 6), at(62, 56), at(54, 50)]), NAVY_LIGHT)
        for gy in (18, 30, 42):
            draw(canvas, rounded_rect(*at(16, gy), *at(34, gy + 6), 1.5 * s), BRASS)
        return
    draw(canvas, rounded_rect(*at(10, 12), *at(54, 50), 4 * s), NAVY_LIGHT)
    draw(canvas, rounded_rect(*at(12, 14), *at(52, 48), 3 * s), NAVY)
    # hinges
    for hy in (17, 39):
        draw(canvas, rounded_rect(*at(7, hy), *at(11, hy + 8), 1.5 * s), STEEL)
    # the dial with its marks
    cx, cy = at(32, 31)
    draw(canvas, circle(cx, cy, 11 * s), BRASS_DARK)
    draw(canvas, circle(cx, cy, 9.5 * s), BRASS)
    for k in range(12):
        angle = k * math.pi / 6
        draw(canvas, segment(cx + math.cos(angle) * 7 * s, cy + math.sin(angle) * 7 * s,
                             cx + math.cos(angle) * 9 * s, cy + math.sin(angle) * 9 * s,
                             1.0 * s), BRASS_DARK)
    draw(canvas, circle(cx, cy, 4 * s), BRASS_LIGHT)
    draw(canvas, segment(cx, cy, cx + 3 * s, cy - 5.5 * s, 1.6 * s), BRASS_DARK)
    # handle
    draw(canvas, segment(*at(46, 24), *at(46, 38), 3 * s), STEEL_LIGHT)


def key(canvas, ox, oy, size, color=BRASS, dark=BRASS_DARK, angle_deg=-35.0):
    s = size / 64.0
    angle = math.radians(angle_deg)
    cos_a, sin_a = math.cos(angle), math.sin(angle)

    def at(x, y):
        # key drawn along +x around the square's centre, then turned
        x, y = x - 32, y - 32
        return ox + (32 + x * cos_a - y * sin_a) * s, oy + (32 + x * sin_a + y * cos_a) * s

    bx, by = at(14, 32)
    draw(canvas, circle(bx, by, 12 * s), dark)
    draw(canvas, circle(bx, by, 10 * s), color)
    draw(canvas, circle(bx, by, 4 * s), dark)
    draw(canvas, segment(*at(24, 32), *at(58, 32), 6 * s), dark)
    draw(canvas, segment(*at(24, 32), *at(57, 32), 4 * s), color)
    for tx, length in ((44, 8), (52, 6)):
        draw(canvas, segment(*at(tx, 33), *at(tx, 33 + length), 4.5 * s), dark)
        draw(canvas, segment(*at(tx, 33), *at(tx, 32 + length), 2.8 * s), color)


def padlock(canvas, ox, oy, size, opened=False):
    s = size / 64.0

    def at(x, y):
        return ox + x * s, oy + y * s

    shackle_x = 32 + (10 if opened else 0)
    lift = 8 if opened else 0
    cx, cy = at(shackle_x, 26 - lift)
    draw(canvas, arc_band(cx, cy, 15 * s, 9.5 * s), STEEL)
    draw(canvas, rect(*at(shackle_x - 15, 26 - lift), *at(shackle_x - 9.5, 32)), STEEL)
    draw(canvas, rect(*at(shackle_x + 9.5, 26 - lift), *at(shackle_x + 15, 32 - 2 * lift)),
         STEEL)
    draw(canvas, rounded_rect(*at(10, 28), *at(54, 60), 6 * s), BRASS_DARK)
    draw(canvas, rounded_rect(*at(12, 30), *at(52, 58), 5 * s), BRASS)
    draw(canvas, rounded_rect(*at(14, 31), *at(50, 35), 2 * s), BRASS_LIGHT, 0.6)
    kx, ky = at(32, 42)
    draw(canvas, circle(kx, ky, 4.5 * s), NAVY_DARK)
    draw(canvas, polygon([at(29.5, 43), at(34.5, 43), at(35.5, 52), at(28.5, 52)]), NAVY_DARK)


def sparkle(canvas, cx, cy, radius, color):
    thin = radius * 0.28
    draw(canvas, polygon([(cx, cy - radius), (cx + thin, cy - thin), (cx + radius, cy),
                          (cx + thin, cy + thin), (cx, cy + radius), (cx - thin, cy + thin),
                          (cx - radius, cy), (cx - thin, cy - thin)]), color)


# A 5 x 7 block font for the logo's word.
GLYPHS = {
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
}


def word(canvas, text, x, y, cell, color, gap=1.0):
    for letter in text:
        glyph = GLYPHS[letter]

        def inside(px, py, left=x, glyph=glyph):
            col, row = int((px - left) // cell), int((py - y) // cell)
            return 0 <= row < 7 and 0 <= col < 5 and glyph[row][col] == "1"
        canvas.fill(inside, color, (x, y, x + 5 * cell + 1, y + 7 * cell + 1))
        x += (5 + gap) * cell


# The pictures.

def make_app():
    canvas = Canvas(64, 64)
    coffer(canvas, 0, 0, 64)
    return canvas


def make_logo():
    canvas = Canvas(185, 70)
    draw(canvas, rounded_rect(0, 0, 184, 69, 10), NAVY_DARK)
    draw(canvas, rounded_rect(2, 2, 182, 67, 9), NAVY)
    coffer(canvas, 6, 5, 60)
    word(canvas, "COFFERIX", 71, 15, 2.3, BRASS, gap=0.8)
    word(canvas, "FREE", 72, 39, 1.6, STEEL_LIGHT, gap=1.2)
    draw(canvas, rect(112, 44, 178, 44.4), BRASS, 0.8)
    return canvas


def make_record():
    canvas = Canvas(16, 16)
    key(canvas, 0, 0, 16, angle_deg=-40.0)
    return canvas


def make_group():
    canvas = Canvas(16, 16)
    draw(canvas, rounded_rect(0.5, 2, 7, 6, 1), BRASS_DARK)
    draw(canvas, rounded_rect(0.5, 3.5, 15.5, 14.5, 1.5), BRASS_DARK)
    draw(canvas, rounded_rect(1.5, 4.5, 14.5, 13.5, 1), BRASS)
    draw(canvas, rect(1.5, 5, 14.5, 6), BRASS_LIGHT, 0.7)
    draw(canvas, circle(8, 9.5, 2), NAVY)
    draw(canvas, rect(7.4, 10, 8.6, 12.6), NAVY)
    return canvas


def make_open():
    canvas = Canvas(64, 64)
    coffer(canvas, 0, 0, 64, door_open=True)
    key(canvas, 22, 22, 42, angle_deg=-30.0)
    return canvas


def make_unlock():
    canvas = Canvas(64, 64)
    padlock(canvas, 0, 0, 64, opened=True)
    return canvas


def make_newpass():
    canvas = Canvas(64, 64)
    padlock(canvas, 0, 0, 64, opened=False)
    draw(canvas, circle(51, 15, 12), GREEN)
    draw(canvas, segment(45, 15, 57, 15, 3.5), WHITE)
    draw(canvas, segment(51, 9, 51, 21, 3.5), WHITE)
    return canvas


def make_passgen():
    canvas = Canvas(32, 32)
    key(canvas, 0, 4, 28, angle_deg=-35.0)
    sparkle(canvas, 24, 7, 6.5, BRASS_LIGHT)
    sparkle(canvas, 27.5, 20, 3.5, STEEL)
    sparkle(canvas, 15, 3.5, 3, NAVY_LIGHT)
    return canvas


PICTURES = {
    "logo.png": make_logo,
    "app.png": make_app,
    "record.png": make_record,
    "group.png": make_group,
    "open.png": make_open,
    "unlock.png": make_unlock,
    "newpass.png": make_newpass,
    "passgen.png": make_passgen,
}


# The application icon in the desktop's hicolor theme, named by the application id
# (src/base/AppIdentity.h).
APP_ID = "com.dravenor.Cofferix"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def make_app_icon(canvas):
    coffer(canvas, 0, 0, canvas.width)
    return canvas


def write_app_icons(folder):
    theme = os.path.join(folder, "icons", "hicolor")
    for size in ICON_SIZES:
        subfolder = os.path.join(theme, "%dx%d" % (size, size), "apps")
        os.makedirs(subfolder, exist_ok=True)
        make_app_icon(Canvas(size, size)).write_png(os.path.join(subfolder, APP_ID + ".png"))
        print("wrote icon", size)
    subfolder = os.path.join(theme, "scalable", "apps")
    os.makedirs(subfolder, exist_ok=True)
    make_app_icon(SvgCanvas(64, 64)).write_svg(os.path.join(subfolder, APP_ID + ".svg"))
    print("wrote icon svg")


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, make in PICTURES.items():
        make().write_png(os.path.join(folder, name))
        print("wrote", name)
    write_app_icons(folder)


if __name__ == "__main__":
    main()
