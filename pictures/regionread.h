#pragma once

// A photo's first screen read before the rest: the part of a JPEG that a window shows first, read and
// decoded on the program's pools (reads on the I/O pool, the decode on the CPU pool) while the whole
// picture is read as ever, so that the part shows first.

#include "pictures/picture.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <atomic>

namespace tl {

// Reads the JPEG at `path` for its part `region` (in the picture's own coordinates, orientation
// applied), in two stages as readPicture: the first opens the file, reads its headers and then its
// bytes, and is given up between chunks when cancelled; the second decodes the part from the bytes
// read (decodeJpegRegion). A file too large to hold in memory is decoded in the first stage, from the
// file. The picture the second stage gives has the picture's natural size (pixelWidth, pixelHeight)
// and holds the part, which regionOf() gives; like a cell's picture, it keeps the path for a full
// decode. It is the empty picture when no part comes before the whole: another format, a progressive
// JPEG, a region outside the picture or one that covers all of it, or a cancelled read; the failed
// picture when the file cannot be read or decoded.
PictureRead readPictureRegion(const QString& path, QRect region, const std::atomic<bool>* cancelled = nullptr);

// The part a picture from readPictureRegion(path, asked) holds, and where it lies in the picture: the
// rectangle asked for, cut to the picture. A null image for the empty picture.
struct PictureRegion {
    QImage image;
    QRect where;
};
PictureRegion regionOf(const StdPicture& picture, QRect asked);

} // namespace tl
