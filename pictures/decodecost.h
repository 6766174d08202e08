#pragma once

// What decoding a picture through Qt's readers allocates, from the file's own headers, read the way
// the decoder will read them: each icon entry's own header rather than the icon's directory, a GIF's
// whole screen, the zeroed picture of a run-length BMP with its rows padded.

#include <QIODevice>
#include <QImageReader>
#include <QSize>

namespace tl {

// The bytes a full decode of the picture in `device` (open, seekable) by `reader` allocates; -1 when
// the headers do not say. The device is left where it was.
qint64 fullDecodeCost(QIODevice& device, QImageReader& reader);

// The bytes of a picture of `size` at `bytesPerPixel`, each row padded to four bytes.
qint64 imageBytes(QSize size, int bytesPerPixel);

} // namespace tl
