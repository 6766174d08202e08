#pragma once

// The decoders of each format behind decodePicture(), and the budget every one of them decodes
// within; for the decoding files alone.

#include "pictures/colour.h"
#include "pictures/decodecost.h"
#include "pictures/decoding.h"
#include "pictures/pictureformat.h"

namespace tl {

inline qint64 pixelBytes(QSize size) { return imageBytes(size, 4); }

// Making a cell's copy: the picture thinned to at most twice the cell, in full colour, smoothed.
inline qint64 cellCost(QSize cell) { return cell.isEmpty() ? 0 : 3 * pixelBytes(cell * 2); }

inline Decoded failure(const QString& why, PictureFailure kind = PictureFailure::NotAPicture)
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
    bool firstScans = false, const ShownFor& shownFor = {});

// BMP, GIF and icons of a bitmap entry through Qt's readers, whose cost the headers tell as the
// decoder reads them.
Decoded decodeWithQt(
    QIODevice& device, PictureFormat format, qint64 size, QSize cell, const std::atomic<bool>* cancelled);

// An icon's first entry: a bitmap from the file as it is, a PNG from a copy of the icon that holds
// only what its picture needs. The copy is counted twice, as the reader copies the entry again.
Decoded decodeIcon(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled);

// The three formats web pages serve, each through its own library, their size read from their headers
// before any pixel is allocated. With `shownFor`, a decode for viewing that may stop at the scale shown
// where the format allows it (as decodeJpeg's).
Decoded decodePng(
    QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor = {});
Decoded decodeWebp(
    QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor = {});
Decoded decodeAvif(
    QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor = {});

} // namespace tl
