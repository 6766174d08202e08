// BMP, GIF and icons decoded through Qt's readers, within the budget their headers tell: cut and
// run-length BMPs made safe to read, colour tables filled out, and the embedded profiles applied.

#include "pictures/animation.h"
#include "pictures/bmpheader.h"
#include "pictures/decoders.h"
#include "pictures/iconentry.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <optional>

namespace tl {

namespace {

    // An indexed picture whose pixels name colours past its table would make drawing and scaling
    // read beyond the table: the table is filled up to every index the depth can hold.
    void coverColourTable(QImage& image)
    {
        if (image.format() != QImage::Format_Indexed8 && image.depth() != 1)
            return;
        const int needed = 1 << image.depth();
        if (image.colorCount() >= needed)
            return;
        QList<QRgb> table = image.colorTable();
        table.resize(needed, qRgb(0, 0, 0));
        image.setColorTable(table);
    }

    // Run-length pictures may skip pixels, which the decoder leaves as it finds them: it is
    // handed a zeroed picture of the declared size to decode into, and anything else is refused.
    QImage readIntoZeroed(QImageReader& reader, QSize size)
    {
        QImage image(size, QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        image.fill(0);
        const uchar* zeroed = image.constBits();
        if (!reader.read(&image) || image.constBits() != zeroed)
            return {};
        return image;
    }

    // A file read as if it were `length` bytes long: past its end come zeros, for which nothing is
    // allocated.
    class FileUpTo : public QIODevice {
    public:
        FileUpTo(QIODevice& file, qint64 length)
            : file_(file)
            , length_(length)
        {
            open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        }
        qint64 size() const override { return length_; }

    protected:
        qint64 readData(char* data, qint64 maxSize) override
        {
            const qint64 at = pos();
            const qint64 wanted = std::clamp<qint64>(length_ - at, 0, maxSize);
            qint64 got = 0;
            if (at < file_.size() && (file_.pos() == at || file_.seek(at)))
                got = std::max<qint64>(file_.read(data, wanted), 0);
            std::memset(data + got, 0, size_t(wanted - got));
            return wanted;
        }
        qint64 writeData(const char*, qint64) override { return -1; }

    private:
        QIODevice& file_;
        qint64 length_;
    };

    // The rows of a BMP's picture that its cut file does not hold are left blank (transparent), as
    // the area around a picture is.
    void blankMissingRows(QImage& image, const BmpCheck& bmp)
    {
        if (image.size() != bmp.size)
            return;
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        if (image.format() != QImage::Format_ARGB32_Premultiplied)
            return;
        const int missing = image.height() - bmp.rowsHeld;
        const int first = bmp.topDown ? bmp.rowsHeld : 0;
        for (int y = first; y < first + missing; ++y)
            std::memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
    }

    // Whether the GIF `device` holds (`size` bytes), whose first frame the decoder has read, ends inside
    // one of its frames. Bytes in memory are walked to their end. A file is walked only when the decoder
    // read it to its end: when it stopped short, the first frame is whole, and the rest is not read for
    // the frames a still picture does not show.
    bool gifCut(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
    {
        if (const auto* buffer = qobject_cast<const QBuffer*>(&device))
            return gifPlaying(buffer->data()).cut;
        return device.atEnd() && device.seek(0) && gifPlaying(device, size, cancelled).cut;
    }

    // The `bytes` at `at` in `device`; empty when there are none, too many, or they cannot be read.
    QByteArray readProfile(QIODevice& device, qint64 at, qint64 bytes)
    {
        if (bytes <= 0 || bytes > ColourProfileLimit || !device.seek(at))
            return {};
        QByteArray profile = device.read(bytes);
        return profile.size() == bytes ? profile : QByteArray();
    }

    // What a decoded picture's profile asks for, when it is of the picture's kind: an RGB profile for
    // colour pixels, a grey one for grey pixels (a PNG's), either for a colour table.
    ToSrgb conversionFor(const QByteArray& profile, const QImage& image)
    {
        if (profile.isEmpty())
            return {};
        const ToSrgb conversion = toSrgb(profile);
        const QImage::Format format = image.format();
        const bool grey = format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16;
        const bool indexed = format == QImage::Format_Indexed8 || image.depth() == 1;
        const ToSrgb::Kind kind = conversion.kind();
        return (kind == ToSrgb::Rgb && !grey) || (kind == ToSrgb::Grey && (grey || indexed)) ? conversion : ToSrgb();
    }

    // A reader of exactly `format`: no other decoder is ever tried on the file, whatever it holds.
    void readOnlyAs(QImageReader& reader, PictureFormat format)
    {
        reader.setFormat(qtFormatName(format));
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(true);
    }

} // namespace

Decoded decodeWithQt(
    QIODevice& device, PictureFormat format, qint64 size, QSize cell, const std::atomic<bool>* cancelled)
{
    const QByteArray head = device.peek(CostHeadBytes);
    const BmpCheck bmp = format == PictureFormat::Icon ? checkIconBitmap(device, size) : checkBmp(head, size);
    if (bmp.kind == BmpCheck::Short)
        return failure(QStringLiteral("pixel data shorter than the header declares"));
    // A cut BMP is read as if its missing rows were there, zero, then those rows are blanked.
    const bool cut = bmp.kind == BmpCheck::Cut;
    std::optional<FileUpTo> padded;
    if (cut)
        padded.emplace(device, bmp.end);
    QImageReader reader(cut ? static_cast<QIODevice*>(&*padded) : &device);
    readOnlyAs(reader, format);
    qint64 cost = declaredCost(head, size, format == PictureFormat::Gif ? QSize() : reader.size());
    // The picture, and its copy in full colour with transparency where rows are blanked.
    if (cut)
        cost = 2 * pixelBytes(bmp.size);
    if (cost < 0)
        cost = DecodeBudget - cellCost(cell); // the headers do not say: it runs alone
    const BmpProfile profile = bmp.kind == BmpCheck::NotBmp ? BmpProfile() : embeddedProfile(head, size);
    ToSrgb toSrgb;
    return decodeWithin(
        cost + profile.bytes, cell, cancelled,
        [&]() -> Decoded {
            QImage image = bmp.kind == BmpCheck::RunLength ? readIntoZeroed(reader, bmp.size) : reader.read();
            if (image.isNull())
                return failure(reader.errorString());
            coverColourTable(image);
            if (cut)
                blankMissingRows(image, bmp);
            toSrgb = conversionFor(readProfile(device, profile.at, profile.bytes), image);
            const QSize natural = image.size();
            Decoded decoded { std::move(image), natural, {} };
            // Runs that the file's end breaks off leave the rest of their picture as it started; the
            // decoder shows a GIF's first frame as far as the file holds it.
            decoded.incomplete = cut || (bmp.kind == BmpCheck::RunLength && runsEndEarly(device, head, cancelled))
                || (format == PictureFormat::Gif && gifCut(device, size, cancelled));
            return decoded;
        },
        toSrgb);
}

Decoded decodeIcon(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled)
{
    const IconEntry entry = readIconEntry(device, size, cancelled);
    if (entry.kind == IconEntry::Refused)
        return failure(entry.why);
    if (!device.seek(0))
        return failure(device.errorString(), PictureFailure::Unreadable);
    if (entry.kind == IconEntry::Bitmap)
        return decodeWithQt(device, PictureFormat::Icon, size, cell, cancelled);
    // The profile's chunk, and what it inflates to, are counted too.
    const qint64 profileCost = entry.profileBytes > 0 ? entry.profileBytes + ColourProfileLimit : 0;
    const qint64 cost = declaredCost(entry.head, entry.copyBytes, {}) + 2 * entry.copyBytes + profileCost;
    ToSrgb toSrgb;
    return decodeWithin(
        cost, cell, cancelled,
        [&]() -> Decoded {
            QByteArray icon = pngOnlyIcon(device, entry);
            if (icon.isEmpty())
                return failure(QStringLiteral("the icon changed while it was read"), PictureFailure::Unreadable);
            QBuffer buffer(&icon);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            readOnlyAs(reader, PictureFormat::Icon);
            QImage image = reader.read();
            if (image.isNull())
                return failure(reader.errorString());
            coverColourTable(image);
            toSrgb = conversionFor(profileOfPngChunk(readProfile(device, entry.profileAt, entry.profileBytes)), image);
            const QSize natural = image.size();
            return { std::move(image), natural, {} };
        },
        toSrgb);
}

} // namespace tl
