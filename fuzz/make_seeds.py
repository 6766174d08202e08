#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus: small valid pictures of every kind the program reads, and help
texts in code page 932; some carry colour profiles, written here too. PNG, WebP and AVIF seeds come
from fuzz/web_seeds.py. The JPEG seeds come from ImageMagick's `convert` and libjpeg-turbo's `jpegtran`;
the rest is made here, byte by byte.

usage: make_seeds.py PICTURE_FOLDER HELP_FOLDER [HELP_TXT]
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

WIDTH, HEIGHT = 7, 5  # odd, so that every row is padded


def colour(x, y):
    return ((x * 40) & 255, (y * 60) & 255, ((x + y) * 25) & 255)


# ---------------------------------------------------------------- ICC colour profiles

def s15(value):
    return struct.pack(">i", round(value * 65536))


def icc_profile(kind, space, pcs, tags):
    """A version 2 profile of `kind` ('mntr', 'prtr'): `tags` a list of (signature, data), shared data once."""
    table, data, placed = b"", b"", {}
    start = 128 + 4 + 12 * len(tags)
    for signature, body in tags:
        if body not in placed:
            placed[body] = start + len(data)
            data += body + b"\0" * (-len(body) % 4)
        table += signature + struct.pack(">II", placed[body], len(body))
    size = start + len(data)
    header = (struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x02100000) + kind + space + pcs + b"\0" * 12
              + b"acsp" + b"\0" * 24 + struct.pack(">I", 0) + s15(0.9642) + s15(1.0) + s15(0.8249) + b"\0" * 48)
    return header + struct.pack(">I", len(tags)) + table + data


def xyz(x, y, z):
    return b"XYZ \0\0\0\0" + s15(x) + s15(y) + s15(z)


def gamma_curve(gamma):
    return b"curv\0\0\0\0" + struct.pack(">IH", 1, round(gamma * 256))


WHITE = xyz(0.9642, 1.0, 0.8249)


def adobe_rgb_profile():
    curve = gamma_curve(2.2)
    return icc_profile(b"mntr", b"RGB ", b"XYZ ", [
        (b"wtpt", WHITE), (b"rXYZ", xyz(0.6097, 0.3111, 0.0195)), (b"gXYZ", xyz(0.2053, 0.6257, 0.0609)),
        (b"bXYZ", xyz(0.1492, 0.0632, 0.7446)), (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)])


def grey_profile():
    return icc_profile(b"mntr", b"GRAY", b"XYZ ", [(b"wtpt", WHITE), (b"kTRC", gamma_curve(1.8))])


def lut_profile(device_class, space, inputs, clut):
    """A profile to Lab through a table of 2 points an input, between identity curves."""
    ramp = bytes(range(256))
    identity = s15(1) + s15(0) * 3 + s15(1) + s15(0) * 3 + s15(1)
    lut = b"mft1\0\0\0\0" + bytes((inputs, 3, 2, 0)) + identity + ramp * inputs + clut + ramp * 3
    return icc_profile(device_class, space, b"Lab ", [(b"wtpt", WHITE), (b"A2B0", lut)])


def cmyk_profile():
    """Ink to Lab: each ink takes away its share of light."""
    clut = b""
    for c in (0, 1):
        for m in (0, 1):
            for y in (0, 1):
                for k in (0, 1):
                    light = (1 - k) * (3 - c - m - y) / 3
                    clut += bytes((round(255 * light), 128 + 40 * (m - c), 128 + 40 * (y - m)))
    return lut_profile(b"prtr", b"CMYK", 4, clut)


def rgb_lut_profile():
    """RGB to Lab by a table, which Little CMS converts by its own transform."""
    clut = b""
    for r in (0, 1):
        for g in (0, 1):
            for b in (0, 1):
                clut += bytes((round(255 * (r + g + b) / 3), 128 + 40 * (r - g), 128 + 40 * (g - b)))
    return lut_profile(b"mntr", b"RGB ", 3, clut)


def with_profile(jpeg, profile, chunk=60000):
    """A JPEG with `profile` in APP2 chunks after its SOI."""
    parts = [profile[i:i + chunk] for i in range(0, len(profile), chunk)]
    segments = b""
    for number, part in enumerate(parts, 1):
        body = b"ICC_PROFILE\0" + bytes((number, len(parts))) + part
        segments += b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body
    return jpeg[:2] + segments + jpeg[2:]


# ---------------------------------------------------------------- BMP

def bmp(width, height, bits, palette, pixels, compression=0, masks=None, core=False):
    if core:  # the 12-byte header of the oldest files
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in palette)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                           2835, 2835, len(palette), 0)
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
        if masks:
            table = struct.pack("<III", *masks) + table
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels


def rows(width, height, bits, value):
    """Rows bottom up at `bits` per pixel, each padded to 4 bytes."""
    out = b""
    for y in reversed(range(height)):
        row = bytearray()
        acc = filled = 0
        for x in range(width):
            v = value(x, y)
            if bits >= 8:
                row += v.to_bytes(bits // 8, "little")
                continue
            acc = (acc << bits) | v
            filled += bits
            if filled == 8:
                row.append(acc)
                acc = filled = 0
        if filled:
            row.append(acc << (8 - filled))
        while len(row) % 4:
            row.append(0)
        out += bytes(row)
    return out


def grey_palette(n):
    return [(i * 255 // (n - 1),) * 3 for i in range(n)]


def rle8(width, height):
    """Runs, a literal run, a delta that skips pixels, line ends and the end of the picture."""
    out = bytearray()
    for y in range(height):
        if y == 2:
            out += bytes([0, 2, 1, 1])  # skip one column and one row
            continue
        out += bytes([3, y + 1, 0, 3, 5, 6, 7, 0])  # a run of three, then three literals (padded)
        out += bytes([width - 6, 9])
        out += bytes([0, 0])
    out += bytes([0, 1])
    return bytes(out)


def rle4(width, height):
    out = bytearray()
    for y in range(height):
        out += bytes([4, 0x12, 0, 3, 0x34, 0x50])  # a run of four, then three literal nibbles
        out += bytes([0, 0])
    out += bytes([0, 1])
    return bytes(out)


def bmps():
    rgb = lambda x, y: colour(x, y)
    yield "1bit.bmp", bmp(WIDTH, HEIGHT, 1, [(0, 0, 0), (255, 255, 255)], rows(WIDTH, HEIGHT, 1, lambda x, y: (x + y) & 1))
    yield "4bit.bmp", bmp(WIDTH, HEIGHT, 4, grey_palette(16), rows(WIDTH, HEIGHT, 4, lambda x, y: (x * 3 + y) & 15))
    yield "8bit.bmp", bmp(WIDTH, HEIGHT, 8, grey_palette(256), rows(WIDTH, HEIGHT, 8, lambda x, y: x * 30 + y))
    yield "8bit-short-palette.bmp", bmp(WIDTH, HEIGHT, 8, grey_palette(4), rows(WIDTH, HEIGHT, 8, lambda x, y: (x + y) % 4))
    yield "16bit-555.bmp", bmp(WIDTH, HEIGHT, 16, [], rows(WIDTH, HEIGHT, 16, lambda x, y: (x << 10) | (y << 5) | 7))
    yield "16bit-565-bitfields.bmp", bmp(WIDTH, HEIGHT, 16, [], rows(WIDTH, HEIGHT, 16, lambda x, y: (x << 11) | (y << 5) | 9),
                                        compression=3, masks=(0xF800, 0x07E0, 0x001F))
    yield "24bit.bmp", bmp(WIDTH, HEIGHT, 24, [], rows(WIDTH, HEIGHT, 24, lambda x, y: int.from_bytes(bytes(reversed(rgb(x, y))), "big")))
    yield "24bit-top-down.bmp", bmp(WIDTH, -HEIGHT, 24, [], rows(WIDTH, HEIGHT, 24, lambda x, y: x * 0x102030 + y))
    yield "24bit-core-header.bmp", bmp(WIDTH, HEIGHT, 24, [], rows(WIDTH, HEIGHT, 24, lambda x, y: x * 0x030201), core=True)
    yield "32bit.bmp", bmp(WIDTH, HEIGHT, 32, [], rows(WIDTH, HEIGHT, 32, lambda x, y: 0xFF000000 | (x * 0x203040 + y) & 0xFFFFFF))
    yield "32bit-bitfields.bmp", bmp(WIDTH, HEIGHT, 32, [], rows(WIDTH, HEIGHT, 32, lambda x, y: (x * 0x01020304 + y) & 0xFFFFFFFF),
                                     compression=3, masks=(0x00FF0000, 0x0000FF00, 0x000000FF))
    yield "rle8.bmp", bmp(WIDTH + 2, HEIGHT, 8, grey_palette(16), rle8(WIDTH + 2, HEIGHT), compression=1)
    yield "rle4.bmp", bmp(WIDTH, HEIGHT, 4, grey_palette(16), rle4(WIDTH, HEIGHT), compression=2)
    yield "v5-profile.bmp", bmp_v5_with_profile(adobe_rgb_profile())


def bmp_v5_with_profile(profile):
    """A 24-bit BMP with a V5 header whose embedded profile follows the pixels."""
    pixels = rows(WIDTH, HEIGHT, 24, lambda x, y: int.from_bytes(bytes(reversed(colour(x, y))), "big"))
    info = (struct.pack("<IiiHHIIiiII", 124, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
            + b"\0" * 16 + b"DEBM" + b"\0" * 48 + struct.pack("<IIII", 4, 124 + len(pixels), len(profile), 0))
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels) + len(profile), 0, 0, offset) + info + pixels + profile


# ---------------------------------------------------------------- GIF

def lzw(indices, min_size):
    """GIF's LZW: codes grow from min_size + 1 bits up to 12; a full table starts again."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, acc, nbits = bytearray(), 0, 0

    def put(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 255)
            acc >>= 8
            nbits -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = fresh()
    put(clear, size)
    word = b""
    for k in indices:
        grown = word + bytes([k])
        if grown in table:
            word = grown
            continue
        put(table[word], size)
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            put(clear, size)
            table, next_code, size = fresh()
        word = bytes([k])
    if word:
        put(table[word], size)
    put(end, size)
    if nbits:
        out.append(acc & 255)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + out[i:i + 255] for i in range(0, len(out), 255))
    return bytes([min_size]) + blocks + b"\0"


def gif_frame(left, top, width, height, indices, local_table=None, interlaced=False, delay=None, transparent=None,
              disposal=0):
    out = b""
    if delay is not None:
        flags = (disposal << 2) | (1 if transparent is not None else 0)
        out += b"\x21\xf9\x04" + struct.pack("<BHB", flags, delay, transparent or 0) + b"\0"
    packed = 0x40 if interlaced else 0
    table = b""
    if local_table:
        packed |= 0x80 | 2  # eight colours
        table = b"".join(bytes(c) for c in local_table) + b"\0" * (3 * (8 - len(local_table)))
    out += b"\x2c" + struct.pack("<HHHHB", left, top, width, height, packed) + table
    if interlaced:
        order = list(range(0, height, 8)) + list(range(4, height, 8)) + list(range(2, height, 4)) + list(range(1, height, 2))
        indices = [indices[y * width + x] for y in order for x in range(width)]
    return out + lzw(indices, 2 if local_table else 4)


def gif(width, height, frames, looping=False):
    palette = [colour(i, 15 - i) for i in range(16)]
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF3, 0, 0) + b"".join(bytes(c) for c in palette)
    if looping:
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    return out + b"".join(frames) + b"\x3b"


def gifs():
    w, h = 12, 11
    pixels = [(x * 3 + y * 5) % 16 for y in range(h) for x in range(w)]
    yield "plain.gif", gif(w, h, [gif_frame(0, 0, w, h, pixels)])
    yield "interlaced.gif", gif(w, h, [gif_frame(0, 0, w, h, pixels, interlaced=True)])
    frames = [
        gif_frame(0, 0, w, h, pixels, delay=10, disposal=1),
        gif_frame(2, 3, 5, 4, [(i % 3) for i in range(20)], local_table=[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
                  delay=10, transparent=1, disposal=2),
        gif_frame(1, 1, 4, 4, [7] * 16, delay=20, disposal=3),
    ]
    yield "animated.gif", gif(w, h, frames, looping=True)
    long_run = [0] * 600 + [(i * 7) % 16 for i in range(5000)]  # enough codes to fill the table
    yield "large-table.gif", gif(100, 56, [gif_frame(0, 0, 100, 56, long_run)])


# ---------------------------------------------------------------- ICO and PNG

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, block=1, extra=b""):
    raw = b"".join(b"\0" + b"".join(bytes(colour(x // block, y // block)) + b"\xff" for x in range(width)) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) + extra
            + png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))


def ico_bmp_entry(size, bits):
    palette = grey_palette(1 << bits) if bits <= 8 else []
    if bits == 32:
        pixels = rows(size, size, 32, lambda x, y: (((x * 5) & 255) << 24) | (x * 0x030405) & 0xFFFFFF)
    else:
        pixels = rows(size, size, bits, lambda x, y: (x + y) % (1 << bits))
    mask = rows(size, size, 1, lambda x, y: 1 if x < 2 else 0)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(pixels) + len(mask), 0, 0,
                       len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return info + table + pixels + mask


def ico(entries):
    """entries: (size, bits, data) each; a size of 256 is written as 0."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory, images = b"", b""
    for size, bits, data in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset + len(images))
        images += data
    return head + directory + images


def icons():
    yield "one-size.ico", ico([(16, 32, ico_bmp_entry(16, 32))])
    yield "several-sizes.ico", ico([(16, 4, ico_bmp_entry(16, 4)), (32, 8, ico_bmp_entry(32, 8)),
                                    (24, 1, ico_bmp_entry(24, 1)), (48, 32, ico_bmp_entry(48, 32))])
    yield "png-entries.ico", ico([(16, 32, ico_bmp_entry(16, 32)), (32, 32, png(32, 32)), (256, 32, png(256, 256, block=32))])
    # The first entry a PNG with a text chunk: the decoder hands Qt a copy without it.
    text = png_chunk(b"tEXt", b"Comment\0" + b"words " * 20)
    yield "png-first-with-text.ico", ico([(24, 32, png(24, 24, block=6, extra=text)), (16, 32, ico_bmp_entry(16, 32))])
    yield "picture.png", png(9, 6)
    # A PNG entry with a colour profile, read apart from the copy Qt is handed.
    profile = png_chunk(b"iCCP", b"Adobe RGB\0\0" + zlib.compress(adobe_rgb_profile()))
    yield "png-with-profile.ico", ico([(24, 32, png(24, 24, block=6, extra=profile))])


# ---------------------------------------------------------------- JPEG

def exif(jpeg, orientation):
    """A JPEG with an EXIF orientation (6 and 8: the stored picture is turned a quarter to show)."""
    body = b"Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01" + struct.pack(">HH", orientation, 0) + b"\0\0\0\0"
    return jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + jpeg[2:]


def exif_with_thumbnail(jpeg, thumbnail):
    """A camera's EXIF block: orientation in IFD0, the picture size in the Exif IFD, a thumbnail in IFD1."""
    def ifd(entries, next_offset):
        out = struct.pack(">H", len(entries))
        for tag, kind, value in entries:
            out += struct.pack(">HHI", tag, kind, 1) + (struct.pack(">HH", value, 0) if kind == 3 else struct.pack(">I", value))
        return out + struct.pack(">I", next_offset)
    ifd0_at, exif_at = 8, 8 + 6 + 12 * 2
    ifd1_at = exif_at + 6 + 12 * 2
    thumb_at = ifd1_at + 6 + 12 * 2
    tiff = (b"MM\0\x2a" + struct.pack(">I", ifd0_at)
            + ifd([(0x0112, 3, 6), (0x8769, 4, exif_at)], ifd1_at)
            + ifd([(0xa002, 4, 19), (0xa003, 3, 13)], 0)
            + ifd([(0x0201, 4, thumb_at), (0x0202, 4, len(thumbnail))], 0) + thumbnail)
    body = b"Exif\0\0" + tiff
    return jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + jpeg[2:]


def jpegtran(jpeg, *options):
    return subprocess.run(["jpegtran", *options], input=jpeg, stdout=subprocess.PIPE, check=True).stdout


# Every block's DC, then the coefficients a 3/8 decode reads, then the rest, one component a scan.
LOW_COEFFICIENTS_FIRST = "0,1,2: 0-0, 0, 0;\n" + "".join(
    f"{c}: {first}-{last}, 0, 0;\n" for first, last in ((1, 14), (15, 63)) for c in range(3))


# Other layouts progressive files come in: each component's DC in a scan of its own; the DC's last bit
# refined only at the end (after every AC scan); the AC in narrow bands, each refined a bit at a time.
SCAN_LAYOUTS = {
    "dc-per-component": "0: 0-0, 0, 0;\n1: 0-0, 0, 0;\n2: 0-0, 0, 0;\n" + "".join(
        f"{c}: 1-63, 0, 0;\n" for c in range(3)),
    "dc-refined-last": "0,1,2: 0-0, 0, 1;\n" + "".join(f"{c}: 1-63, 0, 0;\n" for c in range(3))
                       + "0,1,2: 0-0, 1, 0;\n",
    "narrow-bands": "0,1,2: 0-0, 0, 0;\n" + "".join(
        f"{c}: {first}-{last}, 0, 1;\n" for c in range(3) for first, last in ((1, 2), (3, 9), (10, 63)))
                    + "".join(f"{c}: {first}-{last}, 1, 0;\n" for c in range(3) for first, last in ((1, 2), (3, 9), (10, 63))),
}


def jpegtran_scans(jpeg, script):
    with tempfile.NamedTemporaryFile("w", suffix=".txt") as f:
        f.write(script)
        f.flush()
        return jpegtran(jpeg, "-scans", f.name)


def after_first_scan(jpeg, scans=1):
    """The file up to the marker after its first `scans` scans."""
    at = 0
    for _ in range(scans):
        at = jpeg.index(b"\xff\xda", at) + 2
        while not (jpeg[at] == 0xff and jpeg[at + 1] != 0 and jpeg[at + 1] & 0xf8 != 0xd0):
            at += 1
    return jpeg[:at]


def jpegs():
    variants = {
        "baseline.jpg": [],
        "progressive.jpg": ["-interlace", "Plane"],
        "cmyk.jpg": ["-colorspace", "CMYK"],
        "grey.jpg": ["-colorspace", "Gray"],
        "sampling-444.jpg": ["-sampling-factor", "1x1"],
        "large.jpg": ["-resize", "67x41!"],  # several blocks a side at 1/8
    }
    made = {}
    with tempfile.TemporaryDirectory() as temp:
        for name, options in variants.items():
            path = os.path.join(temp, name)
            subprocess.run(["convert", "-size", "19x13", "gradient:#c03020-#2040d0", *options, "-quality", "85",
                            "-strip", path], check=True)
            with open(path, "rb") as f:
                made[name] = f.read()
    yield from made.items()
    yield "exif-turned-right.jpg", exif(made["baseline.jpg"], 6)
    yield "exif-turned-left.jpg", exif(made["baseline.jpg"], 8)
    yield "exif-progressive-mirrored.jpg", exif(made["progressive.jpg"], 5)
    yield "exif-with-thumbnail.jpg", exif_with_thumbnail(made["baseline.jpg"], made["grey.jpg"])
    yield "arithmetic.jpg", jpegtran(made["baseline.jpg"], "-arithmetic")
    yield "arithmetic-progressive.jpg", jpegtran(made["baseline.jpg"], "-arithmetic", "-progressive")
    yield "restart-markers.jpg", jpegtran(made["sampling-444.jpg"], "-restart", "1B")
    yield "cmyk-progressive.jpg", jpegtran(made["cmyk.jpg"], "-progressive")
    # Cells of progressive files are made from their first scans.
    yield "progressive-dc-scans-only.jpg", after_first_scan(made["progressive.jpg"])
    yield "progressive-low-coefficients-first.jpg", jpegtran_scans(made["sampling-444.jpg"], LOW_COEFFICIENTS_FIRST)
    yield "progressive-low-coefficients-first-420.jpg", jpegtran_scans(made["large.jpg"], LOW_COEFFICIENTS_FIRST)
    for name, script in SCAN_LAYOUTS.items():
        yield f"progressive-{name}.jpg", jpegtran_scans(made["baseline.jpg"], script)
        yield f"progressive-{name}-444.jpg", jpegtran_scans(made["sampling-444.jpg"], script)
    yield "progressive-dc-per-component-cut.jpg", after_first_scan(
        jpegtran_scans(made["large.jpg"], SCAN_LAYOUTS["dc-per-component"]), 3)
    # Colour profiles: RGB in one chunk and in several, grey, CMYK (which the rows go through).
    yield "profile-rgb.jpg", with_profile(made["baseline.jpg"], adobe_rgb_profile())
    yield "profile-rgb-chunks.jpg", with_profile(made["progressive.jpg"], adobe_rgb_profile(), chunk=100)
    yield "profile-grey.jpg", with_profile(made["grey.jpg"], grey_profile())
    yield "profile-cmyk.jpg", with_profile(made["cmyk.jpg"], cmyk_profile())
    yield "profile-rgb-table.jpg", with_profile(made["sampling-444.jpg"], rgb_lut_profile())
    yield "profile-cmyk-progressive.jpg", with_profile(jpegtran(made["cmyk.jpg"], "-progressive"), cmyk_profile())
    yield "profile-large-progressive.jpg", with_profile(jpegtran(made["large.jpg"], "-progressive"), adobe_rgb_profile())


# ---------------------------------------------------------------- help texts

def help_texts():
    text = "Tessaline の使い方\r\n\r\n画像読み込み：フォルダの画像を並べます。\r\nC:\\Pictures\\ ～ ｶﾀｶﾅ\r\n"
    yield "help-crlf.txt", text.encode("cp932")
    yield "help-lone-cr-and-lf.txt", "一行目\r二行目\n続き\r\n最後の行に改行なし".encode("cp932")
    yield "help-utf8-mark.txt", b"\xef\xbb\xbf" + "UTF-8 の説明\r\n".encode("utf-8")
    yield "help-broken-pairs.txt", "前".encode("cp932") + b"\x81\x20\x85\x40\x80\xa0\xfd\xfe\xff" + "後\r\n".encode("cp932")
    yield "help-lead-byte-at-end.txt", "終わり".encode("cp932") + b"\x88"
    yield "help-empty.txt", b""


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def web_formats():
    """PNG, WebP and AVIF, each under a name of the accepted ones that lies (web_seeds.py)."""
    import web_seeds
    yield from web_seeds.pngs(png_chunk, colour, adobe_rgb_profile())
    photo = png(24, 16, block=3)
    for name, data in web_seeds.webps_and_avifs(photo, adobe_rgb_profile()):
        yield name, data


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pictures, helps = sys.argv[1], sys.argv[2]
    for kind in (bmps, gifs, icons, jpegs, web_formats):
        write(pictures, kind())
    write(helps, help_texts())
    if len(sys.argv) > 3:
        with open(sys.argv[3], "rb") as f:
            write(helps, [("Help.txt", f.read())])


if __name__ == "__main__":
    main()
