#include "pictures/animation.h"

#include "pictures/decodecost.h"
#include "pictures/decoding.h"
#include "pictures/pictureformat.h"

#include <QBuffer>
#include <QImageReader>

namespace tl {

namespace {

    constexpr int ShortestDelay = 20;
    constexpr int DelayForShort = 100;

    // The canvas the decoder draws on, the copy of it a caller holds while the next frame is drawn, and
    // the area it keeps to restore under a frame, at most the canvas again.
    constexpr int CanvasesAStep = 3;

    // The bytes of a file in memory.
    struct BytesInMemory {
        const QByteArray& bytes;
        qint64 size() const { return bytes.size(); }
        int operator[](qint64 at) const { return uchar(bytes[at]); }
    };

    // The bytes of a file on a device, read forward through a window; a byte before the window is
    // read again.
    class BytesOnDevice {
    public:
        BytesOnDevice(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
            : device_(device)
            , start_(device.pos())
            , size_(size)
            , cancelled_(cancelled)
        {
        }
        qint64 size() const { return size_; }
        // A byte the device cannot give ends the file there.
        int operator[](qint64 at)
        {
            if (at < windowAt_ || at >= windowAt_ + window_.size()) {
                window_.clear();
                windowAt_ = at;
                if (!(cancelled_ && cancelled_->load()) && device_.seek(start_ + at))
                    window_ = device_.read(std::min(Window, size_ - at));
                if (window_.isEmpty()) {
                    size_ = at;
                    return 0;
                }
            }
            return uchar(window_[at - windowAt_]);
        }

    private:
        static constexpr qint64 Window = 64 * 1024;
        QIODevice& device_;
        qint64 start_;
        qint64 size_;
        const std::atomic<bool>* cancelled_;
        QByteArray window_;
        qint64 windowAt_ = 0;
    };

    // Each byte is asked for before the size is trusted: a device that ends early makes it smaller.
    template <class Bytes> GifPlaying walkGif(Bytes& bytes)
    {
        GifPlaying playing;
        const auto byte = [&](qint64 at) { return at < bytes.size() ? bytes[at] : 0; };
        const auto within = [&](qint64 at) {
            byte(at);
            return at < bytes.size();
        };
        if (!within(12))
            return playing;
        QByteArray head;
        for (int i = 0; i < FormatHeadBytes && within(i); ++i)
            head.append(char(byte(i)));
        if (pictureFormatOf(head) != PictureFormat::Gif)
            return playing;
        // The data blocks from `at`, each led by its length, up to the empty one; where they end, or past
        // the file when it is cut short.
        const auto skipBlocks = [&](qint64 at) {
            while (within(at) && byte(at) != 0)
                at += 1 + byte(at);
            return within(at) ? at + 1 : bytes.size() + 1;
        };
        bool loopSeen = false;
        qint64 at = 13;
        if (byte(10) & 0x80)
            at += 3 * (2 << (byte(10) & 7));
        while (within(at)) {
            if (byte(at) == ',') {
                if (!within(at + 9)) {
                    playing.cut = true;
                    break;
                }
                const int flags = byte(at + 9);
                at += 10;
                if (flags & 0x80)
                    at += 3 * (2 << (flags & 7));
                at = skipBlocks(at + 1); // past the code size, then the frame's data
                if (at > bytes.size()) {
                    playing.cut = true;
                    break;
                }
                ++playing.frames;
            } else if (byte(at) == '!') {
                // The first loop extension counts: its first data block names it, its second holds the count.
                if (!loopSeen && within(at + 17) && byte(at + 1) == 0xff && byte(at + 2) == 11) {
                    QByteArray name(11, '\0');
                    for (int i = 0; i < 11; ++i)
                        name[i] = char(byte(at + 3 + i));
                    if ((name == "NETSCAPE2.0" || name == "ANIMEXTS1.0") && byte(at + 14) >= 3 && byte(at + 15) == 1) {
                        loopSeen = true;
                        const int count = byte(at + 16) | byte(at + 17) << 8;
                        playing.plays = count == 0 ? 0 : count + 1;
                    }
                }
                at = skipBlocks(at + 2);
                playing.cut = at > bytes.size();
            } else {
                break; // the trailer, or damage
            }
        }
        return playing;
    }

} // namespace

GifPlaying gifPlaying(const QByteArray& bytes)
{
    BytesInMemory inMemory { bytes };
    return walkGif(inMemory);
}

GifPlaying gifPlaying(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
{
    BytesOnDevice onDevice(device, size, cancelled);
    return walkGif(onDevice);
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
