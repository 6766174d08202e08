#include "pictures/iconentry.h"

#include "pictures/colour.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace tl {

namespace {

    constexpr qint64 DirectoryBytes = 6 + 16;
    constexpr char PngSignature[] = "\x89PNG\r\n\x1a\n";
    constexpr qint64 SignatureBytes = 8;
    constexpr qint64 ChunkFrame = 12; // length, type, CRC
    constexpr qint64 HeaderChunkBytes = ChunkFrame + 13;
    // Palette and transparency never need more than 768 and 256 bytes.
    constexpr qint64 LargestSmallChunk = 1024;
    // A PNG of more chunks than this is not one a program wrote for an icon.
    constexpr int MostChunks = 4096;

    IconEntry refused(const QString& why) { return { IconEntry::Refused, why, {}, 0, {}, 0, 0 }; }

    bool readAt(QIODevice& device, qint64 at, char* out, qint64 count)
    {
        return device.seek(at) && device.read(out, count) == count;
    }

    // The most image data a PNG of this header can need: every row unfiltered and stored without
    // compression, twice over for the interlaced passes and the stream's own framing.
    qint64 mostImageData(const uchar* header)
    {
        const qint64 width = qFromBigEndian<quint32>(header), height = qFromBigEndian<quint32>(header + 4);
        const int depth = header[8], colourType = header[9];
        const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        // Past these sides the decode is refused for its size anyway; they keep the sum in range.
        const qint64 row = 1 + (std::min<qint64>(width, 1 << 24) * channels * depth + 7) / 8;
        return 2 * row * std::min<qint64>(height, 1 << 24) + 65536;
    }

} // namespace

IconEntry readIconEntry(QIODevice& device, qint64 fileSize, const std::atomic<bool>* cancelled)
{
    char directory[DirectoryBytes];
    char signature[SignatureBytes];
    if (!readAt(device, 0, directory, DirectoryBytes))
        return refused(QStringLiteral("the icon's directory is cut short"));
    const qint64 start = qFromLittleEndian<quint32>(directory + 6 + 12);
    const qint64 end = std::min(fileSize, start + qFromLittleEndian<quint32>(directory + 6 + 8));
    if (!readAt(device, start, signature, SignatureBytes) || std::memcmp(signature, PngSignature, SignatureBytes) != 0)
        return { IconEntry::Bitmap, {}, {}, 0, {}, 0, 0 };

    IconEntry entry;
    entry.kind = IconEntry::Png;
    entry.head = QByteArray(directory, DirectoryBytes);
    entry.copyBytes = DirectoryBytes + SignatureBytes;
    entry.head.append(PngSignature, SignatureBytes);
    qint64 imageData = 0, mostData = 0;
    qint64 at = start + SignatureBytes;
    for (int count = 0;; ++count) {
        if (count == MostChunks)
            return refused(QStringLiteral("the icon's PNG has more than %1 chunks").arg(MostChunks));
        if (cancelled && cancelled->load())
            return refused(QStringLiteral("cancelled"));
        uchar frame[HeaderChunkBytes];
        // A chunk cut off by the entry's end is where the decoder's data ends too.
        if (at + ChunkFrame > end || !readAt(device, at, reinterpret_cast<char*>(frame), 8))
            break;
        const qint64 length = qFromBigEndian<quint32>(frame);
        const QByteArray type(reinterpret_cast<const char*>(frame + 4), 4);
        if (length > 0x7fffffff || at + ChunkFrame + length > end)
            break;
        if (count == 0) {
            if (type != "IHDR" || length != 13 || !readAt(device, at + 8, reinterpret_cast<char*>(frame + 8), 17))
                return refused(QStringLiteral("the icon's PNG does not start with its header"));
            entry.head.append(reinterpret_cast<const char*>(frame), HeaderChunkBytes);
            entry.copyBytes += HeaderChunkBytes;
            mostData = mostImageData(frame + 8);
        } else if (type == "IDAT" || type == "IEND" || type == "PLTE" || type == "tRNS") {
            imageData += type == "IDAT" ? length : 0;
            if (imageData > mostData || (type != "IDAT" && length > LargestSmallChunk))
                return refused(QStringLiteral("the icon's PNG holds more %1 data than its picture can need")
                                   .arg(QString::fromLatin1(type)));
            entry.chunks.append({ at, ChunkFrame + length });
            entry.copyBytes += ChunkFrame + length;
            if (type == "IEND")
                break;
        } else if (type == "iCCP" && entry.profileBytes == 0 && imageData == 0 && length <= ColourProfileLimit) {
            entry.profileAt = at + 8;
            entry.profileBytes = length;
        } else if (!(type[0] & 0x20)) {
            return refused(QStringLiteral("the icon's PNG holds a %1 chunk").arg(QString::fromLatin1(type)));
        }
        // Any other chunk is an ancillary one, passed over unread.
        at += ChunkFrame + length;
    }
    if (entry.head.size() != DirectoryBytes + SignatureBytes + HeaderChunkBytes)
        return refused(QStringLiteral("the icon's PNG has no header"));
    // The copy is an icon of this one entry, which follows its directory at once.
    qToLittleEndian<quint16>(1, entry.head.data() + 4);
    qToLittleEndian<quint32>(quint32(entry.copyBytes - DirectoryBytes), entry.head.data() + 6 + 8);
    qToLittleEndian<quint32>(quint32(DirectoryBytes), entry.head.data() + 6 + 12);
    return entry;
}

QByteArray pngOnlyIcon(QIODevice& device, const IconEntry& entry)
{
    QByteArray icon = entry.head;
    icon.resize(entry.copyBytes);
    char* out = icon.data() + entry.head.size();
    for (const auto& [at, length] : entry.chunks) {
        if (!readAt(device, at, out, length))
            return {};
        out += length;
    }
    return icon;
}

} // namespace tl
