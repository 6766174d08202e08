#include "pictures/decoding.h"

#include "pictures/decoders.h"
#include "pictures/pictureformat.h"

#include <QImageReader>
#include <mutex>

namespace tl {

namespace {

    std::atomic<qint64> held { 0 };

} // namespace

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
    case PictureFormat::Png:
        return decodePng(device, size, cell, cancelled);
    case PictureFormat::Webp:
        return decodeWebp(device, size, cell, cancelled);
    case PictureFormat::Avif:
        return decodeAvif(device, size, cell, cancelled);
    default:
        return failure(QStringLiteral("not a BMP, GIF, JPEG, PNG, WebP, AVIF or icon file"));
    }
}

Decoded decodePictureForView(
    QIODevice& device, qint64 size, const ShownFor& shownFor, const std::atomic<bool>* cancelled)
{
    switch (pictureFormatOf(device.peek(FormatHeadBytes))) {
    case PictureFormat::Jpeg:
        return decodeJpeg(device, size, {}, cancelled, false, shownFor);
    case PictureFormat::Png:
        return decodePng(device, size, {}, cancelled, shownFor);
    case PictureFormat::Webp:
        return decodeWebp(device, size, {}, cancelled, shownFor);
    case PictureFormat::Avif:
        return decodeAvif(device, size, {}, cancelled, shownFor);
    default:
        return decodePicture(device, size, {}, cancelled);
    }
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

QByteArray readUpTo(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
{
    constexpr qint64 Chunk = qint64(1) << 20;
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size && !(cancelled && cancelled->load())) {
        const qint64 read = device.read(bytes.data() + got, std::min(Chunk, size - got));
        if (read <= 0)
            break;
        got += read;
    }
    bytes.truncate(got);
    return bytes;
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
