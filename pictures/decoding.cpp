#include "pictures/decoding.h"

#include "pictures/animation.h"
#include "pictures/bmpheader.h"
#include "pictures/colour.h"
#include "pictures/decodebudget.h"
#include "pictures/decodecost.h"
#include "pictures/iconentry.h"
#include "pictures/jpeg.h"
#include "pictures/picture.h"
#include "pictures/pictureformat.h"
#include "pictures/progressivebudget.h"

#include <QBuffer>
#include <QImageReader>
#include <QtMath>
#include <cstring>
#include <mutex>
#include <optional>

namespace tl {

namespace {

    std::atomic<qint64> held { 0 };

    qint64 pixelBytes(QSize size) { return imageBytes(size, 4); }

    // Making a cell's copy: the picture thinned to at most twice the cell, in full colour, smoothed.
    qint64 cellCost(QSize cell) { return cell.isEmpty() ? 0 : 3 * pixelBytes(cell * 2); }

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

    Decoded failure(const QString& why, PictureFailure kind = PictureFailure::NotAPicture)
    {
        return { {}, {}, why, kind };
    }

    // Asks the budget for `cost` and runs `decode` with its share; what cannot fit is refused. The
    // picture is then put in sRGB by `toSrgb` (which `decode` may set), a cell after it is scaled.
    template <class Decode>
    Decoded decodeWithin(
        qint64 cost, QSize cell, const std::atomic<bool>* cancelled, Decode decode, const ToSrgb& toSrgb = {})
    {
        cost += cellCost(cell);
        if (cost > DecodeBudget)
            return failure(
                QStringLiteral("the decode needs %1 bytes, more than the %2 allowed").arg(cost).arg(DecodeBudget),
                PictureFailure::TooLarge);
        const DecodeTicket ticket(cost, cancelled);
        if (cancelled && cancelled->load())
            return failure(QStringLiteral("cancelled"));
        if (!ticket.given())
            return failure(QStringLiteral("no room for it now"), PictureFailure::None);
        Decoded decoded = decode();
        if (!decoded.image.isNull() && !cell.isEmpty())
            decoded.image = scaledInFullColour(std::move(decoded.image), cell);
        decoded.image = toSrgb.applied(std::move(decoded.image));
        return decoded;
    }

    // A cell's decode, or with `shownFor` one for viewing: decoded at the scale that covers what
    // `shownFor` says the picture of its natural size is shown at, and kept at that scale.
    Decoded decodeJpeg(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled,
        bool firstScans = false, const ShownFor& shownFor = {})
    {
        JpegDecoder jpeg(device, size, cancelled);
        if (firstScans)
            jpeg.useFirstScans();
        if (!jpeg.ok())
            return failure(
                jpeg.why(), jpeg.refusedForMemory() ? PictureFailure::TooLarge : PictureFailure::NotAPicture);
        const qint64 cost = shownFor ? jpeg.prepare(shownFor(jpeg.naturalSize()), true) : jpeg.prepare(cell);
        const ProgressiveShare share(jpeg.progressive() && cost <= DecodeBudget ? cost : 0, cancelled);
        return decodeWithin(
            cost, shownFor ? QSize() : cell, cancelled,
            [&]() -> Decoded {
                QImage image = jpeg.decode(cost, cancelled);
                if (image.isNull())
                    return failure(
                        jpeg.why(), jpeg.refusedForMemory() ? PictureFailure::TooLarge : PictureFailure::NotAPicture);
                Decoded decoded { std::move(image), jpeg.naturalSize(), {} };
                decoded.incomplete = jpeg.endedEarly();
                return decoded;
            },
            jpeg.colourConversion());
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

    // BMP, GIF and icons of a bitmap entry through Qt's readers, whose cost the headers tell as the
    // decoder reads them.
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

    // An icon's first entry: a bitmap from the file as it is, a PNG from a copy of the icon that holds
    // only what its picture needs. The copy is counted twice, as the reader copies the entry again.
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
                toSrgb
                    = conversionFor(profileOfPngChunk(readProfile(device, entry.profileAt, entry.profileBytes)), image);
                const QSize natural = image.size();
                return { std::move(image), natural, {} };
            },
            toSrgb);
    }

    // Bands around a thumbnail's picture are black, but compressed: a little light bleeds into them.
    constexpr int DarkBand = 24;

    bool darkOutside(const QImage& image, QRect content)
    {
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (!content.contains(x, y) && qGray(line[x]) >= DarkBand)
                    return false;
        }
        return true;
    }

    // Where a thumbnail (32-bit) shows a photo of `natural` size: all of it when their shapes agree
    // within a thumbnail pixel; the middle when the camera letterboxed or pillarboxed the photo with dark
    // bands; an empty rectangle when it shows something else (a photo cropped or turned since).
    QRect photoWithin(const QImage& thumbnail, QSize natural)
    {
        const qint64 w = thumbnail.width(), h = thumbnail.height();
        const qint64 nw = natural.width(), nh = natural.height();
        if (std::abs(w * nh - h * nw) <= std::max(nw, nh))
            return thumbnail.rect();
        const QRect content = w * nh > h * nw
            ? QRect(int(w - (h * nw + nh / 2) / nh) / 2, 0, int((h * nw + nh / 2) / nh), int(h))
            : QRect(0, int(h - (w * nh + nw / 2) / nw) / 2, int(w), int((w * nh + nw / 2) / nw));
        return !content.isEmpty() && darkOutside(thumbnail, content) ? content : QRect();
    }

} // namespace

Decoded decodeFirstScans(const QByteArray& firstScans, QSize cell, const std::atomic<bool>* cancelled)
{
    QBuffer buffer;
    buffer.setData(firstScans);
    buffer.open(QIODevice::ReadOnly);
    return decodeJpeg(buffer, firstScans.size(), cell, cancelled, true);
}

Decoded decodeExifThumbnail(const JpegDecoder& photo, QSize cell, const std::atomic<bool>* cancelled)
{
    const Exif& exif = photo.exif();
    const QSize stored = photo.storedSize();
    // A photo made smaller or cropped by a program that kept the camera's tags no longer matches them.
    if (!photo.ok() || cell.isEmpty() || exif.thumbnail.isEmpty()
        || (exif.pixelSize.isValid() && exif.pixelSize != stored))
        return failure(QStringLiteral("no thumbnail that serves"));
    QBuffer buffer;
    buffer.setData(exif.thumbnail);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder thumbnail(buffer, exif.thumbnail.size(), cancelled);
    thumbnail.useOrientation(photo.orientation());
    const QSize size = thumbnail.storedSize();
    if (!thumbnail.ok() || size.width() > stored.width() || size.height() > stored.height())
        return failure(QStringLiteral("no thumbnail that serves"));
    // Its decode, the 32-bit copy its bands are looked for in, and the copy without the bands.
    const qint64 cost = thumbnail.prepare({}) + 2 * pixelBytes(thumbnail.outputSize());
    return decodeWithin(
        cost, cell, cancelled,
        [&]() -> Decoded {
            QImage image = thumbnail.decode(cost, cancelled);
            if (image.isNull() || thumbnail.endedEarly())
                return failure(QStringLiteral("the thumbnail is damaged"));
            image = image.convertToFormat(QImage::Format_RGB32);
            const QRect content = photoWithin(image, photo.naturalSize());
            if (content.width() < cell.width() || content.height() < cell.height())
                return failure(QStringLiteral("no thumbnail that serves"));
            return { content == image.rect() ? image : image.copy(content), photo.naturalSize(), {} };
        },
        // The camera's thumbnail is in the photo's colours.
        photo.colourConversion());
}

Decoded decodePicture(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled)
{
    // Large photos and panoramas load; absurd headers are still refused. Set once, before any read.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { QImageReader::setAllocationLimit(PictureAllocationLimitMB); });
    // The format is told by the file's first bytes, never by its name.
    switch (const PictureFormat format = pictureFormatOf(device.peek(FormatHeadBytes))) {
    case PictureFormat::Jpeg:
        return decodeJpeg(device, size, cell, cancelled);
    case PictureFormat::Icon:
        return decodeIcon(device, size, cell, cancelled);
    case PictureFormat::Bmp:
    case PictureFormat::Gif:
        return decodeWithQt(device, format, size, cell, cancelled);
    default:
        return failure(QStringLiteral("not a BMP, GIF, JPEG or icon file"));
    }
}

Decoded decodePictureForView(
    QIODevice& device, qint64 size, const ShownFor& shownFor, const std::atomic<bool>* cancelled)
{
    if (pictureFormatOf(device.peek(FormatHeadBytes)) == PictureFormat::Jpeg)
        return decodeJpeg(device, size, {}, cancelled, false, shownFor);
    return decodePicture(device, size, {}, cancelled);
}

QImage scaledInFullColour(QImage image, QSize size)
{
    if (image.isNull() || size.isEmpty())
        return {};
    // A picture much larger than the cell in either direction is first thinned to at most twice the
    // cell cheaply, in its own format, then smoothed down: a tall, narrow picture is never turned to
    // full colour at its whole size.
    if (image.width() > 4 * size.width() || image.height() > 4 * size.height()) {
        const QSize thin(std::min(image.width(), 2 * size.width()), std::min(image.height(), 2 * size.height()));
        image = image.scaled(thin, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    // Smoothing an indexed or 1-bit picture as it is dithers it: its colours are spread first.
    const QImage::Format full = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != full)
        image = image.convertToFormat(full);
    if (image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool reserveHeldBytes(qint64 bytes)
{
    if (held.fetch_add(bytes) + bytes <= HeldBytesBudget)
        return true;
    held.fetch_sub(bytes);
    return false;
}

void releaseHeldBytes(qint64 bytes) { held.fetch_sub(bytes); }

qint64 heldBytes() { return held.load(); }

} // namespace tl
