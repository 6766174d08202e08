// Animations opened from bytes in memory or read whole from their file, their format told by their
// first bytes.

#include "pictures/animation.h"
#include "pictures/decoding.h"
#include "pictures/pictureformat.h"
#include "pictures/regularfile.h"
#include "pictures/webpframes.h"

namespace tl {

namespace {

    bool plays(PictureFormat format) { return format == PictureFormat::Gif || format == PictureFormat::Webp; }

} // namespace

std::unique_ptr<AnimationFrames> animationFrames(QByteArray bytes, qint64 heldBytes)
{
    switch (pictureFormatOf(bytes.left(FormatHeadBytes))) {
    case PictureFormat::Gif:
        return std::make_unique<GifFrames>(std::move(bytes), heldBytes);
    case PictureFormat::Webp:
        return std::make_unique<WebpFrames>(std::move(bytes), heldBytes);
    default:
        releaseHeldBytes(heldBytes);
        return {};
    }
}

std::unique_ptr<AnimationFrames> readAnimationFile(const QString& path, const std::atomic<bool>* cancelled)
{
    QFile file;
    QString why;
    if (!openRegularFile(file, path, why) || !plays(pictureFormatOf(file.peek(FormatHeadBytes))))
        return {};
    const qint64 size = file.size();
    if (size > HeldFileLimit || !reserveHeldBytes(size))
        return {};
    QByteArray bytes = readUpTo(file, size, cancelled);
    if (bytes.size() < size) {
        releaseHeldBytes(size);
        return {};
    }
    return animationFrames(std::move(bytes), size);
}

} // namespace tl
