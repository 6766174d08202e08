#pragma once

// What the program takes from a JPEG's EXIF block: the orientation, the camera's own thumbnail
// and the picture size the camera recorded. Read by a bounded reader: every offset is checked
// against the block, and only IFD0, IFD1 and the Exif IFD are visited, each once.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace tl {

struct Exif {
    int orientation = 1; // from IFD0, 1..8
    QByteArray thumbnail; // IFD1's JPEG thumbnail bytes, when present and inside the block
    QSize pixelSize; // PixelXDimension/PixelYDimension of the Exif IFD, when present
};

// `app1Payload` is an APP1 segment's payload as it stands in the file (starting "Exif\0\0").
// Anything malformed leaves the fields it concerns at their defaults.
Exif readExif(const QByteArray& app1Payload);

// The same of an EXIF block as a WebP or AVIF file holds it: the TIFF structure, with or without
// the "Exif\0\0" before it.
Exif readExifBlock(const QByteArray& block);

// `image` turned as EXIF `orientation` (1..8) says: a mirror or flip first, then a quarter turn
// clockwise; as it is for 1 or a value out of range.
QImage orientedImage(QImage image, int orientation);

} // namespace tl
