#!/usr/bin/env python3
"""Draws the window's pictures and the default screensaver.

Writes, next to this script:
  glyph_*.png          16 x 16 glyphs (toolbar, path-field buttons, the About box's OK button)
  header_136.png       408 x 23 section header strips with alpha: a brown tab with rounded
  header_182.png       top corners and a 2-pixel line along the bottom
  about.png            80 x 80 picture of the About box
  icon_48.png          the application icon
  icon_128.png
  default_ss.jpg       DEFAULT_SS: a 208 x 208 JPEG followed by one zero byte (needs ffmpeg)

Plain Python only: a small anti-aliased rasteriser (4 x 4 samples a pixel), PNG written with
zlib; the JPEG is encoded by ffmpeg from a PPM. Run it again after changing a drawing, then
commit the script and its outputs together.
"""
import math
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(fill) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        """Draws `colour` (r, g, b, a) over pixel (x, y) with the given coverage (0..1)."""
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        r, g, b, a = colour
        alpha = a / 255.0 * min(coverage, 1.0)
        dst = self.pixels[y * self.width + x]
        dst_alpha = dst[3] / 255.0
        out_alpha = alpha + dst_alpha * (1 - alpha)
        if out_alpha <= 0:
            return
        for i, channel in enumerate((r, g, b)):
            dst[i] = round((channel * alpha + dst[i] * dst_alpha * (1 - alpha)) / out_alpha)
        dst[3] = round(out_alpha * 255)

    def shape(self, inside, colour, box=None):
        """Fills the points for which inside(x, y) is true, sampled SAMPLES^2 times a pixel."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        step = 1.0 / SAMPLES
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                self.blend(x, y, colour, hits / (SAMPLES * SAMPLES))

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, (x0, y0, x1, y1))

    def round_rect(self, x0, y0, x1, y1, radius, colour, top_only=False):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), (y1 if top_only else y1 - radius))
            if top_only and y > y0 + radius:
                return True
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
        self.shape(inside, colour, (x0, y0, x1, y1))

    def circle(self, cx, cy, radius, colour):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2, colour,
                   (cx - radius, cy - radius, cx + radius + 1, cy + radius + 1))

    def polygon(self, points, colour):
        xs, ys = [p[0] for p in points], [p[1] for p in points]

        def inside(x, y):  # even-odd rule
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                (xi, yi), (xj, yj) = points[i], points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result
        self.shape(inside, colour, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))

    def line(self, ax, ay, bx, by, width, colour):
        half = width / 2.0

        def inside(x, y):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            t = 0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
            px, py = ax + t * dx, ay + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= half * half
        self.shape(inside, colour, (min(ax, bx) - half, min(ay, by) - half,
                                    max(ax, bx) + half + 1, max(ay, by) + half + 1))

    def png(self, name):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                raw.extend(self.pixels[y * self.width + x])

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)

    def ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (self.width, self.height))
            f.write(bytes(v for p in self.pixels for v in p[:3]))


# Colours
OUTLINE = (60, 60, 70, 255)
PAPER = (250, 250, 250, 255)
FOLDER = (232, 182, 58, 255)
FOLDER_DARK = (190, 136, 30, 255)
ARROW = (40, 140, 60, 255)
BLUE = (50, 90, 170, 255)
RED = (210, 40, 40, 255)
GREEN = (40, 160, 60, 255)
GREY = (150, 150, 150, 255)
TAB = (196, 150, 100, 255)      # light enough for black bold captions
TAB_LINE = (150, 100, 60, 255)


def glyph_new():
    c = Canvas(16, 16)
    c.polygon([(3, 1), (10, 1), (13, 4), (13, 15), (3, 15)], OUTLINE)
    c.polygon([(4, 2), (9.5, 2), (12, 4.5), (12, 14), (4, 14)], PAPER)
    c.polygon([(9.5, 2), (9.5, 4.5), (12, 4.5)], (200, 200, 205, 255))
    return c


def folder(c):
    c.polygon([(1, 4), (5, 4), (6.5, 5.5), (13, 5.5), (13, 13), (1, 13)], FOLDER_DARK)
    c.polygon([(2, 5), (4.6, 5), (6, 6.5), (12, 6.5), (12, 12), (2, 12)], FOLDER)
    c.polygon([(3, 8), (15, 8), (13, 13), (1, 13)], FOLDER_DARK)
    c.polygon([(3.6, 8.8), (13.8, 8.8), (12.4, 12.2), (2.2, 12.2)], (246, 206, 92, 255))


def glyph_open():
    c = Canvas(16, 16)
    folder(c)
    c.line(9, 3.5, 13.5, 3.5, 1.6, ARROW)  # arrow out of the folder, to the right and up
    c.polygon([(12, 1), (15.5, 3.5), (12, 6)], ARROW)
    return c


def glyph_browse():
    c = Canvas(16, 16)
    folder(c)
    return c


def glyph_save():
    c = Canvas(16, 16)
    c.round_rect(1, 1, 15, 15, 1.5, BLUE)
    c.rect(4, 1.8, 12, 6.5, (225, 230, 240, 255))   # label plate
    c.rect(9.5, 2.5, 11, 5.8, BLUE)                  # shutter window
    c.rect(3.5, 9, 12.5, 15, (240, 240, 240, 255))   # writing area
    c.rect(5, 10.5, 11, 11.2, GREY)
    c.rect(5, 12.5, 11, 13.2, GREY)
    return c


def glyph_clear():
    c = Canvas(16, 16)
    c.line(3.5, 3.5, 12.5, 12.5, 3.0, RED)
    c.line(12.5, 3.5, 3.5, 12.5, 3.0, RED)
    return c


def glyph_exit():
    c = Canvas(16, 16)
    c.rect(2, 1, 10, 15, OUTLINE)                    # door frame
    c.rect(3, 2, 9, 14, (170, 120, 70, 255))         # door
    c.circle(7.5, 8.5, 0.9, (250, 220, 120, 255))
    c.line(9, 8, 14, 8, 1.6, RED)                    # arrow leaving
    c.polygon([(12, 5.2), (15.5, 8), (12, 10.8)], RED)
    return c


def glyph_tick(colour):
    c = Canvas(16, 16)
    c.line(2.5, 8.5, 6.5, 12.5, 2.8, colour)
    c.line(6.5, 12.5, 13.5, 3.5, 2.8, colour)
    return c


def header(tab_width):
    c = Canvas(408, 23)
    c.round_rect(0, 0, tab_width, 23, 6, TAB, top_only=True)
    c.rect(0, 21, 408, 23, TAB_LINE)
    return c


# The editor's icon on a 48 x 48 grid: a phone with a coloured screen and a brush stroke. One
# list of shapes feeds both the rasteriser here and the scalable icon of make_icons.py.
ICON_SHAPES = (
    [("round_rect", (12, 2, 36, 46, 5), (45, 50, 60, 255)),
     ("rect", (15, 7, 33, 27), (90, 170, 230, 255)),
     ("polygon", ((15, 22), (22, 15), (28, 21), (33, 17), (33, 27), (15, 27)), (70, 150, 80, 255)),
     ("circle", (29, 11, 2.2), (250, 220, 90, 255))] +
    [("round_rect", (16 + col * 6, 30 + row * 5, 20 + col * 6, 33 + row * 5, 1), (150, 155, 165, 255))
     for row in range(3) for col in range(3)] +
    [("line", (30, 44, 44, 20, 3), (200, 70, 50, 255)),
     ("polygon", ((28, 47), (29, 42), (32.5, 44)), (240, 200, 150, 255))])


def icon(size):
    c = Canvas(size, size)
    s = size / 48.0
    for kind, numbers, colour in ICON_SHAPES:
        if kind == "polygon":
            c.polygon([(x * s, y * s) for x, y in numbers], colour)
        else:
            getattr(c, kind)(*(n * s for n in numbers), colour)
    return c


def about_picture():
    c = Canvas(80, 80)  # transparent: the dialog face shows around the tile
    c.round_rect(4, 4, 76, 76, 10, (128, 82, 46, 255))
    inner = icon(56)
    for y in range(56):
        for x in range(56):
            r, g, b, a = inner.pixels[y * 56 + x]
            c.blend(12 + x, 12 + y, (r, g, b, 255), a / 255.0)
    return c


def screensaver():
    """208 x 208: dusk over hills by a lake, with a moon and a few stars."""
    c = Canvas(208, 208, (0, 0, 0, 255))
    for y in range(208):
        t = y / 130.0
        sky = (int(20 + 200 * t ** 2), int(24 + 90 * t ** 1.5), int(70 + 60 * t))
        for x in range(208):
            c.pixels[y * 208 + x] = [min(255, v) for v in sky] + [255]
    for x, y, r in [(20, 18, 1.0), (51, 40, 0.8), (88, 12, 1.1), (120, 34, 0.7), (175, 22, 1.0),
                    (190, 55, 0.8), (35, 66, 0.7), (140, 60, 0.6)]:
        c.circle(x, y, r, (255, 250, 225, 230))
    c.circle(158, 52, 15, (250, 240, 200, 255))
    c.circle(151, 47, 13.5, (46, 43, 92, 255))  # the sky colour bites a crescent out of it
    far = [(0, 128)] + [(x, 118 - 14 * math.sin(x / 26.0) - 6 * math.sin(x / 9.0)) for x in range(0, 209, 4)] + [(208, 140), (0, 140)]
    c.polygon(far, (70, 50, 100, 255))
    near = [(0, 150)] + [(x, 136 - 10 * math.cos(x / 33.0 + 1) - 4 * math.sin(x / 7.0)) for x in range(0, 209, 4)] + [(208, 150), (0, 150)]
    c.polygon(near, (40, 30, 60, 255))
    for y in range(146, 208):  # the lake mirrors the sky, darker further down
        depth = (y - 146) / 62.0
        for x in range(208):
            src = c.pixels[(290 - y) * 208 + x] if 0 <= 290 - y < 146 else [30, 30, 60, 255]
            ripple = 0.85 - 0.35 * depth + 0.05 * math.sin(x / 3.0 + y)
            c.pixels[y * 208 + x] = [int(v * ripple) for v in src[:3]] + [255]
    for i in range(6):  # moonlight on the water
        y = 152 + i * 9
        c.rect(150 - 12 + i * 2, y, 166 + 10 - i * 2, y + 2, (240, 225, 180, 160))
    return c


def write_screensaver():
    with tempfile.TemporaryDirectory() as work:
        ppm = os.path.join(work, "ss.ppm")
        jpg = os.path.join(work, "ss.jpg")
        screensaver().ppm(ppm)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", ppm, "-pix_fmt", "yuvj420p", "-q:v", "4",
                        "-frames:v", "1",
                        "-fflags", "+bitexact", "-flags", "+bitexact", jpg], check=True)
        with open(jpg, "rb") as f:
            data = f.read()
    if data[2:4] != b"\xff\xe0":  # give it the JFIF segment that phones look for
        jfif = b"\xff\xe0" + struct.pack(">H5sBBBHHBB", 16, b"JFIF", 1, 1, 0, 1, 1, 0, 0)
        data = data[:2] + jfif + data[2:]
    with open(os.path.join(HERE, "default_ss.jpg"), "wb") as f:
        f.write(data + b"\0")  # the resource ends with one zero byte


def main():
    glyph_new().png("glyph_new.png")
    glyph_open().png("glyph_open.png")
    glyph_save().png("glyph_save.png")
    glyph_exit().png("glyph_exit.png")
    glyph_browse().png("glyph_browse.png")
    glyph_clear().png("glyph_clear.png")
    glyph_tick(GREEN).png("glyph_ok.png")
    glyph_tick(GREY).png("glyph_ok_disabled.png")
    header(136).png("header_136.png")
    header(182).png("header_182.png")
    about_picture().png("about.png")
    icon(48).png("icon_48.png")
    icon(128).png("icon_128.png")
    write_screensaver()


if __name__ == "__main__":
    main()
