#pragma once

// WebP files made with libwebp's own encoder for the tests: lossy and lossless stills, animations, and
// files with a profile or an EXIF block in their chunks.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace tl::test {

inline QByteArray webpBytes(uint8_t* output, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(output), qsizetype(size));
    WebPFree(output);
    return bytes;
}

// `image` as a lossy WebP, or a lossless one; its alpha channel kept when it has one.
inline QByteArray webpFile(const QImage& image, bool lossless = false, float quality = 90)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    uint8_t* output = nullptr;
    const auto* pixels = argb.constBits();
    const int stride = int(argb.bytesPerLine());
    const size_t size = lossless ? WebPEncodeLosslessBGRA(pixels, argb.width(), argb.height(), stride, &output)
                                 : WebPEncodeBGRA(pixels, argb.width(), argb.height(), stride, quality, &output);
    return webpBytes(output, size);
}

// `webp` with `data` in a chunk of `fourcc` ("ICCP", "EXIF"), which makes it an extended file.
inline QByteArray webpWithChunk(const QByteArray& webp, const char* fourcc, const QByteArray& data)
{
    const WebPData in { reinterpret_cast<const uint8_t*>(webp.constData()), size_t(webp.size()) };
    const WebPData chunk { reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()) };
    WebPMux* mux = WebPMuxCreate(&in, 1);
    WebPData out { nullptr, 0 };
    if (mux && WebPMuxSetChunk(mux, fourcc, &chunk, 1) == WEBP_MUX_OK)
        WebPMuxAssemble(mux, &out);
    WebPMuxDelete(mux);
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), qsizetype(out.size));
    WebPDataClear(&out);
    return bytes;
}

// An EXIF block as a WebP carries it: the TIFF structure of IFD0 with the orientation alone.
inline QByteArray exifBlock(int orientation)
{
    QByteArray block("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
    return block + char(0) + char(orientation) + QByteArray(6, '\0');
}

// An animation of `frames` (each the canvas's size) shown for `delays` ms, played `loops` times (0 for
// ever); lossless unless said.
inline QByteArray webpAnimation(const QList<QImage>& frames, const QList<int>& delays, int loops, bool lossless = true)
{
    const QSize canvas = frames.first().size();
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    options.anim_params.loop_count = loops;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(canvas.width(), canvas.height(), &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = lossless;
    int timestamp = 0;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const QImage argb = frames[i].convertToFormat(QImage::Format_ARGB32);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = argb.width();
        picture.height = argb.height();
        WebPPictureImportBGRA(&picture, argb.constBits(), int(argb.bytesPerLine()));
        WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += delays[i];
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData out { nullptr, 0 };
    WebPAnimEncoderAssemble(encoder, &out);
    WebPAnimEncoderDelete(encoder);
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), qsizetype(out.size));
    WebPDataClear(&out);
    return bytes;
}

// The first frame of an animated WebP on its canvas, by libwebp's own animation decoder.
inline QImage webpFirstFrameDecoded(const QByteArray& webp)
{
    const WebPData data { reinterpret_cast<const uint8_t*>(webp.constData()), size_t(webp.size()) };
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    QImage image;
    if (decoder && WebPAnimDecoderGetInfo(decoder, &info) && WebPAnimDecoderGetNext(decoder, &canvas, &timestamp))
        image = QImage(canvas, int(info.canvas_width), int(info.canvas_height), QImage::Format_ARGB32).copy();
    WebPAnimDecoderDelete(decoder);
    return image;
}

// `webp`, an extended file, with a canvas of `width` x `height` in its header.
inline QByteArray webpCanvasSaying(QByteArray webp, int width, int height)
{
    for (int i = 0; i < 3; ++i) {
        webp[24 + i] = char((width - 1) >> (8 * i));
        webp[27 + i] = char((height - 1) >> (8 * i));
    }
    return webp;
}

// `webp` with the size of its chunk `fourcc` (the first one; "RIFF" for the file's) said to be `size`.
inline QByteArray webpChunkSaying(QByteArray webp, const char* fourcc, quint32 size)
{
    const qsizetype at = webp.indexOf(fourcc);
    for (int i = 0; i < 4; ++i)
        webp[at + 4 + i] = char(size >> (8 * i));
    return webp;
}

// The animation `webp` with its first frame said to be of `size`.
inline QByteArray webpFrameSaying(QByteArray webp, QSize size)
{
    const qsizetype at = webp.indexOf("ANMF") + 8 + 6;
    for (int i = 0; i < 3; ++i) {
        webp[at + i] = char((size.width() - 1) >> (8 * i));
        webp[at + 3 + i] = char((size.height() - 1) >> (8 * i));
    }
    return webp;
}

// A lossless WebP of a few pixels whose header says it is `width` x `height`.
inline QByteArray webpLosslessSaying(int width, int height)
{
    QImage few(4, 4, QImage::Format_RGB32);
    few.fill(Qt::gray);
    QByteArray webp = webpFile(few, true);
    const quint32 kept = qFromLittleEndian<quint32>(webp.constData() + 21) & 0xf0000000u; // alpha, version
    qToLittleEndian(kept | quint32(width - 1) | quint32(height - 1) << 14, webp.data() + 21);
    return webp;
}

// A WebP whose header says animation and whose chunks hold no frame.
inline QByteArray webpAnimationWithoutFrames()
{
    QByteArray vp8x = QByteArray("VP8X\x0a\0\0\0\x02", 9) + QByteArray(9, '\0');
    QByteArray anim = QByteArray("ANIM\x06\0\0\0", 8) + QByteArray(6, '\0');
    return QByteArray("RIFF\x24\0\0\0WEBP", 12) + vp8x + anim;
}

// A WebP decoded whole by libwebp itself, RGB32 when it is opaque; an animation's first frame; null when
// it is no WebP.
inline QImage webpDecoded(const QByteArray& webp)
{
    const auto* data = reinterpret_cast<const uint8_t*>(webp.constData());
    WebPBitstreamFeatures features;
    int width = 0, height = 0;
    if (WebPGetFeatures(data, size_t(webp.size()), &features) != VP8_STATUS_OK)
        return {};
    if (features.has_animation)
        return webpFirstFrameDecoded(webp);
    uint8_t* pixels = WebPDecodeBGRA(data, size_t(webp.size()), &width, &height);
    if (!pixels)
        return {};
    const QImage image = QImage(pixels, width, height, QImage::Format_ARGB32)
                             .convertToFormat(features.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                             .copy(); // before the pixels are freed
    WebPFree(pixels);
    return image;
}

} // namespace tl::test
