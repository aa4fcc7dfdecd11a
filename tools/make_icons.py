#!/usr/bin/env python3
"""Draws the speed-bar glyphs, the program icon, the help cursor and the desktop icons as PNG files.

Run from the repository root: python3 tools/make_icons.py
Each glyph is 20 x 20 pixels, drawn without antialiasing on a transparent background in the colours
the views use for the same things (green collimations, blue directions, red distances, yellow height
differences), so the bar reads like the drawing.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(__file__), "..", "resources")

BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
GREY = (128, 128, 128, 255)
LGREY = (200, 200, 200, 255)
DGREY = (64, 64, 64, 255)
RED = (255, 0, 0, 255)
GREEN = (0, 180, 0, 255)
PGREEN = (0, 255, 0, 255)
BLUE = (0, 0, 255, 255)
YELLOW = (255, 255, 0, 255)
DYELLOW = (170, 140, 0, 255)
CYAN = (0, 255, 255, 255)
FOLDER = (230, 190, 60, 255)
NAVY = (30, 60, 150, 255)


class Img:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def ellipse(self, cx, cy, a, b, phi, c, steps=48):
        pts = []
        for i in range(steps + 1):
            t = 2 * math.pi * i / steps
            x = a * math.cos(t) * math.cos(phi) - b * math.sin(t) * math.sin(phi)
            y = a * math.cos(t) * math.sin(phi) + b * math.sin(t) * math.cos(phi)
            pts.append((round(cx + x), round(cy - y)))
        for p, q in zip(pts, pts[1:]):
            self.line(p[0], p[1], q[0], q[1], c)

    def disc(self, cx, cy, r, c):
        for y in range(-r, r + 1):
            for x in range(-r, r + 1):
                if x * x + y * y <= r * r + r * 0.8:
                    self.set(cx + x, cy + y, c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x][3]:
                    self.set(ox + x, oy + y, other.px[y][x])

    def save(self, path):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.px)
        def chunk(t, d):
            c = struct.pack(">I", len(d)) + t + d
            return c + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(data)


# The element symbols as the views draw them (see src/views/symbols.cpp).
def theo_symbol(selected=False):
    s = Img(14, 11)
    s.fill(0, 0, 13, 10, BLACK)
    for y in range(8):
        s.set(0, y, (0, 0, 0, 0))
        s.set(13, y, (0, 0, 0, 0))
    s.fill(2, 1, 3, 8, PGREEN)
    s.fill(10, 1, 11, 8, PGREEN)
    s.fill(1, 9, 12, 9, PGREEN)
    s.fill(6, 3, 7, 3, PGREEN)
    body = BLUE if selected else WHITE
    s.fill(5, 1, 8, 1, body)
    s.fill(5, 5, 8, 7, body)
    return s


def point_symbol():
    s = Img(11, 9)
    for y in range(9):
        for x in range(11):
            corner = (y in (0, 8) and (x <= 1 or x >= 9)) or (y in (1, 7) and x in (0, 10))
            if corner:
                continue
            edge = y in (0, 8) or x in (0, 10) or (y in (1, 7) and x in (1, 9))
            s.set(x, y, BLACK if edge else WHITE)
    for y in (1, 2, 6, 7):
        s.set(4, y, RED)
        s.set(6, y, RED)
    for y in (3, 5):
        s.fill(1, y, 3, y, RED)
        s.fill(7, y, 9, y, RED)
    s.set(5, 4, RED)
    return s


def sbar_symbol():
    s = Img(19, 9)
    for y in range(9):
        for x in range(19):
            on = (y <= 3 and (x <= 3 or x >= 15)) or y in (1, 2) or (y in (3, 4) and 8 <= x <= 10)
            l, r = 12 - y, 6 + y
            on = on or (5 <= y <= 8 and x in (l, l + 1, r, r - 1))
            if on:
                s.set(x, y, BLACK)
    s.fill(0, 0, 3, 3, RED)
    s.fill(15, 0, 18, 3, RED)
    s.fill(1, 1, 2, 2, YELLOW)
    s.fill(16, 1, 17, 2, YELLOW)
    return s


def plus(img, x, y, c=BLACK):
    img.fill(x - 3, y - 1, x + 3, y + 1, WHITE)
    img.fill(x - 1, y - 3, x + 1, y + 3, WHITE)
    img.line(x - 2, y, x + 2, y, c)
    img.line(x, y - 2, x, y + 2, c)


def glyph(draw):
    img = Img(20, 20)
    draw(img)
    return img


def g_new(i):
    i.fill(4, 2, 13, 17, WHITE)
    i.fill(14, 6, 15, 17, WHITE)
    i.line(4, 2, 11, 2, DGREY)
    i.line(4, 2, 4, 17, DGREY)
    i.line(4, 17, 15, 17, DGREY)
    i.line(15, 6, 15, 17, DGREY)
    i.line(11, 2, 15, 6, DGREY)
    i.line(11, 2, 11, 6, DGREY)
    i.line(11, 6, 15, 6, DGREY)


def g_open(i):
    i.fill(2, 6, 16, 16, FOLDER)
    i.fill(2, 4, 8, 5, FOLDER)
    i.rect(2, 4, 16, 16, DGREY)
    i.fill(5, 9, 18, 16, (250, 220, 110, 255))
    i.line(5, 9, 18, 9, DGREY)
    i.line(18, 9, 16, 16, DGREY)
    i.line(5, 9, 2, 16, DGREY)


def g_save(i):
    i.fill(2, 2, 17, 17, NAVY)
    i.fill(5, 2, 14, 8, WHITE)
    i.fill(6, 12, 13, 17, LGREY)
    i.fill(10, 13, 11, 16, NAVY)
    i.rect(2, 2, 17, 17, BLACK)


def g_print(i):
    i.fill(5, 2, 14, 8, WHITE)
    i.rect(5, 2, 14, 8, DGREY)
    i.fill(2, 8, 17, 14, LGREY)
    i.rect(2, 8, 17, 14, DGREY)
    i.fill(5, 12, 14, 18, WHITE)
    i.rect(5, 12, 14, 18, DGREY)
    i.line(7, 15, 12, 15, GREY)
    i.set(15, 10, PGREEN)


def g_cut(i):
    i.line(6, 2, 12, 12, DGREY)
    i.line(13, 2, 7, 12, DGREY)
    i.line(7, 2, 13, 12, DGREY)
    i.line(12, 2, 6, 12, DGREY)
    i.ellipse(5, 15, 3, 3, 0, RED)
    i.ellipse(14, 15, 3, 3, 0, RED)


def g_objects(i):
    i.blit(theo_symbol(), 0, 1)
    i.blit(point_symbol(), 8, 10)


def g_letters(i, text):
    # A 3 x 5 pixel font for the two name glyphs.
    font = {
        "A": ["010", "101", "111", "101", "101"],
        "b": ["100", "100", "110", "101", "110"],
        ".": ["000", "000", "000", "000", "010"],
    }
    x = 1
    for ch in text:
        for r, row in enumerate(font[ch]):
            for c, bit in enumerate(row):
                if bit == "1":
                    i.fill(x + 2 * c, 1 + 2 * r, x + 2 * c + 1, 2 + 2 * r, BLACK)
        x += 7


def g_names(i):
    g_letters(i, "Ab")
    i.blit(point_symbol(), 9, 11)


def g_abbrev(i):
    g_letters(i, "A.")
    i.blit(point_symbol(), 9, 11)


def g_collimate(i):
    i.line(4, 14, 16, 5, PGREEN)
    i.line(4, 15, 16, 6, GREEN)
    small = theo_symbol()
    i.blit(small, -3, 9)
    i.blit(small, 9, 0)


def g_direction(i):
    i.line(5, 14, 15, 4, BLUE)
    i.line(5, 15, 16, 4, BLUE)
    i.blit(theo_symbol(), -2, 9)
    i.blit(point_symbol(), 10, 0)


def g_distance(i):
    i.line(2, 17, 17, 2, RED)
    i.line(3, 17, 17, 3, RED)
    for (x, y, dx, dy) in ((2, 17, 1, -1), (17, 2, -1, 1)):
        i.line(x, y, x + 5 * dx, y, RED)
        i.line(x, y, x, y + 5 * dy, RED)


def g_height(i):
    i.line(2, 3, 17, 3, DGREY)
    i.line(2, 16, 17, 16, DGREY)
    i.fill(9, 5, 10, 14, DYELLOW)
    i.line(9, 4, 6, 7, DYELLOW)
    i.line(10, 4, 13, 7, DYELLOW)
    i.line(9, 15, 6, 12, DYELLOW)
    i.line(10, 15, 13, 12, DYELLOW)
    i.fill(9, 6, 10, 13, YELLOW)


def g_ellipse(i):
    i.ellipse(10, 10, 8, 4, math.radians(30), BLACK)
    a = math.radians(30)
    i.line(round(10 - 8 * math.cos(a)), round(10 + 8 * math.sin(a)), round(10 + 8 * math.cos(a)),
           round(10 - 8 * math.sin(a)), BLACK)
    i.line(round(10 - 4 * math.sin(a)), round(10 - 4 * math.cos(a)), round(10 + 4 * math.sin(a)),
           round(10 + 4 * math.cos(a)), BLACK)


def g_theo_tool(i):
    i.blit(theo_symbol(), 0, 6)
    plus(i, 15, 4)


def g_point_tool(i):
    i.blit(point_symbol(), 1, 8)
    plus(i, 15, 4)


def g_sbar_tool(i):
    i.blit(sbar_symbol(), 0, 9)
    plus(i, 15, 4)


def g_line_tool(colour, dark):
    def draw(i):
        i.line(1, 18, 12, 7, dark)
        i.line(1, 17, 11, 7, colour)
        i.line(2, 18, 12, 8, colour)
        i.disc(2, 17, 1, dark)
        i.disc(12, 7, 1, dark)
        plus(i, 15, 4)
    return draw


def g_calculate(i):
    i.fill(3, 1, 16, 18, LGREY)
    i.rect(3, 1, 16, 18, DGREY)
    i.fill(5, 3, 14, 6, (200, 230, 200, 255))
    i.rect(5, 3, 14, 6, DGREY)
    for r in range(3):
        for c in range(3):
            i.fill(5 + 3 * c, 9 + 3 * r, 6 + 3 * c, 10 + 3 * r, DGREY)
    i.ellipse(9, 4, 3, 1, 0, BLACK, 16)


def g_help(i):
    i.fill(3, 2, 15, 17, NAVY)
    i.fill(15, 3, 16, 18, WHITE)
    i.line(4, 18, 16, 18, LGREY)
    q = ["01110", "10001", "00010", "00100", "00100", "00000", "00100"]
    for r, row in enumerate(q):
        for c, bit in enumerate(row):
            if bit == "1":
                i.set(7 + c, 5 + r, WHITE)
                i.set(7 + c, 5 + r, YELLOW)


GLYPHS = {
    105: g_new, 106: g_open, 108: g_save, 24337: g_print, 121: g_cut, 144: g_objects, 145: g_names,
    152: g_abbrev, 146: g_collimate, 147: g_direction, 148: g_distance, 149: g_height, 150: g_ellipse,
    161: g_theo_tool, 162: g_point_tool, 163: g_sbar_tool, 183: g_line_tool(BLUE, NAVY),
    184: g_line_tool(RED, (150, 0, 0, 255)), 185: g_line_tool(YELLOW, DYELLOW), 189: g_calculate, 2001: g_help,
}


def program_icon():
    i = Img(32, 32)
    i.fill(1, 1, 30, 30, (235, 240, 250, 255))
    i.rect(1, 1, 30, 30, NAVY)
    i.line(6, 24, 25, 8, BLUE)
    i.line(6, 24, 26, 24, RED)
    big = theo_symbol()
    i.blit(big, 1, 18)
    i.blit(point_symbol(), 20, 4)
    i.blit(point_symbol(), 21, 20)
    return i


# The desktop icon, drawn at each size of the hicolor theme from one geometry on a 32-unit grid:
# a station on its tripod sighting two object points (a blue direction, a red distance), one of
# them with its error ellipse. The SVG of the same geometry is the scalable icon.
DESKTOP_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
ICON_GEOMETRY = {
    "lines": [((6, 24), (25, 8), BLUE), ((6, 24), (26, 24), RED), ((6, 19), (3, 29), GREEN), ((6, 19), (9, 29), GREEN),
              ((6, 19), (6, 29), GREEN)],
    "station": ((3, 14), (9, 19), GREEN),
    "points": [(25, 8), (26, 24)],
    "ellipse": ((25, 8), 5.0, 2.5, 0.6),
}


def thick_line(img, p, q, width, c):
    steps = max(1, int(2 * max(abs(q[0] - p[0]), abs(q[1] - p[1]))))
    r = max(0, int(width / 2))
    for k in range(steps + 1):
        x = p[0] + (q[0] - p[0]) * k / steps
        y = p[1] + (q[1] - p[1]) * k / steps
        img.disc(round(x), round(y), r, c) if r else img.set(round(x), round(y), c)


def desktop_icon(size):
    f = size / 32.0
    i = Img(size, size)
    border = max(1, round(f))
    i.fill(0, 0, size - 1, size - 1, NAVY)
    i.fill(border, border, size - 1 - border, size - 1 - border, (235, 240, 250, 255))
    width = max(1, round(f * 1.2))
    (cx, cy), a, b, phi = ICON_GEOMETRY["ellipse"]
    for k in range(max(1, width // 2 + 1)):
        i.ellipse(round(cx * f), round(cy * f), a * f - k * 0.5, b * f - k * 0.5, phi, BLACK, steps=96)
    for p, q, c in ICON_GEOMETRY["lines"]:
        thick_line(i, (p[0] * f, p[1] * f), (q[0] * f, q[1] * f), width, c)
    (x0, y0), (x1, y1), c = ICON_GEOMETRY["station"]
    i.fill(round(x0 * f), round(y0 * f), round(x1 * f), round(y1 * f), c)
    for x, y in ICON_GEOMETRY["points"]:
        i.disc(round(x * f), round(y * f), max(1, round(1.8 * f)), RED)
    return i


def desktop_svg():
    def rgb(c):
        return "#%02x%02x%02x" % c[:3]
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">',
           '<rect x="0.5" y="0.5" width="31" height="31" fill="#ebf0fa" stroke="%s"/>' % rgb(NAVY)]
    (cx, cy), a, b, phi = ICON_GEOMETRY["ellipse"]
    out.append('<ellipse cx="%g" cy="%g" rx="%g" ry="%g" transform="rotate(%g %g %g)" fill="none" stroke="#000"/>'
               % (cx, cy, a, b, -math.degrees(phi), cx, cy))
    for p, q, c in ICON_GEOMETRY["lines"]:
        out.append('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="1.2"/>' % (p + q + (rgb(c),)))
    (x0, y0), (x1, y1), c = ICON_GEOMETRY["station"]
    out.append('<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>' % (x0, y0, x1 - x0, y1 - y0, rgb(c)))
    for x, y in ICON_GEOMETRY["points"]:
        out.append('<circle cx="%g" cy="%g" r="1.8" fill="%s"/>' % (x, y, rgb(RED)))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def help_cursor():
    i = Img(32, 32)
    arrow = ["1", "11", "121", "1221", "12221", "122221", "1222221", "12222221", "122222221", "1222221111",
             "1221221", "121 1221", "11  1221", "1    1221", "     1221", "      11"]
    for y, row in enumerate(arrow):
        for x, ch in enumerate(row):
            if ch == "1":
                i.set(x, y, BLACK)
            elif ch == "2":
                i.set(x, y, WHITE)
    q = ["0111110", "1100011", "0000011", "0000110", "0001100", "0001100", "0000000", "0001100", "0001100"]
    for y, row in enumerate(q):
        for x, ch in enumerate(row):
            if ch == "1":
                i.set(13 + x, 4 + y, BLACK)
    return i


def main():
    os.makedirs(os.path.join(OUT, "icons"), exist_ok=True)
    os.makedirs(os.path.join(OUT, "cursors"), exist_ok=True)
    for ident, draw in GLYPHS.items():
        glyph(draw).save(os.path.join(OUT, "icons", "%d.png" % ident))
    program_icon().save(os.path.join(OUT, "icons", "1003.png"))
    help_cursor().save(os.path.join(OUT, "cursors", "24001.png"))
    hicolor = os.path.join(OUT, "desktop", "icons", "hicolor")
    for size in DESKTOP_SIZES:
        folder = os.path.join(hicolor, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        desktop_icon(size).save(os.path.join(folder, "kivo.png"))
    os.makedirs(os.path.join(hicolor, "scalable", "apps"), exist_ok=True)
    with open(os.path.join(hicolor, "scalable", "apps", "kivo.svg"), "w", encoding="ascii") as f:
        f.write(desktop_svg())


if __name__ == "__main__":
    main()
