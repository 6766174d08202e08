#pragma once

// What an AVIF's container says about its picture beyond the pixels: the colours it is in and how it
// is turned. For the AVIF decoding files alone.

#include <QByteArray>
#include <QImage>
#include <avif/avif.h>

namespace tl {

// The ICC profile the picture's colours are in: its own (empty when larger than ColourProfileLimit),
// else one made from its coded primaries and transfer; empty for sRGB's, or for numbers that make none.
QByteArray avifColourProfile(const avifImage& image);

// Whether the picture is shown turned or mirrored: by its rotation and mirror properties, or, when it has
// neither, by its EXIF block's orientation.
bool avifTurned(const avifImage& image);

// `picture` (as decoded) turned as avifTurned() says.
QImage avifOriented(QImage picture, const avifImage& image);

} // namespace tl
