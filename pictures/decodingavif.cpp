// AVIF pictures decoded with libavif: the container read for the picture's size, depth and layout
// before any pixel is decoded, the whole decode counted against the budget, the samples turned into
// 32-bit pixels straight in the picture's memory. A sequence shows its first frame.

#include "pictures/avifpicture.h"
#include "pictures/decoders.h"
#include "pictures/viewscale.h"

#include <QBuffer>
#include <memory>

namespace tl {

namespace {

    struct DecoderDeleter {
        void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
    };

    // The AV1 decoder pads each plane out to whole blocks of 128 samples, in both directions.
    qint64 padded(qint64 samples) { return (samples + 127) / 128 * 128; }

    // The planes the AV1 decoder makes of a picture (and of its alpha), by what the container says of
    // its depth and layout: 16-bit samples above 8 bits; 4:4:4 when the container does not say.
    qint64 planeBytes(const avifImage& image, bool alpha)
    {
        const qint64 sample = image.depth == 8 ? 1 : 2;
        const qint64 w = image.width, h = image.height;
        const qint64 luma = padded(w) * padded(h) * sample;
        qint64 chroma = 2 * luma;
        if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV420)
            chroma = 2 * padded((w + 1) / 2) * padded((h + 1) / 2) * sample;
        else if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV422)
            chroma = 2 * padded((w + 1) / 2) * padded(h) * sample;
        else if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV400)
            chroma = 0;
        return luma + chroma + (alpha ? luma : 0);
    }

    QImage::Format formatFor(bool alpha) { return alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32; }

    // The decoded frame as 32-bit pixels, written by libavif straight into the picture's memory: a
    // pixel of QImage's 32-bit formats is B, G, R, A in memory on a little-endian machine. Not
    // premultiplied, as Format_ARGB32 is not.
    QImage toPixels(const avifImage& frame, bool alpha)
    {
        QImage picture(int(frame.width), int(frame.height), formatFor(alpha));
        if (picture.isNull())
            return {};
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, &frame);
        rgb.format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;
        rgb.depth = 8;
        rgb.alphaPremultiplied = AVIF_FALSE;
        rgb.pixels = picture.bits();
        rgb.rowBytes = uint32_t(picture.bytesPerLine());
        if (avifImageYUVToRGB(&frame, &rgb) != AVIF_RESULT_OK)
            return {};
        return picture;
    }

} // namespace

Decoded decodeAvif(
    QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor)
{
    // The file is read whole: held bytes are used as they are, a file's are read and counted.
    QByteArray bytes;
    qint64 fileCost = 0;
    if (const auto* buffer = qobject_cast<const QBuffer*>(&device); buffer && buffer->data().size() == size)
        bytes = buffer->data();
    else if (size > HeldFileLimit) // read before its decode is counted: a size no real AVIF comes near
        return failure(QStringLiteral("the file is larger than an AVIF is read"), PictureFailure::TooLarge);
    else {
        bytes = device.read(size);
        fileCost = size;
        if (bytes.size() != size)
            return failure(QStringLiteral("the file could not be read"), PictureFailure::Unreadable);
    }
    const std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
    if (!decoder)
        return failure(QStringLiteral("no AVIF decoder"));
    decoder->maxThreads = 1; // the pool gives the parallelism
    // The largest picture libavif reads; the AV1 decoder is then held to the size counted.
    decoder->imageSizeLimit = AVIF_DEFAULT_IMAGE_SIZE_LIMIT;
    decoder->imageDimensionLimit = AVIF_DEFAULT_IMAGE_DIMENSION_LIMIT;
    decoder->strictFlags = AVIF_STRICT_DISABLED; // files in the wild miss boxes that change nothing here
    decoder->ignoreXMP = AVIF_TRUE;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    if (avifDecoderSetIOMemory(decoder.get(), data, size_t(bytes.size())) != AVIF_RESULT_OK)
        return failure(QStringLiteral("no AVIF decoder"));
    if (const avifResult parsed = avifDecoderParse(decoder.get()); parsed != AVIF_RESULT_OK) {
        // libavif tells a picture past its size limit from a broken file only in its message.
        const QString why = QString::fromUtf8(decoder->diag.error);
        return failure(QString::fromUtf8(avifResultToString(parsed)) + QStringLiteral(": ") + why,
            why.contains(QStringLiteral("too large")) ? PictureFailure::TooLarge : PictureFailure::NotAPicture);
    }
    const avifImage& header = *decoder->image;
    const bool alpha = decoder->alphaPresent;
    const QSize stored(int(header.width), int(header.height));
    const bool turned = avifTurned(header);
    // The codec's planes twice over (a 4000 x 3000 picture takes more than once its planes and pixels
    // at its peak; a picture made of tiles is copied into a whole one), the profile and EXIF block
    // libavif keeps, the 32-bit picture, and its turned copy.
    const qint64 planes = planeBytes(header, alpha);
    // A cell, or a view that shows the picture smaller, takes it reduced as its rows become pixels.
    const bool quarter = avifQuarterTurned(header);
    const QSize natural = quarter ? stored.transposed() : stored;
    QSize reduced = !cell.isEmpty() ? natural.boundedTo(cell * 2)
        : shownFor                  ? reducedForView(natural, shownFor(natural))
                                    : QSize();
    if (reduced == natural)
        reduced = {};
    if (quarter)
        reduced.transpose();
    const qint64 pixels = reduced.isEmpty() ? pixelBytes(stored) : avifReducedBytes(stored.width(), reduced);
    const qint64 cost = fileCost + 2 * planes + qint64(header.icc.size + header.exif.size) + pixels * (turned ? 2 : 1);
    ToSrgb colour;
    return decodeWithin(
        cost, cell, cancelled,
        [&]() -> Decoded {
            decoder->imageSizeLimit = uint32_t(std::max<qint64>(qint64(stored.width()) * stored.height(), 1));
            if (const avifResult reset = avifDecoderReset(decoder.get()); reset != AVIF_RESULT_OK)
                return failure(QString::fromUtf8(avifResultToString(reset)));
            if (const avifResult next = avifDecoderNextImage(decoder.get()); next != AVIF_RESULT_OK)
                return failure(QString::fromUtf8(avifResultToString(next)));
            const avifImage& frame = *decoder->image;
            // The samples are what the container said they would be, or they were not counted.
            if (QSize(int(frame.width), int(frame.height)) != stored || planeBytes(frame, alpha) > planes)
                return failure(QStringLiteral("the picture is not what its container says"));
            if (cancelled && cancelled->load())
                return failure(QStringLiteral("cancelled"));
            QImage picture = reduced.isEmpty()
                ? toPixels(frame, alpha && frame.alphaPlane)
                : avifReducedPixels(frame, alpha && frame.alphaPlane, reduced, cancelled);
            if (picture.isNull())
                return failure(QStringLiteral("the samples could not be turned into pixels"));
            colour = toSrgb(avifColourProfile(frame));
            picture = avifOriented(std::move(picture), frame);
            Decoded decoded { std::move(picture), {}, {} };
            decoded.natural = natural;
            return decoded;
        },
        colour);
}

} // namespace tl
