#include "pictures/exif.h"

#include <QTransform>
#include <limits>
#include <utility>

namespace tl {

namespace {

    constexpr quint16 OrientationTag = 0x0112;
    constexpr quint16 ExifIfdTag = 0x8769;
    constexpr quint16 ThumbnailOffsetTag = 0x0201;
    constexpr quint16 ThumbnailLengthTag = 0x0202;
    constexpr quint16 PixelXTag = 0xa002;
    constexpr quint16 PixelYTag = 0xa003;
    constexpr quint16 ShortType = 3;
    constexpr quint16 LongType = 4;
    constexpr quint16 IfdType = 13;

    // The TIFF structure after "Exif\0\0"; reads past its end give nothing.
    class Tiff {
    public:
        Tiff(const uchar* data, qint64 size)
            : data_(data)
            , size_(size)
        {
        }
        bool begin()
        {
            if (size_ < 8 || data_[0] != data_[1] || (data_[0] != 'I' && data_[0] != 'M'))
                return false;
            little_ = data_[0] == 'I';
            return read(2, 2) == 42;
        }
        qint64 size() const { return size_; }
        // An unsigned value of `bytes` bytes at `at`, or -1 when it is not inside.
        qint64 read(qint64 at, int bytes) const
        {
            if (at < 0 || at > size_ - bytes)
                return -1;
            quint32 value = 0;
            for (int i = 0; i < bytes; ++i)
                value |= quint32(data_[at + i]) << (8 * (little_ ? i : bytes - 1 - i));
            return value;
        }

        struct Entry {
            qint64 tag, type, count, at; // `at`: where the value field starts
            // A single SHORT or LONG held in the value field.
            qint64 number(const Tiff& tiff) const
            {
                if (count != 1)
                    return -1;
                return type == ShortType                  ? tiff.read(at, 2)
                    : type == LongType || type == IfdType ? tiff.read(at, 4)
                                                          : -1;
            }
        };
        // Calls `visit` for each whole entry of the IFD at `offset`; gives the next IFD's offset (0 when none).
        template <class Visit> qint64 forEachEntry(qint64 offset, Visit visit) const
        {
            const qint64 count = read(offset, 2);
            if (count < 0)
                return 0;
            for (qint64 i = 0; i < count; ++i) {
                const qint64 at = offset + 2 + 12 * i;
                if (at + 12 > size_)
                    return 0;
                visit(Entry { read(at, 2), read(at + 2, 2), read(at + 4, 4), at + 8 });
            }
            return std::max<qint64>(0, read(offset + 2 + 12 * count, 4));
        }

    private:
        const uchar* data_;
        qint64 size_;
        bool little_ = false;
    };

    // The numbers of two tags of the IFD at `offset`, -1 for one it does not hold; of a tag held
    // twice the last counts.
    std::pair<qint64, qint64> twoNumbers(const Tiff& tiff, qint64 offset, quint16 first, quint16 second)
    {
        std::pair<qint64, qint64> numbers { -1, -1 };
        tiff.forEachEntry(offset, [&](const Tiff::Entry& entry) {
            if (entry.tag == first)
                numbers.first = entry.number(tiff);
            else if (entry.tag == second)
                numbers.second = entry.number(tiff);
        });
        return numbers;
    }

} // namespace

Exif readExif(const QByteArray& app1Payload)
{
    Exif exif;
    constexpr QByteArrayView header("Exif\0\0", 6);
    if (!app1Payload.startsWith(header))
        return exif;
    Tiff tiff(
        reinterpret_cast<const uchar*>(app1Payload.constData()) + header.size(), app1Payload.size() - header.size());
    if (!tiff.begin())
        return exif;

    qint64 exifIfd = 0;
    bool oriented = false;
    const qint64 ifd0 = tiff.read(4, 4);
    const qint64 ifd1 = tiff.forEachEntry(ifd0, [&](const Tiff::Entry& entry) {
        // The first orientation counts, valid or not, as Qt reads it.
        if (entry.tag == OrientationTag && !oriented) {
            oriented = true;
            const qint64 value = entry.type == ShortType ? entry.number(tiff) : -1;
            if (value >= 1 && value <= 8)
                exif.orientation = int(value);
        } else if (entry.tag == ExifIfdTag) {
            exifIfd = entry.number(tiff);
        }
    });

    // An IFD0 that names itself as the next holds no thumbnail for being read twice.
    if (ifd1 > 0 && ifd1 != ifd0) {
        const auto [offset, length] = twoNumbers(tiff, ifd1, ThumbnailOffsetTag, ThumbnailLengthTag);
        if (offset > 0 && length > 0 && offset + length <= tiff.size())
            exif.thumbnail = app1Payload.mid(header.size() + offset, length);
    }

    if (exifIfd > 0) {
        const auto [width, height] = twoNumbers(tiff, exifIfd, PixelXTag, PixelYTag);
        constexpr qint64 most = std::numeric_limits<int>::max();
        if (width > 0 && height > 0 && width <= most && height <= most)
            exif.pixelSize = QSize(int(width), int(height));
    }
    return exif;
}

Exif readExifBlock(const QByteArray& block)
{
    const QByteArray header("Exif\0\0", 6);
    return readExif(block.startsWith(header) ? block : header + block);
}

QImage orientedImage(QImage image, int orientation)
{
    const bool mirror = orientation == 2 || orientation == 3 || orientation == 7;
    const bool flip = orientation == 3 || orientation == 4 || orientation == 5;
    if (orientation == 8)
        return image.transformed(QTransform().rotate(270));
    if (mirror || flip)
        image = image.mirrored(mirror, flip);
    if (orientation == 5 || orientation == 6 || orientation == 7)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

} // namespace tl
