#!/usr/bin/env python3
"""Draws Tessaline's built-in pictures and icons and writes them into assets/.

Only the standard library is used: every file format is laid out byte by byte with struct.
The JPEG preview is drawn here as a BMP and converted with ImageMagick's `convert`.

    python3 scripts/make_assets.py                    # writes into <repository>/assets and <repository>/dist/icons
    python3 scripts/make_assets.py OUTDIR [ICONDIR]   # the desktop icons go to ICONDIR, or OUTDIR/icons
"""

import math
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# --------------------------------------------------------------------------------------------
# File formats
# --------------------------------------------------------------------------------------------


def to_byte(v):
    """A colour channel from 0.0..1.0 to 0..255."""
    return max(0, min(255, int(round(v * 255))))


def bgr_rows_bottom_up(pixels, width, height):
    """24-bit pixel rows as BMP and ICO store them: bottom row first, B G R, each row padded to 4 bytes."""
    pad = (-width * 3) % 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = pixels[y]
        for x in range(width):
            r, g, b = row[x]
            out += bytes((to_byte(b), to_byte(g), to_byte(r)))
        out += b"\0" * pad
    return bytes(out)


def bitmap_info_header(width, height, bits, image_size, pixels_per_metre=3780):
    # BITMAPINFOHEADER: size, width, height, planes, bit count, compression (BI_RGB), image size,
    # horizontal and vertical resolution, colours used, colours important.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       pixels_per_metre, pixels_per_metre, 0, 0)


def bmp_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    data = bgr_rows_bottom_up(pixels, width, height)
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return file_header + bitmap_info_header(width, height, 24, len(data)) + data


def and_mask_bytes(mask, width, height):
    """1 bit per pixel, 1 = transparent, most significant bit first, bottom row first, rows padded to 4 bytes."""
    row_bytes = (width + 31) // 32 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(width):
            if mask[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def ico_image_24(pixels, mask):
    """One icon image: BITMAPINFOHEADER (height doubled for the mask), 24-bit XOR colours, AND mask."""
    height, width = len(pixels), len(pixels[0])
    # Transparent pixels are black in the colour part, so the AND/XOR pair leaves the screen as it was.
    colours = [[(0, 0, 0) if mask[y][x] else pixels[y][x] for x in range(width)] for y in range(height)]
    xor = bgr_rows_bottom_up(colours, width, height)
    and_ = and_mask_bytes(mask, width, height)
    return (width, height, 0, 24), bitmap_info_header(width, 2 * height, 24, len(xor) + len(and_), 0) + xor + and_


def ico_image_4(indices, palette, transparent):
    """One 16-colour icon image. indices[y][x] is a palette index or `transparent`."""
    height, width = len(indices), len(indices[0])
    assert len(palette) == 16
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    row_bytes = (width * 4 + 31) // 32 * 4
    xor = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(width):
            i = indices[y][x]
            i = 0 if i == transparent else i
            row[x // 2] |= i << (4 if x % 2 == 0 else 0)
        xor += row
    mask = [[indices[y][x] == transparent for x in range(width)] for y in range(height)]
    and_ = and_mask_bytes(mask, width, height)
    header = bitmap_info_header(width, 2 * height, 4, len(xor) + len(and_), 0)
    return (width, height, 16, 4), header + table + bytes(xor) + and_


def ico_bytes(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images one after another."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for (width, height, colours, bits), blob in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return out + entries + blobs


def lzw_codes_to_bytes(codes, code_size):
    """Packs fixed-width LZW codes least significant bit first, as GIF wants them."""
    acc, nbits, out = 0, 0, bytearray()
    for code in codes:
        acc |= code << nbits
        nbits += code_size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc)
    return bytes(out)


def transparent_gif_1x1():
    minimum_code_size = 2  # the smallest GIF allows, for a 2-colour table
    clear, end = 1 << minimum_code_size, (1 << minimum_code_size) + 1
    # Clear, pixel 0, end of information: 3-bit codes, since the table never grows past 8 entries.
    image_data = lzw_codes_to_bytes([clear, 0, end], minimum_code_size + 1)
    return b"".join([
        b"GIF89a",
        # Logical screen 1x1; global colour table present with 2 entries (size field 0), background 0.
        struct.pack("<HHBBB", 1, 1, 0x80, 0, 0),
        bytes((0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00)),
        # Graphic control extension: no disposal, transparent colour flag set, delay 0, transparent index 0.
        bytes((0x21, 0xF9, 0x04, 0x01)) + struct.pack("<H", 0) + bytes((0x00, 0x00)),
        # Image descriptor: at 0,0, 1x1, no local colour table, not interlaced.
        b"\x2C" + struct.pack("<HHHHB", 0, 0, 1, 1, 0),
        bytes((minimum_code_size, len(image_data))) + image_data + b"\x00",
        b"\x3B",
    ])


# --------------------------------------------------------------------------------------------
# A small painter: shapes are signed distance functions, edges get one pixel of anti-aliasing
# --------------------------------------------------------------------------------------------


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp01(t):
    return 0.0 if t < 0 else 1.0 if t > 1 else t


def scale(c, k):
    return tuple(clamp01(v * k) for v in c)


class Shape:
    """A signed distance function (negative inside) with a bounding box (x0, y0, x1, y1)."""

    def __init__(self, d, box):
        self.d, self.box = d, box

    def __or__(self, other):
        a, b = self.d, other.d
        return Shape(lambda x, y: min(a(x, y), b(x, y)), union_box(self.box, other.box))

    def __and__(self, other):
        a, b = self.d, other.d
        return Shape(lambda x, y: max(a(x, y), b(x, y)), intersect_box(self.box, other.box))

    def __sub__(self, other):
        a, b = self.d, other.d
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.box)


def union_box(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


def intersect_box(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))


def ellipse(cx, cy, rx, ry):
    k = min(rx, ry)
    return Shape(lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * k,
                 (cx - rx - 1, cy - ry - 1, cx + rx + 1, cy + ry + 1))


def rect(x0, y0, x1, y1, radius=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius

    return Shape(d, (x0 - 1, y0 - 1, x1 + 1, y1 + 1))


def below(y0, width, height):
    """Everything under the line y = y0."""
    return Shape(lambda x, y: y0 - y, (0, y0 - 1, width, height))


def above(y0, width):
    return Shape(lambda x, y: y - y0, (0, 0, width, y0 + 1))


def polygon(points):
    n = len(points)
    xs, ys = [p[0] for p in points], [p[1] for p in points]

    def d(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i - 1]
            bx, by = points[i]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey))
            dx, dy = wx - ex * t, wy - ey * t
            best = min(best, dx * dx + dy * dy)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        dist = math.sqrt(best)
        return -dist if inside else dist

    return Shape(d, (min(xs) - 1, min(ys) - 1, max(xs) + 1, max(ys) + 1))


def segment(ax, ay, bx, by, r):
    ex, ey = bx - ax, by - ay
    length2 = ex * ex + ey * ey

    def d(x, y):
        t = clamp01(((x - ax) * ex + (y - ay) * ey) / length2)
        return math.hypot(x - ax - ex * t, y - ay - ey * t) - r

    return Shape(d, (min(ax, bx) - r - 1, min(ay, by) - r - 1, max(ax, bx) + r + 1, max(ay, by) + r + 1))


def rotated_rect(cx, cy, length, width, angle, start=0.0):
    """A bar from (cx, cy) outwards at `angle`, starting `start` from the centre."""
    ux, uy = math.cos(angle), math.sin(angle)
    vx, vy = -uy * width / 2, ux * width / 2
    ax, ay = cx + ux * start, cy + uy * start
    bx, by = cx + ux * (start + length), cy + uy * (start + length)
    return polygon([(ax + vx, ay + vy), (bx + vx, by + vy), (bx - vx, by - vy), (ax - vx, ay - vy)])


class Canvas:
    def __init__(self, width, height, colour=(0.0, 0.0, 0.0)):
        self.width, self.height = width, height
        self.px = [[colour for _ in range(width)] for _ in range(height)]

    def _span(self, box):
        x0 = max(0, int(math.floor(box[0])))
        y0 = max(0, int(math.floor(box[1])))
        x1 = min(self.width, int(math.ceil(box[2])) + 1)
        y1 = min(self.height, int(math.ceil(box[3])) + 1)
        return x0, y0, x1, y1

    def shade(self, colour_at, box=None):
        """Sets every pixel in box to colour_at(x, y), taken at the pixel's centre."""
        x0, y0, x1, y1 = self._span(box or (0, 0, self.width, self.height))
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                row[x] = colour_at(x + 0.5, y + 0.5)

    def paint(self, shape, colour, alpha=1.0, soft=1.0):
        """Blends colour (a tuple or a function of x, y) over the shape; `soft` widens the edge."""
        x0, y0, x1, y1 = self._span(shape.box if soft <= 1 else
                                    (shape.box[0] - soft, shape.box[1] - soft,
                                     shape.box[2] + soft, shape.box[3] + soft))
        d = shape.d
        solid = not callable(colour)
        for y in range(y0, y1):
            row = self.px[y]
            cy = y + 0.5
            for x in range(x0, x1):
                cover = clamp01(0.5 - d(x + 0.5, cy) / soft) * alpha
                if cover <= 0:
                    continue
                c = colour if solid else colour(x + 0.5, cy)
                row[x] = lerp(row[x], c, cover) if cover < 1 else c

    def glow(self, cx, cy, radius, colour, strength):
        """A soft round light that fades out towards radius."""
        box = (cx - radius, cy - radius, cx + radius, cy + radius)
        x0, y0, x1, y1 = self._span(box)
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                t = 1 - math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
                if t > 0:
                    row[x] = lerp(row[x], colour, strength * t * t)


def vertical(top_colour, bottom_colour, y0, y1, power=1.0):
    def colour_at(x, y):
        return lerp(top_colour, bottom_colour, clamp01((y - y0) / (y1 - y0)) ** power)

    return colour_at


def cloud(canvas, x, y, size, alpha=0.92):
    shade = (0.86, 0.88, 0.95)
    white = (1.0, 1.0, 1.0)
    puffs = (circle(x, y, size * 0.55) | circle(x + size * 0.6, y - size * 0.35, size * 0.7)
             | circle(x + size * 1.3, y - size * 0.1, size * 0.55) | rect(x - size * 0.3, y - size * 0.2,
                                                                          x + size * 1.6, y + size * 0.5, size * 0.35))
    base = y + size * 0.5
    canvas.paint(puffs, lambda px, py: lerp(white, shade, clamp01((py - (base - size)) / size)), alpha)


def pine(canvas, x, base, height, colour):
    trunk = rect(x - height * 0.05, base - height * 0.2, x + height * 0.05, base)
    canvas.paint(trunk, scale(colour, 0.7))
    crown = None
    for i in range(3):
        top = base - height + i * height * 0.22
        half = height * (0.18 + i * 0.07)
        layer = polygon([(x, top), (x + half, top + height * 0.42), (x - half, top + height * 0.42)])
        crown = layer if crown is None else crown | layer
    canvas.paint(crown, colour)


# --------------------------------------------------------------------------------------------
# The six preview pictures
# --------------------------------------------------------------------------------------------


def mountains_at_dawn(width=352, height=240):
    c = Canvas(width, height)
    shore = 170
    c.shade(vertical((0.20, 0.36, 0.68), (0.99, 0.80, 0.60), 0, shore, 1.4), (0, 0, width, shore))
    sun_x, sun_y = 262, 96
    c.glow(sun_x, sun_y, 90, (1.0, 0.86, 0.62), 0.55)
    c.paint(circle(sun_x, sun_y, 21), (1.0, 0.96, 0.78))
    cloud(c, 62, 52, 22)
    cloud(c, 180, 34, 14, 0.8)
    cloud(c, 300, 60, 12, 0.75)

    far = polygon([(0, 116), (30, 104), (62, 86), (88, 100), (120, 76), (152, 94), (178, 82), (206, 102),
                   (240, 92), (276, 108), (302, 88), (330, 102), (352, 96), (352, shore + 1), (0, shore + 1)])
    c.paint(far, (0.58, 0.56, 0.76))
    main = polygon([(0, 150), (40, 130), (84, 98), (110, 72), (128, 58), (146, 74), (170, 92), (202, 114),
                    (232, 124), (262, 116), (292, 132), (322, 124), (352, 138), (352, shore + 1), (0, shore + 1)])
    c.paint(main, vertical((0.36, 0.40, 0.62), (0.26, 0.36, 0.44), 58, shore))
    shadow = polygon([(128, 58), (146, 74), (170, 92), (202, 114), (232, 124), (200, 150), (150, 140), (132, 100)])
    c.paint(shadow & main, (0.16, 0.18, 0.34), 0.35)
    snow = polygon([(110, 72), (128, 58), (146, 74), (139, 73), (133, 80), (127, 72), (120, 79), (115, 74)])
    c.paint(snow, (0.97, 0.97, 1.0))
    hills = polygon([(0, 160), (50, 148), (100, 154), (150, 143), (210, 151), (262, 144), (312, 153), (352, 147),
                     (352, shore + 1), (0, shore + 1)])
    c.paint(hills, vertical((0.30, 0.52, 0.34), (0.18, 0.38, 0.26), 143, shore))

    # The lake mirrors what is above the shore, slightly rippled and tinted.
    for y in range(shore, height):
        t = (y - shore) / (height - shore)
        water = lerp((0.40, 0.56, 0.76), (0.13, 0.27, 0.48), t)
        source = c.px[max(0, 2 * shore - y - 1)]
        ripple = int(round(math.sin(y * 0.9) * (1 + 2 * t)))
        row = c.px[y]
        for x in range(width):
            row[x] = lerp(source[min(width - 1, max(0, x + ripple))], water, 0.45 + 0.35 * t)
    for i, y in enumerate(range(shore + 4, height - 10, 7)):
        half = 16 - i * 0.8 + (i % 2) * 5
        c.paint(rect(sun_x - half, y, sun_x + half, y + 2, 1), (1.0, 0.92, 0.70), 0.55)
    c.paint(rect(0, shore - 1, width, shore + 1), (0.86, 0.80, 0.70), 0.35)

    bank = polygon([(0, 200), (40, 197), (90, 206), (118, 222), (132, 240), (0, 240)])
    c.paint(bank, (0.17, 0.29, 0.18))
    for x, h in ((18, 64), (44, 50), (70, 40), (96, 26)):
        pine(c, x, 206 + (x // 30), h, (0.09, 0.22, 0.15))
    return c.px


def seaside(width=352, height=240):
    c = Canvas(width, height)
    horizon = 128
    c.shade(vertical((0.33, 0.60, 0.90), (0.84, 0.92, 0.99), 0, horizon), (0, 0, width, horizon))
    c.glow(70, 48, 60, (1.0, 0.97, 0.85), 0.5)
    c.paint(circle(70, 48, 17), (1.0, 0.96, 0.74))
    cloud(c, 150, 40, 16)
    cloud(c, 260, 62, 12, 0.85)

    c.paint(ellipse(276, horizon + 2, 54, 18) & above(horizon, width), (0.30, 0.52, 0.40))
    c.paint(ellipse(250, horizon + 2, 24, 11) & above(horizon, width), (0.36, 0.60, 0.44))
    c.shade(vertical((0.26, 0.60, 0.74), (0.07, 0.28, 0.52), horizon, height), (0, horizon, width, height))
    rng = random.Random(3)
    for _ in range(70):
        y = rng.uniform(horizon + 3, height - 4)
        x = rng.uniform(0, width)
        length = 3 + (y - horizon) * 0.12
        c.paint(segment(x, y, x + length, y, 0.45 + (y - horizon) * 0.004), (0.92, 0.97, 1.0), 0.45)

    # A sailing boat with its reflection.
    c.paint(rect(176, 171, 228, 178, 3), (0.04, 0.18, 0.38), 0.35)
    c.paint(polygon([(168, 160), (234, 160), (223, 171), (180, 171)]), (0.72, 0.20, 0.17))
    c.paint(rect(168, 159, 234, 162), (0.95, 0.90, 0.80))
    c.paint(segment(201, 159, 201, 86, 1.0), (0.36, 0.25, 0.18))
    c.paint(polygon([(203, 90), (203, 155), (240, 155)]), vertical((1.0, 1.0, 1.0), (0.88, 0.90, 0.94), 90, 155))
    c.paint(polygon([(199, 98), (199, 155), (170, 155)]), (0.99, 0.91, 0.76))
    c.paint(polygon([(201, 84), (213, 88), (201, 92)]), (0.86, 0.18, 0.16))

    sand = circle(30, 430, 240)
    c.paint(circle(30, 430, 244) - sand, (0.97, 0.99, 1.0), 0.75)
    c.paint(sand, vertical((0.95, 0.86, 0.66), (0.86, 0.72, 0.50), 190, height))
    c.paint(ellipse(78, 224, 34, 5), (0.62, 0.50, 0.34), 0.35)
    # A striped beach umbrella.
    c.paint(segment(72, 178, 80, 224, 1.3), (0.45, 0.33, 0.24))
    canopy = ellipse(70, 182, 32, 17) & above(182, width)

    def stripes(x, y):
        angle = math.atan2(182 - y, x - 70)
        return (0.90, 0.22, 0.20) if int(angle / (math.pi / 7)) % 2 == 0 else (0.99, 0.97, 0.92)

    c.paint(canopy, stripes)
    c.paint(ellipse(74, 206, 12, 4), (0.20, 0.50, 0.80))

    for x, y, s in ((118, 64, 6), (136, 76, 4.5), (300, 30, 5)):
        c.paint(segment(x - s, y - s * 0.5, x, y, 0.8) | segment(x, y, x + s, y - s * 0.5, 0.8), (0.25, 0.27, 0.32))
    return c.px


def night_town(width=320, height=239):
    c = Canvas(width, height)
    c.shade(vertical((0.03, 0.05, 0.18), (0.28, 0.22, 0.44), 0, height, 1.2))
    rng = random.Random(11)
    for _ in range(110):
        x, y = rng.uniform(0, width), rng.uniform(0, 170) ** 1.0
        c.paint(circle(x, y, rng.uniform(0.35, 0.9)), (1.0, 0.98, 0.88), rng.uniform(0.4, 1.0))
    for x, y in ((52, 40), (150, 24), (196, 96), (92, 110)):
        c.glow(x, y, 6, (1.0, 1.0, 0.95), 0.7)
        c.paint(segment(x - 5, y, x + 5, y, 0.35) | segment(x, y - 5, x, y + 5, 0.35), (1.0, 1.0, 0.95), 0.8)
    c.glow(250, 58, 70, (0.70, 0.70, 0.90), 0.35)
    c.paint(circle(250, 58, 25) - circle(262, 50, 22), (1.0, 0.96, 0.78))

    c.paint(polygon([(0, 170), (60, 150), (120, 162), (190, 140), (260, 156), (320, 146), (320, 240), (0, 240)]),
            (0.13, 0.14, 0.30))
    ground = 205
    dark = (0.07, 0.07, 0.16)
    lit = (1.0, 0.80, 0.40)
    houses = [(8, 34, 30, 16), (46, 26, 40, 14), (76, 40, 24, 18), (150, 30, 34, 15), (184, 44, 28, 20),
              (232, 30, 38, 14), (266, 46, 26, 18)]
    rng = random.Random(5)
    for x, w, h, roof in houses:
        body = rect(x, ground - h, x + w, ground + 1)
        top = polygon([(x - 3, ground - h), (x + w / 2, ground - h - roof), (x + w + 3, ground - h)])
        c.paint(rect(x + w * 0.7, ground - h - roof, x + w * 0.7 + 5, ground - h - 2), dark)
        c.paint(body | top, dark)
        for wy in range(ground - h + 5, ground - 8, 11):
            for wx in range(x + 5, x + w - 8, 10):
                if rng.random() < 0.6:
                    c.glow(wx + 2.5, wy + 3, 9, lit, 0.18)
                    c.paint(rect(wx, wy, wx + 5, wy + 6), lit)
    # A church tower with a pointed spire and a lit clock.
    c.paint(rect(112, ground - 70, 134, ground + 1) | polygon([(109, ground - 70), (123, ground - 108),
                                                                (137, ground - 70)]), dark)
    c.paint(segment(123, ground - 108, 123, ground - 118, 0.8) | segment(119, ground - 114, 127, ground - 114, 0.8),
            dark)
    c.glow(123, ground - 55, 14, lit, 0.25)
    c.paint(circle(123, ground - 55, 5), (1.0, 0.92, 0.70))
    c.paint(rect(119, ground - 20, 127, ground + 1, 3), lit)
    for x in (215, 306):
        c.paint(rect(x - 1.5, ground - 18, x + 1.5, ground + 1), dark)
        c.paint(circle(x, ground - 26, 10) | circle(x - 7, ground - 18, 7) | circle(x + 7, ground - 18, 7), dark)
    c.paint(below(ground, width, height), vertical((0.08, 0.08, 0.16), (0.04, 0.04, 0.10), ground, height))
    for x in range(20, width, 60):
        c.paint(ellipse(x + 10, ground + 16, 18, 2), (1.0, 0.80, 0.40), 0.12)
    return c.px


def balloon_sky(width=80, height=100):
    c = Canvas(width, height)
    c.shade(vertical((0.38, 0.64, 0.93), (0.88, 0.94, 1.0), 0, height))
    cloud(c, 6, 20, 8, 0.85)
    cloud(c, 56, 84, 7, 0.8)

    cx, cy, r = 42.0, 34.0, 21.0
    waist, bottom, bottom_half = cy + 7, 62.0, 6.0
    waist_half = math.sqrt(r * r - (waist - cy) ** 2)
    envelope = circle(cx, cy, r) | polygon([(cx - waist_half, waist), (cx + waist_half, waist),
                                            (cx + bottom_half, bottom), (cx - bottom_half, bottom)])
    colours = [(0.90, 0.20, 0.20), (0.99, 0.80, 0.20), (0.98, 0.50, 0.15), (0.20, 0.45, 0.85)]

    def fabric(x, y):
        if y <= waist:
            half = math.sqrt(max(1e-6, r * r - (y - cy) ** 2))
        else:
            half = waist_half + (bottom_half - waist_half) * (y - waist) / (bottom - waist)
        u = max(-1.0, min(1.0, (x - cx) / half))
        band = int((math.asin(u) / (math.pi / 2) + 1) * 3.5)
        light = 1.08 - 0.28 * (u + 1) / 2 - 0.12 * clamp01((y - cy + r) / (2 * r))
        return scale(colours[band % len(colours)], light)

    c.paint(envelope, fabric)
    c.paint(circle(cx - 8, cy - 10, 5), (1.0, 1.0, 1.0), 0.25, soft=4)
    for x0, x1 in ((cx - bottom_half + 1, cx - 4), (cx + bottom_half - 1, cx + 4)):
        c.paint(segment(x0, bottom, x1, 70, 0.35), (0.30, 0.22, 0.18))
    c.paint(rect(cx - 5, 70, cx + 5, 78, 1.2), (0.58, 0.38, 0.20))
    c.paint(rect(cx - 5, 70, cx + 5, 71.5), (0.40, 0.25, 0.14))

    # A second balloon, far away.
    c.paint(circle(15, 58, 5) | polygon([(10.5, 60), (19.5, 60), (16.5, 65), (13.5, 65)]), (0.35, 0.65, 0.35))
    c.paint(rect(13.6, 66, 16.4, 68.5), (0.45, 0.30, 0.18))
    c.paint(polygon([(0, 92), (20, 86), (44, 90), (66, 84), (80, 88), (80, 100), (0, 100)]), (0.36, 0.62, 0.34))
    return c.px


def tulips_and_windmill(width=146, height=87):
    c = Canvas(width, height)
    field = 50
    c.shade(vertical((0.42, 0.66, 0.92), (0.86, 0.93, 0.99), 0, field))
    cloud(c, 14, 18, 9, 0.9)
    cloud(c, 62, 10, 6, 0.8)
    c.paint(polygon([(0, 47), (40, 44), (90, 46), (146, 43), (146, field + 1), (0, field + 1)]), (0.42, 0.62, 0.40))

    vanish_x, vanish_y = 50.0, 38.0
    colours = [(0.88, 0.14, 0.18), (0.99, 0.82, 0.18), (0.96, 0.50, 0.66), (0.98, 0.55, 0.14),
               (0.60, 0.28, 0.72)]

    def rows(x, y):
        u = (x - vanish_x) / (y - vanish_y) * 2.2
        band = math.floor(u)
        frac = u - band
        depth = clamp01((y - field) / (height - field))
        if frac < 0.22 + 0.1 * depth:
            return lerp((0.30, 0.48, 0.24), (0.20, 0.40, 0.18), depth)
        flower = colours[band % len(colours)]
        speckle = 0.82 + 0.18 * math.sin(x * 1.7 + y * 2.3) * math.sin(y * 1.3)
        return scale(lerp((0.55, 0.60, 0.45), flower, 0.45 + 0.55 * depth), speckle)

    c.shade(rows, (0, field, width, height))

    # The windmill: a brick tower, a dark cap and four sails.
    base, hub_x, hub_y = 52, 112.0, 22.0
    c.paint(polygon([(103, base), (121, base), (117, 24), (107, 24)]), vertical((0.62, 0.36, 0.26),
                                                                                (0.46, 0.26, 0.20), 24, base))
    c.paint(polygon([(105, 25), (112, 15), (119, 25)]), (0.26, 0.22, 0.24))
    c.paint(rect(110, 42, 114, base, 2), (0.25, 0.16, 0.12))
    c.paint(rect(109.5, 31, 114.5, 35), (0.98, 0.90, 0.60))
    for k in range(4):
        angle = math.radians(25 + 90 * k)
        c.paint(rotated_rect(hub_x, hub_y, 22, 0.9, angle), (0.30, 0.22, 0.18))
        c.paint(rotated_rect(hub_x, hub_y, 17, 4.6, angle, start=5) - rotated_rect(hub_x, hub_y, 17, 1.0, angle,
                                                                                      start=5),
                (0.96, 0.94, 0.88))
    c.paint(circle(hub_x, hub_y, 1.6), (0.20, 0.16, 0.14))
    return c.px


def mosaic_flower(width=110, height=161):
    """A sunflower laid out in little stone tiles, with light grout between them."""
    cx, cy = 55.0, 58.0
    frame = 7

    def scene(x, y):
        if x < frame or y < frame or x > width - frame or y > height - frame:
            return (0.80, 0.52, 0.22) if (int(x / 6) + int(y / 6)) % 2 else (0.62, 0.30, 0.16)
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        a = math.atan2(dy, dx)
        if r < 10:
            return (0.40, 0.22, 0.10) if r < 7 else (0.56, 0.32, 0.12)
        if r < 27 * (0.55 + 0.45 * abs(math.cos(6 * a))):
            return (0.99, 0.80, 0.16) if r < 20 else (0.96, 0.66, 0.12)
        if abs(x - cx) < 4.5 and cy < y < 148:
            return (0.22, 0.52, 0.24)
        for lx, ly, tilt in ((38, 106, 0.6), (72, 120, -0.6)):
            ux, uy = x - lx, y - ly
            u = ux * math.cos(tilt) + uy * math.sin(tilt)
            v = -ux * math.sin(tilt) + uy * math.cos(tilt)
            if (u / 18) ** 2 + (v / 8) ** 2 < 1:
                return (0.30, 0.62, 0.28)
        if y > 140:
            return (0.42, 0.54, 0.24)
        return lerp((0.20, 0.42, 0.74), (0.55, 0.74, 0.90), clamp01(y / 140))

    pitch = 5.5
    rng = random.Random(7)
    cols, rows = int(width / pitch) + 2, int(height / pitch) + 2
    sites = {}
    for j in range(-1, rows):
        for i in range(-1, cols):
            sx = (i + 0.5) * pitch + rng.uniform(-1.5, 1.5)
            sy = (j + 0.5) * pitch + rng.uniform(-1.5, 1.5)
            sites[i, j] = (sx, sy, scale(scene(sx, sy), rng.uniform(0.9, 1.08)))

    grout = (0.86, 0.83, 0.76)
    px = [[grout] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            fx, fy = x + 0.5, y + 0.5
            ci, cj = int(fx / pitch), int(fy / pitch)
            near = [sites[i, j] for j in range(cj - 1, cj + 2) for i in range(ci - 1, ci + 2) if (i, j) in sites]
            near.sort(key=lambda s: (s[0] - fx) ** 2 + (s[1] - fy) ** 2)
            ax, ay, colour = near[0]
            da = (ax - fx) ** 2 + (ay - fy) ** 2
            # Distance to the nearest tile border (the perpendicular bisector to a neighbouring site).
            edge = min(((bx - fx) ** 2 + (by - fy) ** 2 - da) / (2 * math.hypot(bx - ax, by - ay))
                       for bx, by, _ in near[1:])
            lit = scale(colour, 1.06 - 0.1 * clamp01(math.sqrt(da) / pitch))
            px[y][x] = lerp(grout, lit, clamp01(edge * 1.6 - 0.25))
    return px


# --------------------------------------------------------------------------------------------
# Icons
# --------------------------------------------------------------------------------------------


# The application icon: a wooden photo frame holding a tiny mountain landscape laid out in mosaic tiles. One
# design in a square of 32 units, drawn as the window icon, as PNG icons of any size and as an SVG.

ICON_UNITS = 32
FRAME_EDGE = (0.32, 0.18, 0.08)
FRAME_INNER_EDGE = (0.30, 0.18, 0.09)
WOOD_TOP, WOOD_BOTTOM = (0.82, 0.58, 0.32), (0.56, 0.35, 0.17)
WOOD_LIT, WOOD_SHADED = 1.12, 0.88  # the upper left half of the frame catches the light
PICTURE_FROM, PICTURE_TO = 4, 28  # the picture fills 4..28 both ways
TILE_PITCH = 4  # a tile is 3 units wide, followed by a joint of 1
JOINT_SHADE = 0.72
SHOW_THROUGH = 0.35  # each tile is mostly one colour, the picture underneath showing through a little
SKY_TOP, SKY_BOTTOM, SKY_FROM, SKY_TO = (0.34, 0.60, 0.94), (0.76, 0.88, 0.99), 4, 20
SUN_CENTRE, SUN_RADIUS, SUN = (21.5, 9), 3.6, (1.0, 0.86, 0.20)
MOUNTAIN_PEAK, MOUNTAIN_SLOPE, MOUNTAIN = (11, 7), 1.5, (0.40, 0.46, 0.74)
SNOW_LINE, SNOW = 12, (0.97, 0.97, 1.0)
HILL_TOP, HILL_SLOPE, HILL = (23, 15), 0.5, (0.36, 0.62, 0.44)
SHORE, GRASS = 22, (0.30, 0.62, 0.28)
LAKE_BOX, LAKE = (15, 22, 28, 25), (0.26, 0.56, 0.84)


def below_ridge(peak, slope, x, y):
    return y > peak[1] + abs(x - peak[0]) * slope


def icon_landscape(x, y):
    if math.hypot(x - SUN_CENTRE[0], y - SUN_CENTRE[1]) < SUN_RADIUS:
        return SUN
    if y >= SHORE:
        x0, _, x1, y1 = LAKE_BOX
        return LAKE if x0 < x < x1 and y < y1 else GRASS
    if below_ridge(MOUNTAIN_PEAK, MOUNTAIN_SLOPE, x, y):
        return SNOW if y < SNOW_LINE else MOUNTAIN
    if below_ridge(HILL_TOP, HILL_SLOPE, x, y):
        return HILL
    return vertical(SKY_TOP, SKY_BOTTOM, SKY_FROM, SKY_TO)(x, y)


def app_icon_colour(u, v):
    """The icon's colour at the point u, v of its square of 32 units."""
    n, lo, hi = ICON_UNITS, PICTURE_FROM, PICTURE_TO
    if u < 1 or v < 1 or u >= n - 1 or v >= n - 1:
        return FRAME_EDGE
    if not (lo - 1 <= u < hi + 1 and lo - 1 <= v < hi + 1):
        wood = vertical(WOOD_TOP, WOOD_BOTTOM, 0, n)(u, v)
        return scale(wood, WOOD_LIT if u + v < n else WOOD_SHADED)
    if not (lo <= u < hi and lo <= v < hi):
        return FRAME_INNER_EDGE
    if (u - lo) % TILE_PITCH >= TILE_PITCH - 1 or (v - lo) % TILE_PITCH >= TILE_PITCH - 1:
        return scale(icon_landscape(u, v), JOINT_SHADE)
    tile_centre = (TILE_PITCH - 1) / 2
    tx = lo + (u - lo) // TILE_PITCH * TILE_PITCH + tile_centre
    ty = lo + (v - lo) // TILE_PITCH * TILE_PITCH + tile_centre
    return lerp(icon_landscape(tx, ty), icon_landscape(u, v), SHOW_THROUGH)


def app_icon_pixels(size):
    """The design drawn at size x size pixels. At its own 32 pixels one sample a pixel keeps every edge sharp; other
    sizes average 4 x 4 samples a pixel, so that thin frame lines blend in instead of dropping out and the sun and
    the mountains get smooth edges."""
    samples = 1 if size == ICON_UNITS else 4
    unit = ICON_UNITS / size
    offsets = [(i + 0.5) / samples for i in range(samples)]
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            colours = [app_icon_colour((x + dx) * unit, (y + dy) * unit) for dy in offsets for dx in offsets]
            row.append(tuple(sum(c[k] for c in colours) / len(colours) for k in range(3)))
        pixels.append(row)
    return pixels


def app_icon():
    """The window icon at 32 x 32.

    The frame fills the whole square: Qt ignores the AND mask of 24-bit icons, so a masked pixel would show as
    its black XOR colour there. The mask is still written, all opaque, for readers that use it.
    """
    size = ICON_UNITS
    return ico_image_24(app_icon_pixels(size), [[False] * size for _ in range(size)])


def app_icon_svg():
    """The same design as scalable paths: the landscape in shapes, the joints darkening it and the tiles laid over it
    with the landscape showing through."""
    n, lo, hi = ICON_UNITS, PICTURE_FROM, PICTURE_TO

    def colour(c):
        return "#%02x%02x%02x" % tuple(to_byte(v) for v in c)

    def points(ps):
        return " ".join(f"{x:g},{y:g}" for x, y in ps)

    def gradient(name, top, bottom, y0, y1):
        return (f'<linearGradient id="{name}" gradientUnits="userSpaceOnUse" x1="0" y1="{y0:g}" x2="0" y2="{y1:g}">'
                f'<stop offset="0" stop-color="{colour(top)}"/><stop offset="1" stop-color="{colour(bottom)}"/>'
                '</linearGradient>')

    def ridge(peak, slope, cut):
        half = (cut - peak[1]) / slope
        return [peak, (peak[0] + half, cut), (peak[0] - half, cut)]

    lit = [(1, 1), (n - 1, 1), (hi + 1, lo - 1), (lo - 1, lo - 1), (lo - 1, hi + 1), (1, n - 1)]
    shaded = [(n - 1, 1), (n - 1, n - 1), (1, n - 1), (lo - 1, hi + 1), (hi + 1, hi + 1), (hi + 1, lo - 1)]
    lx0, ly0, lx1, ly1 = LAKE_BOX
    width = hi - lo
    joints = "".join(f"M{lo + k + TILE_PITCH - 1} {lo}h1v{width}h-1z M{lo} {lo + k + TILE_PITCH - 1}h{width}v1h-{width}z "
                     for k in range(0, width, TILE_PITCH))
    tile = TILE_PITCH - 1
    tiles = "".join(
        f'<rect x="{x}" y="{y}" width="{tile}" height="{tile}" fill="{colour(icon_landscape(x + tile / 2, y + tile / 2))}"/>'
        for y in range(lo, hi, TILE_PITCH) for x in range(lo, hi, TILE_PITCH))
    lines = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 {n} {n}">',
        "<defs>",
        gradient("wood-lit", scale(WOOD_TOP, WOOD_LIT), scale(WOOD_BOTTOM, WOOD_LIT), 0, n),
        gradient("wood-shaded", scale(WOOD_TOP, WOOD_SHADED), scale(WOOD_BOTTOM, WOOD_SHADED), 0, n),
        gradient("sky", SKY_TOP, SKY_BOTTOM, SKY_FROM, SKY_TO),
        f'<clipPath id="picture"><rect x="{lo}" y="{lo}" width="{width}" height="{width}"/></clipPath>',
        "</defs>",
        f'<rect width="{n}" height="{n}" fill="{colour(FRAME_EDGE)}"/>',
        f'<polygon points="{points(lit)}" fill="url(#wood-lit)"/>',
        f'<polygon points="{points(shaded)}" fill="url(#wood-shaded)"/>',
        f'<rect x="{lo - 1}" y="{lo - 1}" width="{width + 2}" height="{width + 2}" fill="{colour(FRAME_INNER_EDGE)}"/>',
        '<g clip-path="url(#picture)">',
        f'<rect x="{lo}" y="{lo}" width="{width}" height="{width}" fill="url(#sky)"/>',
        f'<polygon points="{points(ridge(HILL_TOP, HILL_SLOPE, SHORE))}" fill="{colour(HILL)}"/>',
        f'<polygon points="{points(ridge(MOUNTAIN_PEAK, MOUNTAIN_SLOPE, SHORE))}" fill="{colour(MOUNTAIN)}"/>',
        f'<polygon points="{points(ridge(MOUNTAIN_PEAK, MOUNTAIN_SLOPE, SNOW_LINE))}" fill="{colour(SNOW)}"/>',
        f'<rect x="{lo}" y="{SHORE}" width="{width}" height="{hi - SHORE}" fill="{colour(GRASS)}"/>',
        f'<rect x="{lx0}" y="{ly0}" width="{lx1 - lx0}" height="{ly1 - ly0}" fill="{colour(LAKE)}"/>',
        f'<circle cx="{SUN_CENTRE[0]:g}" cy="{SUN_CENTRE[1]:g}" r="{SUN_RADIUS:g}" fill="{colour(SUN)}"/>',
        f'<path d="{joints.strip()}" fill="#000000" fill-opacity="{1 - JOINT_SHADE:g}"/>',
        f'<g opacity="{1 - SHOW_THROUGH:g}">{tiles}</g>',
        "</g>",
        "</svg>",
    ]
    return ("\n".join(lines) + "\n").encode("ascii")


DESKTOP_ICON_SIZES = (16, 32, 48, 64, 128, 256)


def png_bytes(pixels):
    """An 8-bit RGB PNG, every row unfiltered."""
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(to_byte(v) for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


# The standard 16-colour palette, in the usual order.
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
PALETTE_16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
              (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
              (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CLEAR = -1


def picture_icon(size):
    """A yellow diamond with a black outline, a small white glint and a darker lower right edge."""
    half = size // 2
    outline = 2 if size >= 32 else 1
    grid = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            dx, dy = x + 0.5 - half, y + 0.5 - half
            reach = abs(dx) + abs(dy)  # a whole number for every pixel
            if reach > half:
                continue
            if reach > half - outline:
                grid[y][x] = BLACK
            elif dx + dy > 0 and reach > half - outline - (3 if size >= 32 else 1):
                grid[y][x] = OLIVE
            else:
                grid[y][x] = YELLOW
    glint = [(-5, -7), (-6, -6), (-7, -5), (-5, -6), (-6, -5)] if size >= 32 else [(-3, -3)]
    for gx, gy in glint:
        grid[half + gy][half + gx] = WHITE
    return ico_image_4(grid, PALETTE_16, CLEAR)


def help_icon(size):
    """A grey window frame with a darker title bar, holding a white page of black text lines."""
    grid = [[CLEAR] * size for _ in range(size)]
    if size >= 32:
        left, top, right, bottom, title, margin = 1, 2, 30, 29, 4, 3
        lines = [(9, 20), (12, 16), (15, 20), (18, 12), (21, 18), (24, 9)]
    else:
        left, top, right, bottom, title, margin = 0, 1, 15, 14, 2, 2
        lines = [(6, 8), (8, 6), (10, 8), (12, 5)]
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x in (left, right) or y in (top, bottom):
                grid[y][x] = GREY
            elif y <= top + title:
                grid[y][x] = GREY if y == top + title else SILVER
            elif left + margin <= x <= right - margin and y <= bottom - margin + 1:
                grid[y][x] = WHITE
            else:
                grid[y][x] = SILVER
    # The little close box at the right of the title bar.
    box = 2 if size >= 32 else 1
    for y in range(top + 1 + (1 if size >= 32 else 0), top + 1 + (1 if size >= 32 else 0) + box):
        for x in range(right - 1 - box - (1 if size >= 32 else 0), right - 1 - (1 if size >= 32 else 0)):
            grid[y][x] = BLACK
    for y, length in lines:
        for x in range(left + margin + 2, left + margin + 2 + length):
            grid[y][x] = BLACK
    return ico_image_4(grid, PALETTE_16, CLEAR)


# --------------------------------------------------------------------------------------------


def write(path, data, expected_size=None):
    if expected_size is not None and len(data) != expected_size:
        raise SystemExit(f"{path}: {len(data)} bytes, expected {expected_size}")
    with open(path, "wb") as f:
        f.write(data)
    print(f"{path}: {len(data)} bytes")


def write_jpeg(path, pixels):
    convert = shutil.which("convert")
    if convert is None:
        raise SystemExit("ImageMagick's convert is needed for the JPEG preview")
    with tempfile.TemporaryDirectory() as tmp:
        bmp = os.path.join(tmp, "preview.bmp")
        with open(bmp, "wb") as f:
            f.write(bmp_bytes(pixels))
        subprocess.run([convert, bmp, "-strip", "-sampling-factor", "2x2", "-quality", "88", "JPG:" + path],
                       check=True)
    with open(path, "rb") as f:
        head = f.read(11)
    if head[:4] != b"\xFF\xD8\xFF\xE0" or head[6:11] != b"JFIF\0":
        raise SystemExit(f"{path}: convert did not write a JFIF file")
    print(f"{path}: {os.path.getsize(path)} bytes")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "assets")
    icons = sys.argv[2] if len(sys.argv) > 2 else os.path.join(out, "icons") if len(sys.argv) > 1 else os.path.join(
        root, "dist", "icons")
    os.makedirs(out, exist_ok=True)
    os.makedirs(icons, exist_ok=True)

    def at(name):
        return os.path.join(out, name)

    write(at("app.ico"), ico_bytes([app_icon()]), 3262)
    write(at("picture.ico"), ico_bytes([picture_icon(32), picture_icon(16)]))
    write(at("help.ico"), ico_bytes([help_icon(32), help_icon(16)]))
    write(at("blank.gif"), transparent_gif_1x1())
    write_jpeg(at("preview0.jpg"), balloon_sky())
    write(at("preview1.bmp"), bmp_bytes(mountains_at_dawn()), 253494)
    write(at("preview2.bmp"), bmp_bytes(mosaic_flower()), 53506)
    write(at("preview3.bmp"), bmp_bytes(seaside()), 253494)
    write(at("preview4.bmp"), bmp_bytes(night_town()), 229494)
    write(at("preview5.bmp"), bmp_bytes(tulips_and_windmill()), 38334)
    # The same design as the window icon, for the desktop's icon theme.
    for size in DESKTOP_ICON_SIZES:
        write(os.path.join(icons, f"tessaline-{size}.png"), png_bytes(app_icon_pixels(size)))
    write(os.path.join(icons, "tessaline.svg"), app_icon_svg())


if __name__ == "__main__":
    main()
