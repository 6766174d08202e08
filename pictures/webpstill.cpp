#include "pictures/webpstill.h"

#include "pictures/decodecost.h"

#include <QtEndian>
#include <cstring>
#include <memory>

namespace tl {

namespace {

    // The bytes are given to the decoder this many at a time: a cancelled decode stops between two.
    constexpr qsizetype Increment = 256 * 1024;

    // The decoder's rows of working memory (prediction, filtering, scaling), per column of the picture.
    constexpr qint64 RowBytesPerColumn = 256;

    // The extended header: its flags, then the canvas's width and height less one, three bytes each.
    constexpr qsizetype Vp8xAt = 12, CanvasAt = 24;
    constexpr int AlphaFlag = 0x10, AnimationFlag = 0x02;

    quint32 le24(QByteArrayView bytes, qsizetype at)
    {
        const auto* b = reinterpret_cast<const uchar*>(bytes.data()) + at;
        return b[0] | b[1] << 8 | b[2] << 16;
    }

    struct IdecDelete {
        void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
    };

    // libwebp writes Qt's 32-bit pixels in the byte order of the machine.
    constexpr WEBP_CSP_MODE QtArgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

} // namespace

bool webpFeatures(QByteArrayView head, qint64 fileSize, WebPBitstreamFeatures& features)
{
    const auto* data = reinterpret_cast<const uint8_t*>(head.data());
    const VP8StatusCode status = WebPGetFeatures(data, size_t(head.size()), &features);
    if (status == VP8_STATUS_OK)
        return true;
    if (status != VP8_STATUS_NOT_ENOUGH_DATA || head.size() >= fileSize || head.size() < CanvasAt + 6
        || head.sliced(Vp8xAt, 4) != QByteArrayView("VP8X"))
        return false;
    const int flags = uchar(head[Vp8xAt + 8]);
    features.width = int(le24(head, CanvasAt) + 1);
    features.height = int(le24(head, CanvasAt + 3) + 1);
    features.has_alpha = (flags & AlphaFlag) != 0;
    features.has_animation = (flags & AnimationFlag) != 0;
    features.format = 2;
    return true;
}

qint64 webpStillCost(const WebPBitstreamFeatures& features, QSize size)
{
    const qint64 pixels = qint64(features.width) * features.height;
    qint64 cost = imageBytes(size, 4) + RowBytesPerColumn * features.width;
    // A lossless bitstream is decoded whole into ARGB, beside its transforms' data; a lossy one's alpha
    // plane is kept whole, and is itself a lossless bitstream.
    if (features.format != 1)
        cost += 5 * pixels;
    else if (features.has_alpha)
        cost += 6 * pixels;
    return cost;
}

WebpStill decodeWebpStill(QByteArrayView bytes, QSize size, const std::atomic<bool>* cancelled)
{
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(data, size_t(bytes.size()), &config.input) != VP8_STATUS_OK)
        return { {}, false, QStringLiteral("not a WebP picture") };
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        return { {}, false, QStringLiteral("no memory for the picture") };
    if (size != QSize(config.input.width, config.input.height)) {
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width();
        config.options.scaled_height = size.height();
    }
    config.output.colorspace = QtArgb32;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const std::unique_ptr<WebPIDecoder, IdecDelete> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return { {}, false, QStringLiteral("the decoder could not be made") };
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (qsizetype given = 0; given < bytes.size() && status == VP8_STATUS_SUSPENDED;) {
        if (cancelled && cancelled->load())
            return { {}, false, QStringLiteral("cancelled") };
        given = std::min(bytes.size(), given + Increment);
        status = WebPIUpdate(decoder.get(), data, size_t(given));
    }
    int rows = 0;
    WebPIDecGetRGB(decoder.get(), &rows, nullptr, nullptr, nullptr);
    if (status == VP8_STATUS_OK) {
        if (!config.input.has_alpha)
            image.reinterpretAsFormat(QImage::Format_RGB32); // every pixel is opaque
        return { image, false, {} };
    }
    // The bytes ended before the picture did: the rows decoded show, the rest is blank.
    if (status != VP8_STATUS_SUSPENDED || rows <= 0)
        return { {}, false, QStringLiteral("the WebP picture is damaged or holds no rows") };
    for (int y = rows; y < image.height(); ++y)
        std::memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
    return { image, true, {} };
}

} // namespace tl
