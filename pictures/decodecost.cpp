#include "pictures/decodecost.h"

#include "pictures/bmpheader.h"

#include <QtEndian>
#include <algorithm>

namespace tl {

namespace {

    constexpr int Rgba = 4;
    constexpr int Rgba64 = 8;

    quint32 le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
    quint16 le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
    quint32 be32(const QByteArray& b, int at) { return qFromBigEndian<quint32>(b.constData() + at); }

    qint64 area(qint64 width, qint64 height) { return std::max<qint64>(width, 0) * std::max<qint64>(height, 0); }

    // The bytes at `offset`, the device left where it was, for the reader to go on from there.
    QByteArray readAt(QIODevice& device, qint64 offset, int bytes)
    {
        const qint64 was = device.pos();
        QByteArray data;
        if (device.seek(offset))
            data = device.read(bytes);
        device.seek(was);
        return data;
    }

    // A PNG's own size from its header: a 16-bit PNG decodes to eight bytes a pixel.
    qint64 pngCost(const QByteArray& png)
    {
        static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
        if (png.size() < 26 || !png.startsWith(signature))
            return -1;
        const int bytes = png.at(24) == 16 ? Rgba64 : Rgba;
        return area(be32(png, 16), be32(png, 20)) * bytes;
    }

    // The decoder reads the icon's first entry, whatever size the directory gives it: the entry's
    // own header, a PNG's or a device-independent bitmap's, says what it allocates.
    qint64 iconCost(QIODevice& device)
    {
        const QByteArray directory = readAt(device, 0, 6 + 16);
        if (directory.size() < 22 || le16(directory, 4) == 0)
            return -1;
        const QByteArray entry = readAt(device, le32(directory, 18), 40);
        // A PNG entry is decoded, then turned into the icon's own format.
        if (const qint64 png = pngCost(entry); png >= 0)
            return 2 * png;
        if (entry.size() < 16)
            return -1;
        // The bitmap's height counts its mask's rows too.
        const qint64 width = static_cast<qint32>(le32(entry, 4));
        const qint64 height = static_cast<qint32>(le32(entry, 8)) / 2;
        return area(width, height) * Rgba;
    }

    // The decoder draws every frame on a picture of the whole logical screen.
    qint64 gifCost(QIODevice& device, QSize reported)
    {
        const QByteArray header = readAt(device, 0, 10);
        if (header.size() < 10)
            return -1;
        const qint64 screen = area(le16(header, 6), le16(header, 8));
        return std::max(screen, area(reported.width(), reported.height())) * Rgba;
    }

} // namespace

qint64 imageBytes(QSize size, int bytesPerPixel)
{
    const qint64 row = (qint64(std::max(size.width(), 0)) * bytesPerPixel + 3) / 4 * 4;
    return row * std::max(size.height(), 0);
}

qint64 fullDecodeCost(QIODevice& device, QImageReader& reader)
{
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format == "ico" || format == "cur")
        return std::max(iconCost(device), size.isValid() ? imageBytes(size, Rgba) : -1);
    if (format == "gif")
        return gifCost(device, size);
    if (format == "bmp") {
        // A run-length picture is decoded into a zeroed picture of a byte a pixel.
        const BmpCheck bmp = checkBmp(readAt(device, 0, BmpHeaderBytes), device.size());
        if (bmp.kind == BmpCheck::RunLength)
            return imageBytes(bmp.size, 1);
    }
    if (format == "png")
        return pngCost(readAt(device, 0, 26));
    return size.isValid() ? imageBytes(size, Rgba) : -1;
}

} // namespace tl
