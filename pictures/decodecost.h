#pragma once

// What decoding a picture through Qt's readers allocates, from the file's own headers, read the way
// the decoder will read them: each icon entry's own header rather than the icon's directory, the screen
// a GIF's first frame is drawn on (never a count of all its frames), the zeroed picture of a run-length
// BMP with its rows padded.

#include <QByteArray>
#include <QSize>

namespace tl {

// How many of a file's first bytes declaredCost looks at.
constexpr int CostHeadBytes = 64 * 1024;

// The bytes a full decode of the picture whose first bytes are `head` allocates, by what its headers
// say; -1 when they do not say within `head`, or the format is not one read here. `reported` is the
// size Qt's reader gives (invalid when it gives none; never asked of a GIF, whose reader reads every
// frame to tell it).
qint64 declaredCost(const QByteArray& head, qint64 fileSize, QSize reported);

// The bytes of a picture of `size` at `bytesPerPixel`, each row padded to four bytes.
qint64 imageBytes(QSize size, int bytesPerPixel);

} // namespace tl
