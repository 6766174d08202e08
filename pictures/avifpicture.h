#pragma once

// What an AVIF's container says about its picture beyond the pixels: the colours it is in and how it
// is turned. For the AVIF decoding files alone.

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <avif/avif.h>

namespace tl {

// The ICC profile the picture's colours are in: its own (empty when larger than ColourProfileLimit),
// else one made from its coded primaries and transfer; empty for sRGB's, or for numbers that make none.
QByteArray avifColourProfile(const avifImage& image);

// Whether the picture is shown turned or mirrored: by its rotation and mirror properties, or, when it has
// neither, by its EXIF block's orientation.
bool avifTurned(const avifImage& image);

// Whether that turn is by a quarter, so that the picture shows with its width and height exchanged.
bool avifQuarterTurned(const avifImage& image);

// `picture` (as decoded) turned as avifTurned() says.
QImage avifOriented(QImage picture, const avifImage& image);

// The decoded `frame` made into a picture of `size` (no larger than the frame either way), its rows
// turned into pixels a strip at a time and averaged into the result as they come: the whole picture in
// 32-bit pixels is never held. Null when cancelled or when the pixels cannot be made.
QImage avifReducedPixels(const avifImage& frame, bool alpha, QSize size, const std::atomic<bool>* cancelled);

// What avifReducedPixels allocates for a frame `width` wide reduced to `size`.
qint64 avifReducedBytes(int width, QSize size);

} // namespace tl
