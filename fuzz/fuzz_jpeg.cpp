// Arbitrary bytes through the JPEG decoder as the picture loaders use it: the headers, a cell's decode
// (from the camera's thumbnail too, when there is one) and a full decode under a memory limit, each put
// in sRGB by the file's colour profile, a cell of a progressive file from its first scans at 1/8 and at
// 3/8 (the head read up to them, and decoded in buffered-image mode), parts decoded first as the picture
// window asks for its first screen, and the EXIF reader on the bytes as an APP1 payload.

#include "pictures/decoding.h"
#include "pictures/exif.h"
#include "pictures/jpeg.h"
#include "pictures/jpegregion.h"
#include "pictures/progressive.h"

#include <QBuffer>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace tl;

namespace {

constexpr qint64 MemoryLimit = qint64(256) << 20;

void decode(const QByteArray& bytes, QSize cell, bool firstScans = false)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder decoder(buffer, bytes.size());
    if (firstScans)
        decoder.useFirstScans();
    // The camera's thumbnail, as a cell is made from it.
    if (!cell.isEmpty() && decoder.ok())
        decodeExifThumbnail(decoder, cell);
    const qint64 cost = decoder.prepare(cell);
    if (!decoder.ok() || cost > MemoryLimit)
        return;
    const QImage image = decoder.decode(MemoryLimit);
    if (!image.isNull() && image.size() != decoder.outputSize())
        std::abort(); // the promised size is what callers allocate around
    if (decoder.colourConversion().applied(image).size() != image.size())
        std::abort();
}

// A cell of a progressive file, as the cell loader makes it: the head read up to the scans that serve
// it, then those decoded; and the whole file decoded from its first scans. `eighths` picks the scale.
void decodeFirstScans(const QByteArray& bytes, int eighths)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder head(buffer, bytes.size());
    if (!head.progressive())
        return;
    const QSize natural = head.naturalSize();
    const QSize cell(std::max(1, natural.width() * eighths / 8), std::max(1, natural.height() * eighths / 8));
    if (head.prepare(cell) == 0)
        return;
    const std::vector<int> sizes = head.blockSizes();
    buffer.seek(0);
    const QByteArray scans = readFirstScans(buffer, bytes.size(), sizes, bytes.size());
    if (!scans.isNull())
        decode(scans, cell, true);
    decode(bytes, cell, true);
}

// Parts at the corner, across the middle and reaching out of the picture; a part decoded is the size of
// the rectangle cut to the picture.
void decodeRegions(const QByteArray& bytes)
{
    for (const QRect region : { QRect(0, 0, 64, 48), QRect(13, 7, 300, 21), QRect(-5, 30, 20000, 9) }) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const RegionDecoded decoded = decodeJpegRegion(buffer, bytes.size(), region);
        if (decoded.outcome == RegionDecoded::Done && decoded.image.size() != decoded.region.size())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // libjpeg's warnings are dropped by the decoder; Qt's own would drown the fuzzer's lines.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    decode(bytes, QSize(96, 72));
    decode(bytes, QSize());
    decodeFirstScans(bytes, 1);
    decodeFirstScans(bytes, 3);
    decodeRegions(bytes);
    readExif(bytes);
    readExif(QByteArray("Exif\0\0", 6) + bytes);
    return 0;
}
