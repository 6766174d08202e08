"""Seeds of the formats web pages serve: PNG of every colour type (made here, byte by byte, with
make_seeds' chunk writer), WebP (cwebp, img2webp and webpmux from Debian's webp package) and AVIF
(avifenc from libavif-bin), each also cut short. Used by make_seeds.py."""
import os
import struct
import subprocess
import tempfile
import zlib


def png_file(width, height, depth, colour_type, raw_rows, chunks=b"", interlace=0, chunk=None):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    raw = b"".join(b"\0" + row for row in raw_rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunks + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def pngs(chunk, colour, profile):
    w, h = 9, 6
    rgb = [bytes(c for x in range(w) for c in colour(x, y)) for y in range(h)]
    yield "rgb.png.gif", png_file(w, h, 8, 2, rgb, chunk=chunk)
    yield "rgba16.png.jpg", png_file(w, h, 16, 6, [bytes(b for x in range(w) for c in colour(x, y) + (x * 28,)
                                                            for b in (c, c)) for y in range(h)], chunk=chunk)
    yield "grey1.png.bmp", png_file(w, h, 1, 0, [bytes([0b10110010, 0b10000000]) for _ in range(h)], chunk=chunk)
    yield "grey-alpha.png.jpg", png_file(w, h, 8, 4, [bytes(v for x in range(w) for v in (x * 28, y * 40))
                                                      for y in range(h)], chunk=chunk)
    palette = b"".join(bytes(colour(i, i)) for i in range(4))
    yield "palette-trns.png.gif", png_file(w, h, 2, 3, [bytes([0b00011011, 0b00011011, 0b00000000]) for _ in range(h)],
                                          chunk(b"PLTE", palette) + chunk(b"tRNS", b"\x00\x80"), chunk=chunk)
    yield "interlaced.png.jpg", png_file(w, h, 8, 2, rgb, interlace=1, chunk=chunk)
    yield "gamma-chrm.png.jpg", png_file(w, h, 8, 2, rgb, chunk(b"gAMA", struct.pack(">I", 100000)) + chunk(
        b"cHRM", struct.pack(">8I", 31270, 32900, 68000, 32000, 26500, 69000, 15000, 6000)), chunk=chunk)
    iccp = b"profile\0\0" + zlib.compress(profile)
    yield "iccp.png.gif", png_file(w, h, 8, 2, rgb, chunk(b"iCCP", iccp), chunk=chunk)
    yield "text-chunks.png.jpg", png_file(w, h, 8, 2, rgb, chunk(b"tEXt", b"Comment\0" + b"x" * 300)
                                         + chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"y" * 5000)), chunk=chunk)
    whole = png_file(w, h, 8, 2, rgb, chunk=chunk)
    yield "cut.png.jpg", whole[:len(whole) - 20]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def made(folder, name, args):
    path = os.path.join(folder, name)
    run(*[a.replace("OUT", path) for a in args])
    with open(path, "rb") as f:
        return f.read()


def webps_and_avifs(source_png, profile):
    """`source_png` a small photo-like PNG's bytes, to be encoded."""
    with tempfile.TemporaryDirectory() as folder:
        src = os.path.join(folder, "src.png")
        with open(src, "wb") as f:
            f.write(source_png)
        icc = os.path.join(folder, "profile.icc")
        with open(icc, "wb") as f:
            f.write(profile)
        lossy = made(folder, "lossy.webp", ["cwebp", "-quiet", "-q", "70", src, "-o", "OUT"])
        yield "lossy.webp.jpg", lossy
        yield "lossless.webp.gif", made(folder, "lossless.webp", ["cwebp", "-quiet", "-lossless", src, "-o", "OUT"])
        yield "alpha.webp.jpg", made(folder, "alpha.webp", ["cwebp", "-quiet", "-q", "70", "-alpha_q", "50",
                                                            src, "-o", "OUT"])
        yield "iccp.webp.jpg", made(folder, "iccp.webp", ["webpmux", "-set", "icc", icc,
                                                          os.path.join(folder, "lossy.webp"), "-o", "OUT"])
        yield "animated.webp.gif", made(folder, "animated.webp", ["img2webp", "-loop", "2", "-d", "30", "-lossy", src,
                                                                  "-d", "50", "-lossless", src, "-o", "OUT"])
        yield "cut.webp.jpg", lossy[:len(lossy) * 2 // 3]
        avif = made(folder, "yuv420.avif", ["avifenc", "-s", "10", "-y", "420", src, "OUT"])
        yield "yuv420.avif.jpg", avif
        yield "ten-bit.avif.gif", made(folder, "ten.avif", ["avifenc", "-s", "10", "-d", "10", "-y", "444", src, "OUT"])
        yield "turned.avif.jpg", made(folder, "turned.avif", ["avifenc", "-s", "10", "--irot", "1", "--imir", "0",
                                                              src, "OUT"])
        yield "p3.avif.jpg", made(folder, "p3.avif", ["avifenc", "-s", "10", "--cicp", "12/13/6", src, "OUT"])
        yield "icc.avif.bmp", made(folder, "icc.avif", ["avifenc", "-s", "10", "--icc", icc, src, "OUT"])
        yield "cut.avif.jpg", avif[:len(avif) * 2 // 3]
