#include "pictures/animation.h"

#include "pictures/decodecost.h"
#include "pictures/decoding.h"
#include "pictures/pictureformat.h"
#include "pictures/regularfile.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace tl {

namespace {

    constexpr int ShortestDelay = 20;
    constexpr int DelayForShort = 100;

    // The canvas the decoder draws on, the copy of it a caller holds while the next frame is drawn, and
    // the area it keeps to restore under a frame, at most the canvas again.
    constexpr int CanvasesAStep = 3;

    // The file is read in chunks: a cancelled read stops between two of them.
    constexpr qint64 ReadChunk = qint64(1) << 20;

    bool isLoopExtension(const QByteArray& bytes, qsizetype at)
    {
        const QByteArrayView name = QByteArrayView(bytes).sliced(at, 11);
        return name == "NETSCAPE2.0" || name == "ANIMEXTS1.0";
    }

} // namespace

GifPlaying gifPlaying(const QByteArray& bytes)
{
    GifPlaying playing;
    const qsizetype size = bytes.size();
    if (size < 13 || pictureFormatOf(bytes.left(FormatHeadBytes)) != PictureFormat::Gif)
        return playing;
    const auto byte = [&](qsizetype at) { return uchar(bytes[at]); };
    // The data blocks from `at`, each led by its length, up to the empty one; where they end, or past
    // the file when it is cut short.
    const auto skipBlocks = [&](qsizetype at) {
        while (at < size && byte(at) != 0)
            at += 1 + byte(at);
        return at + 1;
    };
    bool loopSeen = false;
    qsizetype at = 13;
    if (byte(10) & 0x80)
        at += 3 * (2 << (byte(10) & 7));
    while (at < size) {
        if (byte(at) == ',') {
            if (at + 10 > size)
                break;
            const uchar flags = byte(at + 9);
            at += 10;
            if (flags & 0x80)
                at += 3 * (2 << (flags & 7));
            at = skipBlocks(at + 1); // past the code size, then the frame's data
            if (at > size)
                break;
            ++playing.frames;
        } else if (byte(at) == '!' && at + 1 < size) {
            // The first loop extension counts: its first data block names it, its second holds the count.
            if (!loopSeen && byte(at + 1) == 0xff && at + 2 + 12 + 4 <= size && byte(at + 2) == 11
                && isLoopExtension(bytes, at + 3) && byte(at + 14) >= 3 && byte(at + 15) == 1) {
                loopSeen = true;
                const int count = qFromLittleEndian<quint16>(bytes.constData() + at + 16);
                playing.plays = count == 0 ? 0 : count + 1;
            }
            at = skipBlocks(at + 2);
        } else {
            break; // the trailer, or damage
        }
    }
    return playing;
}

int playedDelay(int fileDelay) { return fileDelay < ShortestDelay ? DelayForShort : fileDelay; }

GifFrames::GifFrames(QByteArray bytes, qint64 heldBytes)
    : bytes_(std::move(bytes))
    , heldBytes_(heldBytes)
    , playing_(gifPlaying(bytes_))
{
    const qint64 canvas = declaredCost(bytes_.left(CostHeadBytes), bytes_.size(), {});
    if (canvas > 0)
        stepCost_ = CanvasesAStep * canvas;
    ended_ = !playing_.animated() || stepCost_ < 0;
}

GifFrames::~GifFrames()
{
    reader_.reset();
    buffer_.reset();
    releaseHeldBytes(heldBytes_);
}

std::unique_ptr<GifFrames> GifFrames::readFile(const QString& path, const std::atomic<bool>* cancelled)
{
    QFile file;
    QString why;
    if (!openRegularFile(file, path, why) || pictureFormatOf(file.peek(FormatHeadBytes)) != PictureFormat::Gif)
        return {};
    const qint64 size = file.size();
    if (size > HeldFileLimit || !reserveHeldBytes(size))
        return {};
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size && !(cancelled && cancelled->load())) {
        const qint64 read = file.read(bytes.data() + got, std::min(ReadChunk, size - got));
        if (read <= 0)
            break;
        got += read;
    }
    if (got < size) {
        releaseHeldBytes(size);
        return {};
    }
    return std::make_unique<GifFrames>(std::move(bytes), size);
}

bool GifFrames::rewind()
{
    if (playsStarted_ > 0 && playing_.plays != 0 && playsStarted_ >= playing_.plays)
        return false;
    reader_.reset();
    buffer_ = std::make_unique<QBuffer>();
    buffer_->setData(bytes_);
    buffer_->open(QIODevice::ReadOnly);
    reader_ = std::make_unique<QImageReader>(buffer_.get(), qtFormatName(PictureFormat::Gif));
    reader_->setAutoDetectImageFormat(false);
    ++playsStarted_;
    framesInPlay_ = 0;
    return true;
}

AnimationFrame GifFrames::next(const std::atomic<bool>* cancelled)
{
    if (ended_)
        return {};
    AnimationFrame frame;
    const auto step = [&] {
        if ((!reader_ || framesInPlay_ == playing_.frames) && !rewind())
            return;
        QImage image = reader_->read();
        // A frame the walk saw that the decoder cannot give is damage, as is a frame of another size
        // or format than the canvas it is drawn on.
        if (image.isNull() || (size_.isValid() && image.size() != size_)
            || image.sizeInBytes() > stepCost_ / CanvasesAStep)
            return;
        size_ = image.size();
        ++framesInPlay_;
        ++framesRead_;
        frame = { std::move(image), playedDelay(reader_->nextImageDelay()) };
    };
    if (!runWithinDecodeBudget(stepCost_, cancelled, step) || frame.image.isNull()) {
        ended_ = true;
        reader_.reset();
        buffer_.reset();
        return {};
    }
    return frame;
}

} // namespace tl
