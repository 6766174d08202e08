#pragma once

// Animated WebPs: the frames as they play, through libwebp's animation decoder, which composites each
// frame on a canvas of its own by the frames' blending and disposal, turned and put in sRGB as the file's
// EXIF block and profile say; and the first frame alone, as a still picture of the animation shows it.

#include "pictures/animation.h"
#include "pictures/colour.h"

#include <QSize>

struct WebPAnimDecoder;

namespace tl {

struct WebpExtended {
    QByteArray profile; // empty when there is none, or it is larger than ColourProfileLimit
    int orientation = 1;
};

// The profile and the EXIF orientation the extended WebP `bytes` carries, from chunks it holds whole.
WebpExtended webpExtended(const QByteArray& bytes);

// What a step of an animation on a canvas of `canvas` allocates: the decoder's canvas and the one it
// keeps to dispose a frame to, the copy of the canvas a caller holds and that copy turned, and the decode
// of a frame as large as the canvas.
qint64 webpAnimationStepCost(QSize canvas);

struct WebpFirstFrame {
    QImage image; // the canvas after the first frame (ARGB32); null when it cannot be made
    QString why;
    bool incomplete = false; // the file is cut short: the first frame shows what it holds of it
};

// The first frame of the animated WebP `bytes` on its canvas; the caller holds the budget for a step.
// A file cut short, which the animation decoder refuses, has the part of its first frame it holds drawn
// on the clear canvas, as the first frame of an animation always is.
WebpFirstFrame webpFirstFrame(const QByteArray& bytes, const std::atomic<bool>* cancelled);

class WebpFrames : public AnimationFrames {
public:
    explicit WebpFrames(QByteArray bytes, qint64 heldBytes = 0);
    ~WebpFrames() override;
    WebpFrames(const WebpFrames&) = delete;
    WebpFrames& operator=(const WebpFrames&) = delete;

    const AnimationPlaying& playing() const override { return playing_; }
    qint64 stepCost() const override { return stepCost_; }
    AnimationFrame next(const std::atomic<bool>* cancelled = nullptr) override;
    int framesRead() const override { return framesRead_; }

private:
    bool rewind();
    void end();

    QByteArray bytes_;
    qint64 heldBytes_;
    AnimationPlaying playing_;
    qint64 stepCost_ = -1;
    int orientation_ = 1;
    ToSrgb conversion_;
    WebPAnimDecoder* decoder_ = nullptr;
    int playsStarted_ = 0;
    int lastTimestamp_ = 0; // when the frame before ended, from the start of the play
    int framesRead_ = 0;
    bool ended_ = false;
};

} // namespace tl
