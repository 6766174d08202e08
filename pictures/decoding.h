#pragma once

// Decoding one picture file under the process's memory budgets. Used by the picture loaders;
// safe to call from any thread.

#include "pictures/decodebudget.h"
#include "pictures/picture.h"

#include <QIODevice>
#include <QImage>
#include <QString>
#include <atomic>
#include <functional>

namespace tl {

class JpegDecoder;

struct Decoded {
    QImage image; // null when the picture cannot be decoded
    QSize natural; // the picture's own size, orientation applied
    QString why; // the reason, when `image` is null
    PictureFailure failure = PictureFailure::None; // its kind
    bool incomplete = false; // the file ended before the picture did: the image shows what it holds
};

// Decodes the picture `device` holds (open, at its start, `size` bytes long): a BMP, GIF, JPEG, PNG, WebP, AVIF or
// icon, told by its content; anything else is no picture (PictureFailure::NotAPicture). With an empty `cell` the result
// is the full picture; otherwise an image of exactly `cell`'s size in full colour, decoded at reduced size where the
// format allows. EXIF orientation is applied either way. A decode that would pass the memory budget waits for others to
// end; a load cancelled through `cancelled` while it waits gives no picture.
Decoded decodePicture(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled = nullptr);

// The size a picture of the given natural size (orientation applied) is shown at, in device pixels; the
// empty size for its natural size.
using ShownFor = std::function<QSize(QSize natural)>;

// Decodes the picture `device` holds for viewing at the size `shownFor` gives once the headers tell the
// picture's natural size: a JPEG at the smallest n/8 scale that covers that size, kept at that scale (its
// budget and its colour conversion cost that much); every other format in full. `natural` is the full
// picture's size either way.
Decoded decodePictureForView(
    QIODevice& device, qint64 size, const ShownFor& shownFor, const std::atomic<bool>* cancelled = nullptr);

// A cell of `cell`'s size made from `firstScans`, the head of a progressive JPEG that readFirstScans()
// gave for the cell's scale: decoded from the scans that scale needs.
Decoded decodeFirstScans(const QByteArray& firstScans, QSize cell, const std::atomic<bool>* cancelled = nullptr);

// A cell of `cell`'s size made from the camera's thumbnail in the EXIF block of the JPEG whose headers
// `photo` has read, with the photo's natural size. Only a thumbnail that decodes whole, shows the same
// picture (same shape, or the photo between dark bands, which are cut off) and covers the cell without
// being enlarged serves; otherwise, or when the EXIF's pixel size is not the frame's, no image.
Decoded decodeExifThumbnail(const JpegDecoder& photo, QSize cell, const std::atomic<bool>* cancelled = nullptr);

// `image` scaled to `size` in full colour (indexed and 1-bit pictures are not dithered).
QImage scaledInFullColour(QImage image, QSize size);

// Up to `size` bytes of `device` from where it stands, read a megabyte at a time until it ends, fails or
// the read is cancelled through `cancelled`: what was read.
QByteArray readUpTo(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled);

// File bytes that pictures keep for a full decode later, counted across all live pictures.
// A reservation that would pass the budget is refused; a refused picture keeps its path instead.
constexpr qint64 HeldBytesBudget = qint64(512) << 20;
// A file larger than this is never read whole into memory: the picture keeps its path.
constexpr qint64 HeldFileLimit = qint64(128) << 20;
bool reserveHeldBytes(qint64 bytes);
void releaseHeldBytes(qint64 bytes);
qint64 heldBytes();

} // namespace tl
