#include "pictures/bmpheader.h"

#include <QIODevice>
#include <QtEndian>
#include <QtNumeric>
#include <algorithm>
#include <limits>

namespace tl {

namespace {

    constexpr int FileHeader = 14;
    constexpr int CoreHeader = 12; // the old OS/2 header: 16-bit sizes, 3-byte colours
    constexpr int InfoHeader = 40;
    constexpr int V4Header = 108;
    constexpr int V5Header = 124;
    constexpr quint32 ProfileEmbedded = 0x4d424544; // 'MBED'
    enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2 };

    quint32 u32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
    quint16 u16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

    struct Header {
        qint64 width = 0, height = 0;
        int bitCount = 0;
        quint32 compression = Rgb;
        qint64 colours = 0; // colour-table entries
        int colourBytes = 4; // bytes per colour-table entry
        bool topDown = false; // a negative height: the rows run from the top down
    };

    // The header at `at` in `head`: after the file header in a BMP, at the entry's start in an icon.
    bool readHeader(const QByteArray& head, int at, quint32 headerSize, Header& h)
    {
        if (headerSize == CoreHeader && head.size() >= at + CoreHeader) {
            h.width = u16(head, at + 4);
            h.height = u16(head, at + 6);
            h.bitCount = u16(head, at + 10);
            h.colourBytes = 3;
        } else if (headerSize >= InfoHeader && head.size() >= at + InfoHeader) {
            h.width = static_cast<qint32>(u32(head, at + 4));
            const qint64 height = static_cast<qint32>(u32(head, at + 8));
            h.height = std::abs(height);
            h.topDown = height < 0;
            h.bitCount = u16(head, at + 14);
            h.compression = u32(head, at + 16);
            h.colours = u32(head, at + 32);
        } else {
            return false;
        }
        if (h.bitCount <= 8 && h.colours == 0)
            h.colours = qint64(1) << h.bitCount;
        if (h.bitCount > 8)
            h.colours = 0;
        return true;
    }

    // How many of the rows the headers declare a file of `fileSize` bytes holds, when they start at
    // `pixelStart`; `maskRowBytes` follow the picture's rows for each row (an icon's mask).
    BmpCheck rowsHeldIn(const Header& h, qint64 pixelStart, qint64 maskRowBytes, qint64 fileSize)
    {
        const qint64 rowBytes = (h.width * h.bitCount + 31) / 32 * 4;
        // Rows that together pass what 64 bits can count are more than any file holds.
        qint64 pixelBytes = 0;
        qint64 end = 0;
        if (qMulOverflow(rowBytes + maskRowBytes, h.height, &pixelBytes) || qAddOverflow(pixelStart, pixelBytes, &end))
            return { BmpCheck::Short, {} };
        if (fileSize >= end)
            return { BmpCheck::Complete, {} };
        const qint64 rowsHeld
            = rowBytes > 0 && fileSize > pixelStart ? std::min(h.height, (fileSize - pixelStart) / rowBytes) : 0;
        if (rowsHeld == 0)
            return { BmpCheck::Short, {} };
        return { BmpCheck::Cut, QSize(int(h.width), int(h.height)), end, int(rowsHeld), h.topDown };
    }

} // namespace

BmpCheck checkBmp(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M')
        return {};
    if (head.size() < FileHeader + 4)
        return { BmpCheck::Short, {} };
    const quint32 headerSize = u32(head, FileHeader);
    Header h;
    if (!readHeader(head, FileHeader, headerSize, h) || h.width <= 0 || h.height > std::numeric_limits<qint32>::max())
        return { BmpCheck::Short, {} };
    if (h.compression == Rle8 || h.compression == Rle4)
        return { BmpCheck::RunLength, QSize(int(h.width), int(h.height)) };

    // The rows start after the colour table, or further on where the file header says so; a
    // negative offset is ignored, as the decoder does.
    const qint64 declaredStart = std::max<qint64>(0, static_cast<qint32>(u32(head, 10)));
    const qint64 colourStart = FileHeader + (headerSize >= V4Header ? InfoHeader : headerSize);
    const qint64 pixelStart = std::max(declaredStart, colourStart + h.colours * h.colourBytes);
    return rowsHeldIn(h, pixelStart, 0, fileSize);
}

BmpCheck checkIconBitmap(QIODevice& device, qint64 fileSize)
{
    constexpr int EntryOffset = 6 + 12;
    QByteArray directory(EntryOffset + 4, Qt::Uninitialized);
    QByteArray info(InfoHeader, Qt::Uninitialized);
    const bool read = device.seek(0) && device.read(directory.data(), directory.size()) == directory.size()
        && device.seek(u32(directory, EntryOffset)) && device.read(info.data(), info.size()) == info.size();
    Header h;
    if (!device.seek(0) || !read || u32(info, 0) != InfoHeader || !readHeader(info, 0, InfoHeader, h)
        || h.compression != Rgb || h.topDown || h.width <= 0 || h.bitCount == 0 || h.bitCount > 32)
        return {};
    h.height /= 2; // the picture's rows, then as many of its mask
    if (h.height == 0)
        return {};
    const qint64 pixelStart = u32(directory, EntryOffset) + InfoHeader + 4 * h.colours;
    return rowsHeldIn(h, pixelStart, (h.width + 31) / 32 * 4, fileSize);
}

namespace {

    // A device read forward a chunk at a time.
    class Forward {
    public:
        Forward(QIODevice& device, const std::atomic<bool>* cancelled)
            : device_(device)
            , cancelled_(cancelled)
        {
        }
        // The next byte; -1 at the end.
        int next() { return filled() ? uchar(chunk_[at_++]) : -1; }
        // Whether `bytes` more were there to pass.
        bool skip(qint64 bytes)
        {
            while (bytes > 0 && filled()) {
                const qint64 passed = std::min<qint64>(bytes, chunk_.size() - at_);
                at_ += passed;
                bytes -= passed;
            }
            return bytes == 0;
        }

    private:
        bool filled()
        {
            if (at_ < chunk_.size())
                return true;
            chunk_ = cancelled_ && cancelled_->load() ? QByteArray() : device_.read(Chunk);
            at_ = 0;
            return !chunk_.isEmpty();
        }
        static constexpr qint64 Chunk = 64 * 1024;
        QIODevice& device_;
        const std::atomic<bool>* cancelled_;
        QByteArray chunk_;
        qsizetype at_ = 0;
    };

} // namespace

bool runsEndEarly(QIODevice& device, const QByteArray& head, const std::atomic<bool>* cancelled)
{
    if (head.size() < FileHeader + InfoHeader || u32(head, FileHeader) < InfoHeader)
        return false;
    const quint32 compression = u32(head, 30);
    const qint64 start = u32(head, 10);
    if (compression != Rle8 && compression != Rle4)
        return false;
    if (start >= device.size() || !device.seek(start))
        return true;
    Forward codes(device, cancelled);
    for (;;) {
        const int count = codes.next();
        const int code = codes.next();
        if (code < 0)
            return true;
        if (count != 0 || code == 0) // a run, or the end of a line
            continue;
        if (code == 1) // the end of the picture
            return false;
        // A move by two bytes' worth, or that many pixels as they are, padded to a whole word.
        const qint64 pixelBytes = compression == Rle8 ? code : (code + 1) / 2;
        if (!codes.skip(code == 2 ? 2 : (pixelBytes + 1) / 2 * 2))
            return true;
    }
}

BmpProfile embeddedProfile(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < FileHeader + V5Header || head[0] != 'B' || head[1] != 'M' || u32(head, FileHeader) < V5Header
        || u32(head, FileHeader + 56) != ProfileEmbedded)
        return {};
    // Counted from the header's start.
    const qint64 at = FileHeader + qint64(u32(head, FileHeader + 112));
    const qint64 bytes = u32(head, FileHeader + 116);
    return bytes > 0 && at + bytes <= fileSize ? BmpProfile { at, bytes } : BmpProfile {};
}

} // namespace tl
