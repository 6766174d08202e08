#pragma once

// Small animations for the animation tests: 4 x 4 frames of one colour of a four-colour palette, as
// GIFs and WebPs, and what they show as they play.

#include "picture_files.h"
#include "pictures/animation.h"
#include "pictures/picture.h"
#include "webp_files.h"

#include <QFile>

namespace tl::test {

inline const QList<QRgb> Palette = { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255) };

// A frame of one colour over the whole 4 x 4 screen.
inline GifFrameSpec whole(int index, int delay, int disposal = 1)
{
    return { QRect(0, 0, 4, 4), QByteArray(16, char(index)), delay, disposal };
}

// The 4 x 4 GIF of `frames` whole frames of the colours 0, 1, 2, ... with these delays.
inline QByteArray colours(const QList<int>& delays, int loops = -1)
{
    QList<GifFrameSpec> frames;
    for (int i = 0; i < delays.size(); ++i)
        frames.append(whole(i % 4, delays[i]));
    return animatedGif({ 4, 4 }, Palette, frames, loops);
}

// The same as a 4 x 4 WebP, its delays in milliseconds, played `plays` times (0 for ever).
inline QByteArray webpColours(const QList<int>& delays, int plays)
{
    QList<QImage> frames;
    for (int i = 0; i < delays.size(); ++i) {
        frames.append(QImage(4, 4, QImage::Format_RGB32));
        frames.last().fill(Palette[i % 4]);
    }
    return webpAnimation(frames, delays, plays);
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline int colourIndex(const QImage& image, QPoint at = { 0, 0 })
{
    return image.isNull() ? -1 : int(Palette.indexOf(image.pixel(at) | 0xff000000));
}

// The colours of up to `most` frames, and their delays, until the frames end.
inline std::pair<QList<int>, QList<int>> playOut(AnimationFrames& frames, int most, QPoint at = { 0, 0 })
{
    QList<int> shown, delays;
    for (AnimationFrame frame = frames.next(); !frame.image.isNull() && shown.size() < most; frame = frames.next()) {
        shown.append(colourIndex(frame.image, at));
        delays.append(frame.delay);
    }
    return { shown, delays };
}

} // namespace tl::test
