#pragma once

// Picture files made byte by byte for the loading tests: formats and variants Qt does not write
// (BMP of 16 and 32 bits, run-length BMP, GIF, CMYK and EXIF-turned JPEG) and hostile files.

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace tl::test {

// The largest difference of any channel, alpha too, between two pictures; 256 when their sizes differ.
inline int largestChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({ largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q)) });
        }
    return largest;
}

inline void putLe(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// A BMP with a 40-byte info header. `pixels` holds the rows bottom up, each padded to 4 bytes
// (or the run-length codes); a file may hold fewer rows than it declares.
inline QByteArray bmpFile(
    int width, int height, int bits, const QList<QRgb>& palette, const QByteArray& pixels, int compression = 0)
{
    QByteArray info;
    putLe(info, 40, 4);
    putLe(info, quint32(width), 4);
    putLe(info, quint32(height), 4);
    putLe(info, 1, 2);
    putLe(info, quint32(bits), 2);
    putLe(info, quint32(compression), 4);
    putLe(info, quint32(pixels.size()), 4);
    putLe(info, 2835, 4);
    putLe(info, 2835, 4);
    putLe(info, quint32(palette.size()), 4);
    putLe(info, 0, 4);
    for (QRgb colour : palette)
        putLe(info, colour & 0xffffff, 4); // blue, green, red, 0
    QByteArray file("BM");
    putLe(file, quint32(14 + info.size() + pixels.size()), 4);
    putLe(file, 0, 4);
    putLe(file, quint32(14 + info.size()), 4);
    return file + info + pixels;
}

// Rows of a picture packed at `bits` per pixel, bottom up, each padded to 4 bytes; `value(x, y)`
// gives a palette index or, for 16 bits and more, the pixel's little-endian value.
template <class Value> QByteArray bmpRows(int width, int height, int bits, Value value)
{
    QByteArray rows;
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row;
        quint32 acc = 0;
        int filled = 0;
        for (int x = 0; x < width; ++x) {
            if (bits >= 8) {
                putLe(row, quint32(value(x, y)), bits / 8);
                continue;
            }
            acc = (acc << bits) | quint32(value(x, y));
            filled += bits;
            if (filled == 8) {
                row.append(char(acc));
                acc = 0;
                filled = 0;
            }
        }
        if (filled)
            row.append(char(acc << (8 - filled)));
        while (row.size() % 4)
            row.append('\0');
        rows += row;
    }
    return rows;
}

// A GIF with a 256-colour table, its LZW stream written as literals only (a clear code every
// 250 pixels keeps the codes 9 bits wide).
inline QByteArray gifFile(int width, int height, const QList<QRgb>& palette, const QByteArray& indices)
{
    QByteArray file("GIF89a");
    putLe(file, quint32(width), 2);
    putLe(file, quint32(height), 2);
    file.append(char(0xf7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        file.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    file.append(char(0x2c));
    putLe(file, 0, 4);
    putLe(file, quint32(width), 2);
    putLe(file, quint32(height), 2);
    file.append('\0').append(char(8));
    QByteArray codes;
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](quint32 code) {
        acc |= code << bits;
        for (bits += 9; bits >= 8; bits -= 8, acc >>= 8)
            codes.append(char(acc & 0xff));
    };
    for (int i = 0; i < indices.size(); ++i) {
        if (i % 250 == 0)
            put(256);
        put(quint8(indices[i]));
    }
    put(257);
    if (bits)
        codes.append(char(acc & 0xff));
    for (int at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        file.append(char(block.size())).append(block);
    }
    return file.append('\0').append(char(0x3b));
}

// A GIF whose header and frame declare `width` x `height` and that holds no pixel at all.
inline QByteArray headerOnlyGif(int width, int height)
{
    QByteArray file("GIF89a");
    putLe(file, quint32(width), 2);
    putLe(file, quint32(height), 2);
    file.append(char(0x80)).append('\0').append('\0');
    file.append(QByteArray::fromHex("000000ffffff"));
    file.append(char(0x2c));
    putLe(file, 0, 4);
    putLe(file, quint32(width), 2);
    putLe(file, quint32(height), 2);
    file.append('\0').append(char(2)).append('\0').append(char(0x3b));
    return file;
}

inline QByteArray jpegBytes(const QImage& image, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return buffer.data();
}

// A JPEG segment: its marker, its length, its payload.
inline QByteArray jpegSegment(int marker, const QByteArray& payload)
{
    return QByteArray::fromHex("ff") + char(marker) + char((payload.size() + 2) >> 8) + char(payload.size() + 2)
        + payload;
}

// A file made up as it is read, counting what is read: `head`, then `segments` JPEG segments of
// `marker`, each as long as a segment can be and zero inside, then `tail`, then zeros up to `size`.
class MadeUpFile : public QIODevice {
public:
    static constexpr qint64 SegmentBytes = 2 + 0xffff;
    MadeUpFile(const QByteArray& head, qint64 segments, int marker, const QByteArray& tail, qint64 size = 0)
        : head_(head)
        , tail_(tail)
        , segments_(segments)
        , marker_(char(marker))
        , size_(std::max(size, head.size() + segments * SegmentBytes + tail.size()))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return size_; }
    qint64 taken = 0;

protected:
    qint64 readData(char* data, qint64 most) override
    {
        const qint64 count = std::min(most, size_ - pos());
        for (qint64 i = 0; i < count; ++i)
            data[i] = at(pos() + i);
        taken += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    char at(qint64 offset) const
    {
        if (offset < head_.size())
            return head_[offset];
        offset -= head_.size();
        if (offset < segments_ * SegmentBytes) {
            const qint64 within = offset % SegmentBytes;
            return within == 1 ? marker_ : within <= 3 ? '\xff' : '\0';
        }
        offset -= segments_ * SegmentBytes;
        return offset < tail_.size() ? tail_[offset] : '\0';
    }

    QByteArray head_, tail_;
    qint64 segments_;
    char marker_;
    qint64 size_;
};

// A JPEG with an EXIF orientation (6: the stored picture is turned a quarter clockwise to show).
inline QByteArray withExifOrientation(QByteArray jpeg, int orientation)
{
    QByteArray exif = QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif.append('\0').append(char(orientation)).append('\0').append('\0');
    putLe(exif, 0, 4);
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xff)).append(exif);
    return jpeg.insert(2, segment);
}

enum class ExifFault { None, ThumbnailPastTheBlock, Ifd0NamesItselfNext };

// A camera's EXIF block inserted after the SOI of `jpeg`: IFD0 with the orientation and the Exif IFD
// with the pixel size, then IFD1 naming `thumbnail`, which follows. Each IFD takes 30 bytes.
inline QByteArray withCameraExif(
    QByteArray jpeg, const QByteArray& thumbnail, int orientation, QSize pixelSize, ExifFault fault = ExifFault::None)
{
    QByteArray exif = QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08", 14);
    const auto put = [&exif](quint32 value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            exif.append(char(value >> (8 * i)));
    };
    const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        put(tag, 2), put(type, 2), put(1, 4), put(value << (type == 3 ? 16 : 0), 4);
    };
    put(2, 2), entry(0x0112, 3, quint32(orientation)), entry(0x8769, 4, 38);
    put(fault == ExifFault::Ifd0NamesItselfNext ? 8 : 68, 4);
    put(2, 2), entry(0xa002, 4, quint32(pixelSize.width())), entry(0xa003, 4, quint32(pixelSize.height())), put(0, 4);
    put(2, 2), entry(0x0201, 4, fault == ExifFault::ThumbnailPastTheBlock ? 200 : 98);
    entry(0x0202, 4, quint32(thumbnail.size())), put(0, 4);
    exif += thumbnail;
    return jpeg.insert(2, QByteArray::fromHex("ffe1") + char((exif.size() + 2) >> 8) + char(exif.size() + 2) + exif);
}

// A JPEG whose frame header declares `width` x `height`: a small file's scan, cut short.
inline QByteArray jpegDeclaring(int width, int height)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray jpeg = jpegBytes(small);
    const int frame = jpeg.indexOf(QByteArray::fromHex("ffc0"));
    qToBigEndian<quint16>(quint16(height), jpeg.data() + frame + 5);
    qToBigEndian<quint16>(quint16(width), jpeg.data() + frame + 7);
    return jpeg;
}

struct JpegKind {
    J_COLOR_SPACE space = JCS_YCbCr;
    int lumaSampling = 2;
    bool progressive = false, arithmetic = false, adobe = true;
    int restartRows = 0;
    std::vector<jpeg_scan_info> scans = {}; // a progressive file's own scan script
};

// `picture` written by libjpeg as `kind` says; grey takes the green, CMYK the colours with a K ramp.
inline QByteArray libjpegFile(const QImage& picture, JpegKind kind)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    const bool four = kind.space == JCS_CMYK || kind.space == JCS_YCCK;
    info.input_components = kind.space == JCS_GRAYSCALE ? 1 : four ? 4 : 3;
    info.in_color_space = kind.space == JCS_GRAYSCALE ? JCS_GRAYSCALE : four ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, kind.space);
    jpeg_set_quality(&info, 90, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = kind.lumaSampling;
    info.arith_code = kind.arithmetic;
    info.restart_in_rows = kind.restartRows;
    info.write_Adobe_marker = kind.adobe;
    if (kind.progressive)
        jpeg_simple_progression(&info);
    if (!kind.scans.empty()) {
        info.scan_info = kind.scans.data();
        info.num_scans = int(kind.scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(picture.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(int(info.next_scanline)));
        JSAMPLE* at = row.data();
        for (int x = 0; x < picture.width(); ++x) {
            if (info.input_components == 1)
                *at++ = JSAMPLE(qGreen(in[x]));
            else
                at = std::copy_n(std::array { qRed(in[x]), qGreen(in[x]), qBlue(in[x]), 150 + x % 100 }.begin(),
                    info.input_components, at);
        }
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    jpeg_destroy_compress(&info);
    free(out);
    return bytes;
}

// A four-channel (CMYK, Adobe) JPEG written with libjpeg, since Qt writes none.
inline QByteArray cmykJpeg(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(255 - x * 255 / width, 255 - y * 255 / height, 200));
    return libjpegFile(picture, { .space = JCS_CMYK, .lumaSampling = 1 });
}

inline QByteArray pngBytes(const QImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return buffer.data();
}

// A PNG chunk with its CRC.
inline QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    quint32 crc = 0xffffffff;
    for (const char c : body)
        for (int bit = 0, byte = uchar(c); bit < 8; ++bit, byte >>= 1)
            crc = (crc >> 1) ^ (0xedb88320 & (0 - ((crc ^ byte) & 1)));
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    chunk += body + QByteArray(4, '\0');
    qToBigEndian(~crc, chunk.data() + chunk.size() - 4);
    return chunk;
}

// `png` with `chunks` after its header chunk.
inline QByteArray withPngChunks(QByteArray png, const QByteArray& chunks) { return png.insert(8 + 25, chunks); }

// A 1 x 1 XPM of `colours` colours.
inline QByteArray xpmFile(int colours)
{
    QByteArray file = "/* XPM */\nstatic char *picture[] = {\n\"1 1 " + QByteArray::number(colours) + " 4\",\n";
    for (int i = 0; i < colours; ++i)
        file += "\"" + QByteArray::number(1000 + i) + " c #" + QByteArray::number(0x100000 + i * 37, 16) + "\",\n";
    return file + "\"1000\"};\n";
}

// An LZW stream of 8-bit indices as a GIF holds it, before it is cut into blocks: the codes grow from
// 9 to 12 bits, and a clear code starts afresh when the table is full.
inline QByteArray gifLzw(const QByteArray& indices)
{
    constexpr int Clear = 256, End = 257, Full = 4096;
    std::vector<std::array<qint16, 256>> table(Full);
    const auto reset = [&] {
        for (auto& row : table)
            row.fill(-1);
    };
    QByteArray out;
    quint32 acc = 0;
    int bits = 0, width = 9, next = End + 1;
    const auto put = [&](int code) {
        acc |= quint32(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            out.append(char(acc & 0xff));
    };
    // After each code the decoder adds an entry, one behind the encoder, and widens its codes at a power of 2.
    const auto putData = [&](int code) {
        put(code);
        if (next >= (1 << width) && width < 12)
            ++width;
    };
    reset();
    put(Clear);
    int prefix = -1;
    for (const char c : indices) {
        const uchar index = uchar(c);
        if (prefix < 0) {
            prefix = index;
            continue;
        }
        if (table[prefix][index] >= 0) {
            prefix = table[prefix][index];
            continue;
        }
        putData(prefix);
        if (next < Full) {
            table[prefix][index] = qint16(next++);
        } else {
            put(Clear);
            reset();
            width = 9;
            next = End + 1;
        }
        prefix = index;
    }
    if (prefix >= 0)
        putData(prefix);
    put(End);
    if (bits)
        out.append(char(acc & 0xff));
    return out;
}

// One frame of an animated GIF: its indices fill `area` of the screen row by row.
struct GifFrameSpec {
    QRect area;
    QByteArray indices;
    int delay = 0; // hundredths of a second
    int disposal = 0; // 1 leaves the frame, 2 clears its area to the background, 3 restores what was under it
    int transparent = -1; // the index that shows what is under the frame, if any
};

// An animated GIF with a 256-colour table; a loop extension when `loops` is 0 or more.
inline QByteArray animatedGif(
    QSize screen, const QList<QRgb>& palette, const QList<GifFrameSpec>& frames, int loops = -1)
{
    QByteArray file("GIF89a");
    putLe(file, quint32(screen.width()), 2);
    putLe(file, quint32(screen.height()), 2);
    file.append(char(0xf7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        file.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    if (loops >= 0) {
        file.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        putLe(file, quint32(loops), 2);
        file.append('\0');
    }
    for (const GifFrameSpec& frame : frames) {
        file.append("\x21\xf9\x04", 3).append(char((frame.disposal << 2) | (frame.transparent >= 0 ? 1 : 0)));
        putLe(file, quint32(frame.delay), 2);
        file.append(char(std::max(frame.transparent, 0))).append('\0');
        file.append(char(0x2c));
        putLe(file, quint32(frame.area.x()), 2);
        putLe(file, quint32(frame.area.y()), 2);
        putLe(file, quint32(frame.area.width()), 2);
        putLe(file, quint32(frame.area.height()), 2);
        file.append('\0').append(char(8));
        const QByteArray codes = gifLzw(frame.indices);
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            file.append(char(block.size())).append(block);
        }
        file.append('\0');
    }
    return file.append(char(0x3b));
}

// A GIF of `frames` one-pixel frames on a one-pixel screen.
inline QByteArray gifOfTinyFrames(int frames)
{
    const QByteArray frame = QByteArray::fromHex("2c00000000010001000002024401") + '\0';
    return QByteArray::fromHex("47494638396101000100800000000000ffffff") + frame.repeated(frames) + ';';
}

} // namespace tl::test
