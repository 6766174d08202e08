// JPEGs decoded within the budget: at a cell's or a view's scale, from a progressive file's first
// scans, or from the camera's thumbnail where it shows the photo.

#include "pictures/decoders.h"
#include "pictures/jpeg.h"
#include "pictures/progressivebudget.h"
#include "pictures/viewscale.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

namespace tl {

Decoded decodeJpeg(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, bool firstScans,
    const ShownFor& shownFor)
{
    JpegDecoder jpeg(device, size, cancelled);
    if (firstScans)
        jpeg.useFirstScans();
    if (!jpeg.ok())
        return failure(jpeg.why(), jpeg.refusedForMemory() ? PictureFailure::TooLarge : PictureFailure::NotAPicture);
    const QSize shown = shownFor ? shownFor(jpeg.naturalSize()) : QSize();
    const qint64 cost = shownFor ? jpeg.prepare(shown, true) : jpeg.prepare(cell);
    const ProgressiveShare share(jpeg.progressive() && cost <= DecodeBudget ? cost : 0, cancelled);
    // A picture for a view that shows it smaller is brought to that size here, off the window's thread,
    // which then draws it as it is.
    return decodeWithin(
        cost, shownFor ? reducedForView(jpeg.naturalSize(), shown) : cell, cancelled,
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

namespace {

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

} // namespace tl
