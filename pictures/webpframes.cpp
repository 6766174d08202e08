#include "pictures/webpframes.h"

#include "pictures/decodebudget.h"
#include "pictures/decodecost.h"
#include "pictures/decoding.h"
#include "pictures/exif.h"
#include "pictures/webpstill.h"

#include <QPainter>

#include <QtEndian>
#include <cstring>
#include <memory>
#include <webp/demux.h>

namespace tl {

namespace {

    // The canvases of the decoder, the copy a caller holds, and that copy turned as the EXIF block says.
    constexpr int CanvasesAStep = 4;
    // A frame's own decode: a lossless one is decoded whole into ARGB beside its transforms' data.
    constexpr int FrameBytesPerPixel = 6;
    constexpr qint64 RowBytesPerColumn = 256;

    constexpr WEBP_CSP_MODE QtArgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

    WebPData webpData(const QByteArray& bytes)
    {
        return { reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()) };
    }

    WebPAnimDecoder* animDecoder(const QByteArray& bytes)
    {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return nullptr;
        options.color_mode = QtArgb32;
        options.use_threads = 0;
        const WebPData data = webpData(bytes);
        return WebPAnimDecoderNew(&data, &options);
    }

    struct AnimDelete {
        void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
    };

    // The canvas the decoder gives, copied: the decoder draws the next frame over its own.
    QImage canvasCopy(const uint8_t* canvas, QSize size)
    {
        QImage image(size, QImage::Format_ARGB32);
        if (image.isNull())
            return {};
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(image.scanLine(y), canvas + qsizetype(y) * size.width() * 4, size_t(size.width()) * 4);
        return image;
    }

} // namespace

WebpExtended webpExtended(const QByteArray& bytes)
{
    WebpExtended found;
    const WebPData data = webpData(bytes);
    WebPDemuxState state;
    WebPDemuxer* demux = WebPDemuxPartial(&data, &state);
    if (!demux)
        return found;
    const uint32_t flags = WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS);
    WebPChunkIterator chunk;
    if ((flags & ICCP_FLAG) && WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        if (qint64(chunk.chunk.size) <= ColourProfileLimit)
            found.profile = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes), qsizetype(chunk.chunk.size));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if ((flags & EXIF_FLAG) && WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        const char* exif = reinterpret_cast<const char*>(chunk.chunk.bytes);
        found.orientation = readExifBlock(QByteArray::fromRawData(exif, qsizetype(chunk.chunk.size))).orientation;
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
    return found;
}

qint64 webpAnimationStepCost(QSize canvas)
{
    const qint64 pixels = qint64(std::max(canvas.width(), 0)) * std::max(canvas.height(), 0);
    return CanvasesAStep * imageBytes(canvas, 4) + FrameBytesPerPixel * pixels
        + RowBytesPerColumn * std::max(canvas.width(), 0);
}

namespace {

    quint32 le24(const QByteArray& bytes, qsizetype at)
    {
        return quint32(uchar(bytes[at])) | quint32(uchar(bytes[at + 1])) << 8 | quint32(uchar(bytes[at + 2])) << 16;
    }

    // A file cut short, which neither the demuxer nor the animation decoder reads: its chunks are walked
    // to the first frame, whose bitstream is decoded as far as the file holds it, at its place on the
    // clear canvas.
    WebpFirstFrame firstFrameOfCutFile(const QByteArray& bytes, const std::atomic<bool>* cancelled)
    {
        const WebpFirstFrame damaged { {}, QStringLiteral("the WebP animation is damaged"), false };
        constexpr qsizetype FirstChunk = 12, FrameHeader = 16;
        if (bytes.size() < FirstChunk + 18
            || quint64(qFromLittleEndian<quint32>(bytes.constData() + 4)) + 8 <= quint64(bytes.size()))
            return damaged;
        const QSize canvas(int(le24(bytes, 24) + 1), int(le24(bytes, 27) + 1));
        qsizetype at = FirstChunk;
        while (at + 8 + FrameHeader <= bytes.size() && bytes.mid(at, 4) != "ANMF")
            at += 8 + (qsizetype(qFromLittleEndian<quint32>(bytes.constData() + at + 4)) + 1) / 2 * 2;
        if (at + 8 + FrameHeader > bytes.size())
            return damaged;
        const QPoint place(2 * int(le24(bytes, at + 8)), 2 * int(le24(bytes, at + 11)));
        const QSize size(int(le24(bytes, at + 14) + 1), int(le24(bytes, at + 17) + 1));
        // A frame stays within the canvas, whose cost the caller holds.
        if (!QRect(QPoint(), canvas).contains(QRect(place, size)))
            return damaged;
        const WebpStill still = decodeWebpStill(QByteArrayView(bytes).sliced(at + 8 + FrameHeader), size, cancelled);
        QImage image(canvas, QImage::Format_ARGB32);
        if (still.image.isNull() || image.isNull())
            return damaged;
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(place, still.image);
        painter.end();
        return { std::move(image), {}, true };
    }

} // namespace

WebpFirstFrame webpFirstFrame(const QByteArray& bytes, const std::atomic<bool>* cancelled)
{
    const std::unique_ptr<WebPAnimDecoder, AnimDelete> decoder(animDecoder(bytes));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        return firstFrameOfCutFile(bytes, cancelled);
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return { {}, QStringLiteral("the WebP animation has no frame that decodes") };
    return { canvasCopy(canvas, QSize(int(info.canvas_width), int(info.canvas_height))), {}, false };
}

WebpFrames::WebpFrames(QByteArray bytes, qint64 heldBytes)
    : bytes_(std::move(bytes))
    , heldBytes_(heldBytes)
{
    // The demuxer reads the chunks' headers only: no pixel is allocated.
    const WebPData data = webpData(bytes_);
    if (WebPDemuxer* demux = WebPDemux(&data)) {
        if (WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) {
            playing_.frames = int(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT));
            playing_.plays = int(WebPDemuxGetI(demux, WEBP_FF_LOOP_COUNT));
            const WebpExtended extended = webpExtended(bytes_);
            orientation_ = extended.orientation;
            conversion_ = toSrgb(extended.profile);
            stepCost_ = webpAnimationStepCost(QSize(
                int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH)), int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT))));
        }
        WebPDemuxDelete(demux);
    }
    ended_ = !playing_.animated() || stepCost_ < 0;
}

WebpFrames::~WebpFrames()
{
    end();
    releaseHeldBytes(heldBytes_);
}

void WebpFrames::end()
{
    ended_ = true;
    WebPAnimDecoderDelete(std::exchange(decoder_, nullptr));
}

bool WebpFrames::rewind()
{
    if (playsStarted_ > 0 && playing_.plays != 0 && playsStarted_ >= playing_.plays)
        return false;
    if (decoder_)
        WebPAnimDecoderReset(decoder_);
    else
        decoder_ = animDecoder(bytes_);
    ++playsStarted_;
    lastTimestamp_ = 0;
    return decoder_ != nullptr;
}

AnimationFrame WebpFrames::next(const std::atomic<bool>* cancelled)
{
    if (ended_)
        return {};
    AnimationFrame frame;
    const auto step = [&] {
        if ((!decoder_ || !WebPAnimDecoderHasMoreFrames(decoder_)) && !rewind())
            return;
        WebPAnimInfo info;
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetInfo(decoder_, &info) || !WebPAnimDecoderGetNext(decoder_, &canvas, &timestamp))
            return;
        QImage image = canvasCopy(canvas, QSize(int(info.canvas_width), int(info.canvas_height)));
        if (image.isNull())
            return;
        image = conversion_.applied(orientedImage(std::move(image), orientation_));
        ++framesRead_;
        frame = { std::move(image), playedDelay(timestamp - lastTimestamp_) };
        lastTimestamp_ = timestamp;
    };
    if (!runWithinDecodeBudget(stepCost_, cancelled, step) || frame.image.isNull()) {
        end();
        return {};
    }
    return frame;
}

} // namespace tl
