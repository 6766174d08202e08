#include "pictures/jpegregion.h"

#include "pictures/colour.h"
#include "pictures/decoding.h"
#include "pictures/jpeg.h"
#include "platform/task.h"

#include <QTransform>

namespace tl {

namespace {

    // From the frame as stored to the picture as it shows, on the pixels' edges rather than their
    // centres, so that a rectangle of pixels maps onto the rectangle of the same pixels. Each EXIF
    // orientation is a mirror or flip and then a quarter turn clockwise, as Qt turns them.
    QTransform showing(QSize stored, int orientation)
    {
        const qreal w = stored.width(), h = stored.height();
        switch (orientation) {
        case 2: // mirrored
            return QTransform(-1, 0, 0, 1, w, 0);
        case 3: // half a turn
            return QTransform(-1, 0, 0, -1, w, h);
        case 4: // flipped
            return QTransform(1, 0, 0, -1, 0, h);
        case 5: // flipped, then a quarter turn clockwise: the diagonal's mirror
            return QTransform(0, 1, 1, 0, 0, 0);
        case 6: // a quarter turn clockwise
            return QTransform(0, 1, -1, 0, h, 0);
        case 7: // mirrored, then a quarter turn clockwise
            return QTransform(0, -1, -1, 0, h, w);
        case 8: // a quarter turn back
            return QTransform(0, -1, 1, 0, 0, w);
        default:
            return {};
        }
    }

    RegionDecoded ended(RegionDecoded::Outcome outcome, const QString& why, PictureFailure failure = {})
    {
        RegionDecoded decoded;
        decoded.outcome = outcome;
        decoded.why = why;
        decoded.failure = failure;
        return decoded;
    }

} // namespace

QRect storedRect(QRect natural, QSize stored, int orientation)
{
    return showing(stored, orientation).inverted().mapRect(QRectF(natural)).toAlignedRect();
}

RegionDecoded decodeJpegRegion(QIODevice& device, qint64 size, QRect region, const std::atomic<bool>* cancelled)
{
    JpegDecoder jpeg(device, size, cancelled);
    const auto failed = [&jpeg] {
        return ended(RegionDecoded::Failed, jpeg.why(),
            jpeg.refusedForMemory() ? PictureFailure::TooLarge : PictureFailure::NotAPicture);
    };
    if (!jpeg.ok())
        return failed();
    RegionDecoded decoded;
    decoded.natural = jpeg.naturalSize();
    decoded.region = region.intersected(QRect(QPoint(), decoded.natural));
    if (decoded.region.isEmpty()
        || !jpeg.useWindow(storedRect(decoded.region, jpeg.storedSize(), jpeg.orientation()))) {
        decoded.outcome = RegionDecoded::Declined;
        decoded.why = decoded.region.isEmpty() ? QStringLiteral("the region lies outside the picture")
                                               : QStringLiteral("each scan covers the whole picture");
        return decoded;
    }
    const qint64 cost = jpeg.prepare({});
    if (cost == 0)
        return failed();
    // An RGB or grey profile is applied to the region as the full decode applies it to the picture.
    const ToSrgb& toSrgb = jpeg.colourConversion();
    const bool ran
        = runWithinDecodeBudget(cost, cancelled, [&] { decoded.image = toSrgb.applied(jpeg.decode(cost, cancelled)); });
    if (!ran)
        return isCancelled(cancelled)
            ? ended(RegionDecoded::Failed, QStringLiteral("cancelled"))
            : ended(RegionDecoded::Failed,
                QStringLiteral("the region needs %1 bytes, more than decodes may take").arg(cost),
                PictureFailure::TooLarge);
    if (decoded.image.isNull())
        return failed();
    decoded.outcome = RegionDecoded::Done;
    decoded.incomplete = jpeg.endedEarly();
    return decoded;
}

} // namespace tl
