#include "pictures/decodecost.h"

#include "pictures/bmpheader.h"

#include <QtEndian>
#include <algorithm>

namespace tl {

namespace {

    constexpr int Rgba = 4;
    constexpr int Rgba64 = 8;

    quint32 le32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }
    quint16 le16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
    quint32 be32(const QByteArray& b, qsizetype at) { return qFromBigEndian<quint32>(b.constData() + at); }

    // A side longer than this is far past any budget already; keeping to it keeps the sums in range.
    constexpr qint64 LongestSide = qint64(1) << 29;

    qint64 area(qint64 width, qint64 height)
    {
        return std::clamp<qint64>(width, 0, LongestSide) * std::clamp<qint64>(height, 0, LongestSide);
    }

    bool isPng(const QByteArray& bytes, qsizetype at)
    {
        return bytes.size() >= at + 26 && QByteArrayView(bytes).sliced(at, 8) == QByteArrayView("\x89PNG\r\n\x1a\n", 8);
    }

    // A PNG's own size from its header: a 16-bit PNG decodes to eight bytes a pixel.
    qint64 pngCost(const QByteArray& bytes, qsizetype at)
    {
        const int pixel = bytes.at(at + 24) == 16 ? Rgba64 : Rgba;
        return area(be32(bytes, at + 16), be32(bytes, at + 20)) * pixel;
    }

    // The decoder reads the icon's first entry, whatever size the directory gives it: the entry's
    // own header, a PNG's or a device-independent bitmap's, says what it allocates.
    qint64 iconCost(const QByteArray& head)
    {
        const qint64 at = le32(head, 18);
        // A PNG entry is decoded, then turned into the icon's own format.
        if (isPng(head, at))
            return 2 * pngCost(head, at);
        if (at + 26 > head.size())
            return -1;
        // The bitmap's height counts its mask's rows too.
        const qint64 width = static_cast<qint32>(le32(head, at + 4));
        const qint64 height = static_cast<qint32>(le32(head, at + 8)) / 2;
        return area(width, height) * Rgba;
    }

    bool isIcon(const QByteArray& head)
    {
        return head.size() >= 22 && le16(head, 0) == 0 && (le16(head, 2) == 1 || le16(head, 2) == 2)
            && le16(head, 4) > 0;
    }

    // The decoder draws the first frame on a picture of the whole logical screen, or of the frame's
    // extent where the frame reaches further. The frame's descriptor is found by walking the extension
    // blocks before it; -1 when it lies past `head`, 0 when there is none (the decoder draws nothing).
    qint64 gifCost(const QByteArray& head, qint64 fileSize)
    {
        const qint64 past = head.size() < fileSize ? -1 : 0;
        if (head.size() < 13)
            return past;
        qsizetype at = 13;
        if (head[10] & 0x80) // the global colour table
            at += 3 * (2 << (head[10] & 7));
        while (at < head.size()) {
            if (head[at] == ',') {
                if (at + 9 > head.size())
                    return past;
                const qint64 right = le16(head, at + 1) + le16(head, at + 5);
                const qint64 bottom = le16(head, at + 3) + le16(head, at + 7);
                return area(std::max<qint64>(le16(head, 6), right), std::max<qint64>(le16(head, 8), bottom)) * Rgba;
            }
            if (head[at] != '!')
                return 0;
            // An extension: its label, then blocks of data, each led by its length, until an empty one.
            for (at += 2; at < head.size() && head[at] != 0; at += 1 + uchar(head[at])) { }
            ++at;
        }
        return past;
    }

} // namespace

qint64 imageBytes(QSize size, int bytesPerPixel)
{
    const qint64 row = (qint64(std::max(size.width(), 0)) * bytesPerPixel + 3) / 4 * 4;
    return row * std::max(size.height(), 0);
}

qint64 declaredCost(const QByteArray& head, qint64 fileSize, QSize reported)
{
    const qint64 byReader = reported.isValid() ? imageBytes(reported, Rgba) : -1;
    if (head.startsWith("GIF8"))
        return gifCost(head, fileSize);
    // A run-length picture is decoded into a zeroed picture of a byte a pixel.
    if (const BmpCheck bmp = checkBmp(head, fileSize); bmp.kind == BmpCheck::RunLength)
        return imageBytes(bmp.size, 1);
    // An entry past the head may hold anything: the decode is taken as costing whatever there is.
    if (isIcon(head)) {
        const qint64 entry = iconCost(head);
        return entry < 0 ? -1 : std::max(entry, byReader);
    }
    return byReader;
}

} // namespace tl
