#!/usr/bin/env python3
"""Writes small picture files that cost a naive decoder much time or memory, and a few broken ones.

    python3 tests/costly_files.py OUTDIR [--ordinary]

--ordinary also writes a few ordinary pictures beside them (photo-NN.jpg, drawing.bmp), so that a
folder made by this script looks like a folder a user has. The same bytes are written on every
run; the only outside help is the system's cjpeg (libjpeg-turbo-progs), which encodes the
photo-like pictures from PPMs written here.

The progressive JPEGs carry scans with no entropy-coded bytes at all: libjpeg warns once a scan
that the data ended early ("Corrupt JPEG data: premature end of data segment"), keeps the blocks
it has, still walks every block of the picture in every scan, and holds the whole coefficient
buffer (128 bytes an 8 x 8 block) until the last scan; djpeg decodes each of them to the end.

djpeg: libjpeg-turbo 2.1.5, `ulimit -v 6000000; /usr/bin/time -v timeout 150 djpeg -outfile
/dev/null FILE`. Qt: Qt 6.4's plugins through QImageReader with its default 128 MB allocation
limit, `/usr/bin/time -v build/read_picture FILE`. Time, then peak resident memory, on two cores
shared with a build; "refused" means at once, for the allocation limit or the header.

| file | bytes | djpeg | Qt |
|---|---|---|---|
| progressive-4096x4096-grey-50000-empty-scans.jpg | 500,144 | over 150 s (stopped), 35 MB | 89 s, 67 MB |
| progressive-4096x4096-grey-20000-empty-scans-exif-turned.jpg | 200,180 | 70 s, 35 MB | 39 s, 67 MB |
| progressive-16384x16384-grey-2000-empty-scans.jpg | 20,144 | over 150 s (stopped), 526 MB | refused |
| progressive-65500x65500-ycbcr420-one-empty-scan.jpg | 164 | wants 13 GB: "Insufficient memory" | refused |
| progressive-30000x30000-grey-one-empty-scan.jpg | 154 | 21 s, 1.76 GB | refused |
| progressive-8192x8192-grey-3000-ac-refinement-scans.jpg | 30,164 | 30 s, 133 MB | refused |
| rle8-1x1000000000.bmp | 1,144 | - | refused (10^9 rows, 4 GB at a 4-byte stride) |
| icon-says-16x16-holds-16384x16384-png.ico | 818,500 | - | refused (an 805 MB RGB PNG inside) |
| gif-16000x16000-screen-1-pixel-frame.gif | 43 | - | refused (a 1 GB canvas at 32 bits) |
| photo-then-2gb-sparse-tail-no-end-marker.jpg | 2 GB, 152 KB on disk | 12 s, 2 MB | 7.9 s, 20 MB |
| jpeg-65500x65500-frame-then-1.5gb-of-app1-segments.jpg | 1.6 GB, 97 MB on disk | "missing SOS marker", 1.1 s | 23 s, 1.59 GB, fails |
| icon-64x64-png-with-600mb-of-text-chunks.ico | 600 MB, 404 KB on disk | - | 2.9 s, 609 MB |
| xpm-1x1-of-3-million-colours-named.bmp | 54,000,063 | - | 5.5 s, 207 MB (as XPM) |
| png-16000x16000-named.bmp | 775,221 | - | refused (as PNG: a 1 GB picture) |
| gif-40-million-one-pixel-frames.gif | 480,000,023 | - | 0.08 s, 19 MB; its size or count: 1.4 s, 320 MB |
| text-named-as-picture.JPG | 49 | "Not a JPEG file" | refused |
| empty.jpg | 0 | "Empty input file" | refused |
| truncated.jpg | 76,990 | "Premature end of JPEG file" | half a picture, 0.01 s |
| random-bytes.jpg | 4,096 | "Not a JPEG file" | refused |

Under the real program (tests/freeze_check.sh, which raises Qt's limit to 1 GB) the same folder
froze the window for over four minutes and took 12.5 GB.
"""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# --- JPEG -------------------------------------------------------------------------------------------


def segment(marker, payload=b""):
    return b"\xff" + bytes([marker]) + struct.pack(">H", len(payload) + 2) + payload


SOI = b"\xff\xd8"
EOI = b"\xff\xd9"
JFIF = segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
# One quantisation table of ones; the decoder needs one for each component, whatever the data.
DQT = segment(0xDB, b"\x00" + bytes([1] * 64))
# A DC table and an AC table that each hold one symbol (DC difference 0, end of block) with a
# one-bit code: the smallest tables libjpeg takes.
DHT = segment(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00" + b"\x10" + bytes([1] + [0] * 15) + b"\x00")

GREY = [(1, 0x11)]
YCBCR_420 = [(1, 0x22), (2, 0x11), (3, 0x11)]


def sof2(width, height, components):
    payload = struct.pack(">BHHB", 8, height, width, len(components))
    for ident, sampling in components:
        payload += bytes([ident, sampling, 0])
    return segment(0xC2, payload)


def sos(idents, ss, se, ah, al):
    payload = bytes([len(idents)])
    for ident in idents:
        payload += bytes([ident, 0x00])
    return segment(0xDA, payload + bytes([ss, se, (ah << 4) | al]))


def exif_orientation(value):
    # A big-endian TIFF header and one IFD with the orientation tag (a SHORT, left-justified).
    ifd = struct.pack(">H", 1) + struct.pack(">HHIHH", 0x0112, 3, 1, value, 0) + struct.pack(">I", 0)
    return segment(0xE1, b"Exif\x00\x00" + b"MM\x00\x2a" + struct.pack(">I", 8) + ifd)


def progressive(width, height, components, scans, app=b""):
    """A progressive JPEG whose scans (Ss, Se, Ah, Al) hold no entropy-coded data."""
    idents = [ident for ident, _ in components]
    body = b"".join(sos(idents if ss == 0 else idents[:1], ss, se, ah, al) for ss, se, ah, al in scans)
    return SOI + JFIF + app + DQT + sof2(width, height, components) + DHT + body + EOI


def empty_dc_scans(count):
    # A first DC scan may be repeated: each one is a valid first scan of the DC coefficient.
    return [(0, 0, 0, 0)] * count


def ac_refinements(count):
    # The DC scan, a first AC scan to one bit less, then refinement scans of all 63 AC coefficients.
    return [(0, 0, 0, 0), (1, 63, 0, 1)] + [(1, 63, 1, 0)] * count


# --- photo-like pictures ------------------------------------------------------------------------------


def ppm(width, height, seed):
    """Smooth colour gradients with soft rings, like a photo as far as a JPEG encoder is concerned."""
    rows = []
    for y in range(height):
        row = bytearray(width * 3)
        for x in range(width):
            ring = ((x - width * seed // 7) ** 2 + (y - height // 3) ** 2) // (37 + seed) % 64
            row[3 * x] = (x * 255 // width + ring) & 0xFF
            row[3 * x + 1] = (y * 255 // height + 2 * ring) & 0xFF
            row[3 * x + 2] = ((x + y) * 127 // (width + height) + 64 + seed * 9) & 0xFF
        rows.append(bytes(row))
    return b"P6\n%d %d\n255\n" % (width, height) + b"".join(rows)


def baseline_jpeg(width, height, seed):
    if not shutil.which("cjpeg"):
        sys.exit("costly_files.py: cjpeg is missing (apt-get install libjpeg-turbo-progs)")
    with tempfile.NamedTemporaryFile(suffix=".ppm") as source:
        source.write(ppm(width, height, seed))
        source.flush()
        return subprocess.run(
            ["cjpeg", "-quality", "85", "-optimize", source.name], check=True, capture_output=True
        ).stdout


# --- other formats ------------------------------------------------------------------------------------


def rle8_bmp(width, height):
    # A few one-pixel runs, each ended by an end of line, then the end of the bitmap: the rest of
    # the picture is left to the decoder, which has to make room for all of it first.
    rle = b"".join(bytes([1, i % 256, 0, 0]) for i in range(16)) + b"\x00\x01"
    palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(rle), 2835, 2835, 256, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(rle), 0, 0, offset) + info + palette + rle


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def one_colour_png(size, rgb):
    compressor = zlib.compressobj(9)
    row = b"\x00" + bytes(rgb) * size
    data = b"".join(compressor.compress(row) for _ in range(size)) + compressor.flush()
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", data) + png_chunk(b"IEND", b"")


def icon_with_png(said, png):
    # The directory entry says one size; the PNG inside it says its own.
    entry = struct.pack("<BBBBHHII", said, said, 0, 0, 1, 32, len(png), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + png


def png_with_text(size, chunks, chunk_bytes):
    """A one-colour PNG carrying `chunks` text chunks of `chunk_bytes` each, mostly zeros (holes when
    written), as pieces at their offsets."""
    png = one_colour_png(size, (200, 40, 120))
    header, rest = png[:33], png[33:]
    text = b"tEXt" + b"Comment\x00"
    crc = zlib.crc32(text)
    zeros = bytes(1 << 20)
    left = chunk_bytes - 8
    while left:
        crc = zlib.crc32(zeros[: min(left, len(zeros))], crc)
        left -= min(left, len(zeros))
    pieces, at = [(0, header)], len(header)
    for _ in range(chunks):
        pieces.append((at, struct.pack(">I", chunk_bytes) + text))
        pieces.append((at + 8 + chunk_bytes, struct.pack(">I", crc)))
        at += 12 + chunk_bytes
    pieces.append((at, rest))
    return pieces, at + len(rest)


def icon_with_sparse_png(said, pieces, length):
    entry = struct.pack("<BBBBHHII", said, said, 0, 0, 1, 32, length, 6 + 16)
    directory = struct.pack("<HHH", 0, 1, 1) + entry
    return Sparse(6 + 16 + length, [(0, directory)] + [(6 + 16 + at, data) for at, data in pieces])


def frame_then_app1_segments(width, height, count):
    """A baseline frame header, then `count` APP1 segments as long as a segment can be, zero inside."""
    sof0 = segment(0xC0, struct.pack(">BHHB", 8, height, width, 3) + b"\x01\x22\x00\x02\x11\x00\x03\x11\x00")
    head = SOI + DQT + sof0
    pieces = [(0, head)] + [(len(head) + i * 65537, b"\xff\xe1\xff\xff") for i in range(count)]
    return Sparse(len(head) + count * 65537 + 2, pieces + [(len(head) + count * 65537, EOI)])


def xpm_of_colours(colours):
    """A 1 x 1 XPM whose colour table holds `colours` colours, four characters a pixel."""
    alphabet = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-"

    def name(i):
        return bytes(alphabet[i >> shift & 63] for shift in (18, 12, 6, 0))

    lines = b"".join(b'"%s c #%06x",\n' % (name(i), i * 5 % 0x1000000) for i in range(colours))
    return b'/* XPM */\nstatic char *picture[] = {\n"1 1 %d 4",\n' % colours + lines + b'"AAAA"};\n'


def gif_of_tiny_frames(count):
    """A one-pixel screen and `count` one-pixel frames; all but the first hold no data at all."""
    screen = struct.pack("<HHBBB", 1, 1, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    first = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00"
    empty = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x00"
    return Frames(b"GIF89a" + screen + first, empty, count - 1, b"\x3b")


def big_screen_gif(width, height):
    screen = struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    transparent = b"\x21\xf9\x04\x01\x00\x00\x00\x00"
    frame = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0)
    # Code size 2: clear, pixel 0, end of information, in three 3-bit codes.
    pixels = b"\x02\x02\x44\x01\x00"
    return b"GIF89a" + screen + transparent + frame + pixels + b"\x3b"


# --- the files ----------------------------------------------------------------------------------------


class Sparse:
    """A file mostly of holes: pieces of bytes at their offsets, zeros elsewhere up to `size`."""

    def __init__(self, size, pieces):
        self.size, self.pieces = size, pieces

    def write(self, out):
        for offset, data in self.pieces:
            out.seek(offset)
            out.write(data)
        out.truncate(self.size)


class Frames:
    """A head, the same bytes `count` times, then a tail: written a million at a time."""

    def __init__(self, head, repeated, count, tail):
        self.head, self.repeated, self.count, self.tail = head, repeated, count, tail

    def write(self, out):
        out.write(self.head)
        for start in range(0, self.count, 1000000):
            out.write(self.repeated * min(1000000, self.count - start))
        out.write(self.tail)


def webp_lossless_saying(width, height):
    """A lossless WebP whose header says `width` x `height`, its bitstream a few bytes of nothing."""
    bits = (width - 1) | (height - 1) << 14
    vp8l = b"\x2f" + struct.pack("<I", bits) + b"\0" * 16
    return b"RIFF" + struct.pack("<I", 4 + 8 + len(vp8l)) + b"WEBP" + b"VP8L" + struct.pack("<I", len(vp8l)) + vp8l


def avif_saying(width, height):
    """A small AVIF made by avifenc whose picture's size property says `width` x `height`; none without
    avifenc."""
    if not shutil.which("avifenc"):
        return None
    with tempfile.TemporaryDirectory() as folder:
        source, made = os.path.join(folder, "a.png"), os.path.join(folder, "a.avif")
        with open(source, "wb") as f:
            f.write(one_colour_png(64, (30, 90, 160)))
        subprocess.run(["avifenc", "-s", "10", source, made], check=True, capture_output=True)
        avif = bytearray(open(made, "rb").read())
    at = avif.index(b"ispe") + 8  # the box's version and flags, then the width and the height
    avif[at:at + 8] = struct.pack(">II", width, height)
    return bytes(avif)


def costly_files():
    photo = baseline_jpeg(640, 480, 1)
    text_png, text_png_length = png_with_text(64, 100, 6000000)
    return {
        "progressive-4096x4096-grey-50000-empty-scans.jpg": progressive(4096, 4096, GREY, empty_dc_scans(50000)),
        "progressive-4096x4096-grey-20000-empty-scans-exif-turned.jpg": progressive(
            4096, 4096, GREY, empty_dc_scans(20000), exif_orientation(6)
        ),
        "progressive-16384x16384-grey-2000-empty-scans.jpg": progressive(16384, 16384, GREY, empty_dc_scans(2000)),
        "progressive-65500x65500-ycbcr420-one-empty-scan.jpg": progressive(65500, 65500, YCBCR_420, empty_dc_scans(1)),
        "progressive-30000x30000-grey-one-empty-scan.jpg": progressive(30000, 30000, GREY, empty_dc_scans(1)),
        "progressive-8192x8192-grey-3000-ac-refinement-scans.jpg": progressive(8192, 8192, GREY, ac_refinements(3000)),
        "rle8-1x1000000000.bmp": rle8_bmp(1, 1000000000),
        "icon-says-16x16-holds-16384x16384-png.ico": icon_with_png(16, one_colour_png(16384, (40, 120, 200))),
        "gif-16000x16000-screen-1-pixel-frame.gif": big_screen_gif(16000, 16000),
        "photo-then-2gb-sparse-tail-no-end-marker.jpg": Sparse(len(photo) - 2 + 2 * 1024**3, [(0, photo[:-2])]),
        "jpeg-65500x65500-frame-then-1.5gb-of-app1-segments.jpg": frame_then_app1_segments(65500, 65500, 24576),
        "icon-64x64-png-with-600mb-of-text-chunks.ico": icon_with_sparse_png(64, text_png, text_png_length),
        "xpm-1x1-of-3-million-colours-named.bmp": xpm_of_colours(3000000),
        "png-16000x16000-named.bmp": one_colour_png(16000, (120, 200, 40)),
        "png-20000x20000-of-zeros-named.gif": one_colour_png(20000, (0, 0, 0)),
        "webp-lossless-16383x16383-of-a-few-bytes-named.jpg": webp_lossless_saying(16383, 16383),
        "avif-saying-65535x65535-named.jpg": avif_saying(65535, 65535),
        "avif-saying-16000x16000-named.gif": avif_saying(16000, 16000),
        "gif-40-million-one-pixel-frames.gif": gif_of_tiny_frames(40000000),
        "text-named-as-picture.JPG": b"This is a text file, not a picture. Nothing more\n",
        "empty.jpg": b"",
        "truncated.jpg": photo[: len(photo) // 2],
        "random-bytes.jpg": random.Random(20240601).randbytes(4096),
    }


def ordinary_files():
    files = {"photo-%02d.jpg" % i: baseline_jpeg(320 + 80 * i, 240 + 60 * i, i + 2) for i in range(4)}
    width, height = 64, 48
    pixels = b"".join(bytes([(x * 4) & 0xFF, (y * 5) & 0xFF, 128]) * 1 for y in range(height) for x in range(width))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    files["drawing.bmp"] = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels
    return files


def main(argv):
    args = [a for a in argv[1:] if a != "--ordinary"]
    if len(args) != 1:
        sys.exit(__doc__.split("\n\n")[1])
    outdir = args[0]
    os.makedirs(outdir, exist_ok=True)
    files = costly_files()
    if "--ordinary" in argv:
        files.update(ordinary_files())
    for name, data in files.items():
        if data is None:
            continue
        with open(os.path.join(outdir, name), "wb") as out:
            if isinstance(data, bytes):
                out.write(data)
            else:
                data.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
