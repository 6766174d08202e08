#pragma once

// PNG files made with libpng for the tests: every colour type and depth, interlaced or not, stored
// without compression so that a file cut short holds rows in proportion, with the chunks that tag
// their colours put in by withPngChunks().

#include "tests/picture_files.h"

#include <QImage>
#include <QtEndian>
#include <png.h>
#include <vector>

namespace tl::test {

struct PngKind {
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    bool stored = false; // no compression, in IDAT chunks of 256 bytes
    std::vector<quint16> transparent = {}; // tRNS of grey or RGB pictures: the transparent sample(s)
};

// A libpng writer appending to `out`.
inline png_structp pngWritingTo(QByteArray& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), qsizetype(length));
        },
        nullptr);
    return png;
}

// `picture` (32-bit; for a palette, indexed with the palette's colours, their alpha put in tRNS)
// written as `kind` says. Grey takes the green; a 16-bit sample is the 8-bit one and below it noise.
inline QByteArray pngFile(const QImage& picture, const PngKind& kind)
{
    QByteArray out;
    png_structp png = pngWritingTo(out);
    png_infop info = png_create_info_struct(png);
    png_set_IHDR(png, info, png_uint_32(picture.width()), png_uint_32(picture.height()), kind.depth, kind.colourType,
        kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    if (kind.stored) {
        png_set_compression_level(png, 0);
        png_set_compression_buffer_size(png, 256);
    }
    std::vector<png_color> colours;
    std::vector<png_byte> alphas;
    for (const QRgb colour : picture.colorTable()) {
        colours.push_back({ png_byte(qRed(colour)), png_byte(qGreen(colour)), png_byte(qBlue(colour)) });
        alphas.push_back(png_byte(qAlpha(colour)));
    }
    png_color_16 transparent {};
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    } else if (!kind.transparent.empty()) {
        transparent.gray = transparent.red = kind.transparent[0];
        if (kind.transparent.size() == 3) {
            transparent.green = kind.transparent[1];
            transparent.blue = kind.transparent[2];
        }
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    if (kind.depth < 8)
        png_set_packing(png);
    const int channels = png_get_channels(png, info);
    const int bytes = kind.depth == 16 ? 2 : 1;
    std::vector<std::vector<png_byte>> rows(size_t(picture.height()));
    for (int y = 0; y < picture.height(); ++y) {
        std::vector<png_byte>& row = rows[size_t(y)];
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            int samples[4] = { qRed(pixel), qGreen(pixel), qBlue(pixel), qAlpha(pixel) };
            if (kind.colourType == PNG_COLOR_TYPE_PALETTE)
                samples[0] = picture.pixelIndex(x, y);
            else if (!(kind.colourType & PNG_COLOR_MASK_COLOR))
                samples[0] = qGreen(pixel) >> (8 - std::min(kind.depth, 8)), samples[1] = samples[3];
            for (int c = 0; c < channels; ++c) {
                row.push_back(png_byte(samples[c]));
                if (bytes == 2)
                    row.push_back(png_byte(x * 7 + c * 29));
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A grey 1-bit PNG of `width` x `height` black pixels, written a row at a time.
inline QByteArray pngOfZeros(int width, int height)
{
    QByteArray out;
    png_structp png = pngWritingTo(out);
    png_infop info = png_create_info_struct(png);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    const std::vector<png_byte> row(size_t(width + 7) / 8, 0);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A PNG whose header says `width` x `height` (RGBA, 8 bits), followed by a few bytes of pixels.
inline QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8;
    header[9] = PNG_COLOR_TYPE_RGB_ALPHA;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
        + pngChunk("IDAT", QByteArray::fromHex("78da636000000000010001")) + pngChunk("IEND", {});
}

} // namespace tl::test
