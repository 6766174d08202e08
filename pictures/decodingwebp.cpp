// WebP pictures decoded with libwebp from their bytes in memory: a still one scaled by libwebp to a
// cell's or a view's size, an animation's first frame on its canvas; the profile and the EXIF
// orientation an extended file carries applied.

#include "pictures/decoders.h"
#include "pictures/exif.h"
#include "pictures/viewscale.h"
#include "pictures/webpframes.h"
#include "pictures/webpstill.h"

#include <QBuffer>
#include <cmath>

namespace tl {

namespace {

    // Enough of a file's head for its headers, unless a large profile comes before its picture.
    constexpr qint64 HeadBytes = 4096;

    bool turned(int orientation) { return orientation >= 5 && orientation <= 8; }

    // The size a still picture stored at `stored` is decoded to, in its stored orientation: for a cell at
    // most twice the cell, which is smoothed down after; for a view the size shown; else whole.
    QSize decodedSize(QSize stored, int orientation, QSize cell, const ShownFor& shownFor)
    {
        const bool turn = turned(orientation);
        const QSize natural = turn ? stored.transposed() : stored;
        QSize size = natural;
        if (!cell.isEmpty())
            size = natural.boundedTo(cell * 2);
        else if (const QSize reduced = shownFor ? reducedForView(natural, shownFor(natural)) : QSize();
                 !reduced.isEmpty())
            size = reduced;
        return turn ? size.transposed() : size;
    }

    // The file's bytes: a buffer's own, shared, or the file read whole.
    QByteArray fileBytes(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
    {
        if (const auto* buffer = qobject_cast<const QBuffer*>(&device))
            return buffer->data();
        if (!device.seek(0))
            return {};
        return readUpTo(device, size, cancelled);
    }

} // namespace

Decoded decodeWebp(
    QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor)
{
    WebPBitstreamFeatures features;
    if (!webpFeatures(device.peek(HeadBytes), size, features))
        return failure(QStringLiteral("not a WebP picture"));
    const QSize stored(features.width, features.height);
    // The orientation is known once the file is read: the cost is the larger of the two it may take.
    qint64 cost = 0;
    if (features.has_animation)
        cost = webpAnimationStepCost(stored);
    else
        for (const int orientation : { 1, 6 })
            cost = std::max(cost, webpStillCost(features, decodedSize(stored, orientation, cell, shownFor)));
    if (!qobject_cast<const QBuffer*>(&device))
        cost += size;
    ToSrgb conversion;
    return decodeWithin(
        cost, cell, cancelled,
        [&]() -> Decoded {
            const QByteArray bytes = fileBytes(device, size, cancelled);
            if (cancelled && cancelled->load())
                return failure(QStringLiteral("cancelled"));
            const WebpExtended extended = webpExtended(bytes);
            Decoded decoded;
            if (features.has_animation) {
                WebpFirstFrame first = webpFirstFrame(bytes, cancelled);
                decoded = { std::move(first.image), {}, first.why };
                decoded.incomplete = first.incomplete;
            } else {
                WebpStill still
                    = decodeWebpStill(bytes, decodedSize(stored, extended.orientation, cell, shownFor), cancelled);
                decoded = { std::move(still.image), {}, still.why };
                decoded.incomplete = still.incomplete;
            }
            if (decoded.image.isNull())
                return failure(decoded.why);
            decoded.image = orientedImage(std::move(decoded.image), extended.orientation);
            decoded.natural = turned(extended.orientation) ? stored.transposed() : stored;
            conversion = toSrgb(extended.profile);
            return decoded;
        },
        conversion);
}

} // namespace tl
