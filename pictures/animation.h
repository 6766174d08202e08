#pragma once

// Animations read a frame at a time, each frame composited onto the frames before it by the file's
// disposal methods and transparency: GIFs here, WebPs in webpframes.h, both behind AnimationFrames.
// Only the frame being made and the decoder's own canvas are held, whatever the number of frames: an
// animation of thousands of frames costs a few frames' memory.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <atomic>
#include <memory>

class QBuffer;
class QIODevice;
class QImageReader;

namespace tl {

// What an animation's headers say of its playing.
struct AnimationPlaying {
    int frames = 0; // the frames whose descriptors the file holds, up to its end or its first damage
    // How many times the frames play in all, 0 for ever. A GIF plays once without a loop extension, for
    // ever when its count is 0, else one more than its count (the count is of the times played again
    // after the first); a WebP as many times as its loop count says.
    int plays = 1;
    bool cut = false; // the file ends inside a block: a frame, or what leads to one, is cut short
    bool animated() const { return frames > 1; }
};
using GifPlaying = AnimationPlaying;

// Walks the blocks of the GIF `bytes`, skipping their data. A file of another format has no frames.
GifPlaying gifPlaying(const QByteArray& bytes);
// The same of the GIF `device` holds from where it is, `size` bytes, read forward a window at a time.
// A read cancelled through `cancelled`, or one that fails, ends the walk there, as the file's end.
GifPlaying gifPlaying(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled = nullptr);

// A frame's delay as it plays: the file's own, in milliseconds, except that one under 20 ms (a
// file's "as fast as you can") is taken as 100 ms.
int playedDelay(int fileDelay);

struct AnimationFrame {
    QImage image; // null once the animation has played out, or at a frame that failed
    int delay = 0; // how long the frame shows, in milliseconds (playedDelay applied)
};

// The frames of one animation, read in order. Not for two threads at once: one step at a time, from
// any thread.
class AnimationFrames {
public:
    virtual ~AnimationFrames() = default;
    virtual const AnimationPlaying& playing() const = 0;
    // What one step holds at most, the decoder's canvas and the copy of it a caller still holds among
    // it. -1 when the headers do not tell it.
    virtual qint64 stepCost() const = 0;
    // The next frame in the order it plays, back to the first frame after the last while plays are
    // left. Each step holds its cost of the decode budget while it runs. A step that cannot fit, a frame
    // that fails, and a cancelled wait end the animation at the last good frame: every later step gives
    // the null frame.
    virtual AnimationFrame next(const std::atomic<bool>* cancelled = nullptr) = 0;
    // How many frames next has given so far, counting each play.
    virtual int framesRead() const = 0;
};

// The frames of `bytes` when they are a GIF's or a WebP's, told by their first bytes; null for any
// other format. `heldBytes` of them are counted against the budget for held bytes and given back when
// the frames end.
std::unique_ptr<AnimationFrames> animationFrames(QByteArray bytes, qint64 heldBytes = 0);
// The frames of the file `path`, read whole on the calling thread when it is a regular GIF or WebP file
// of a size the budget for held bytes allows; null when it is none, cannot be read, is too large, or the
// read is cancelled.
std::unique_ptr<AnimationFrames> readAnimationFile(const QString& path, const std::atomic<bool>* cancelled = nullptr);

// The frames of one animated GIF. A frame that is not the size of the first is damage.
class GifFrames : public AnimationFrames {
public:
    explicit GifFrames(QByteArray bytes, qint64 heldBytes = 0);
    ~GifFrames() override;
    GifFrames(const GifFrames&) = delete;
    GifFrames& operator=(const GifFrames&) = delete;

    const GifPlaying& playing() const override { return playing_; }
    // Also the area kept to restore under a frame.
    qint64 stepCost() const override { return stepCost_; }
    AnimationFrame next(const std::atomic<bool>* cancelled = nullptr) override;
    int framesRead() const override { return framesRead_; }

private:
    bool rewind();

    QByteArray bytes_;
    qint64 heldBytes_;
    GifPlaying playing_;
    qint64 stepCost_ = -1;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QImageReader> reader_;
    int playsStarted_ = 0;
    int framesInPlay_ = 0;
    int framesRead_ = 0;
    QSize size_;
    bool ended_ = false;
};

} // namespace tl
