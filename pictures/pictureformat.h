#pragma once

// Which of the formats the program reads a file holds, told by its first bytes alone: the file's name
// plays no part (a web page's WebP saved under a .jpg name is a WebP), and a file of any other format
// is no picture here, so that no other decoder ever sees it.

#include <QByteArray>

namespace tl {

enum class PictureFormat { Other, Bmp, Gif, Jpeg, Icon, Png, Webp, Avif };

// How many of a file's first bytes pictureFormatOf looks at: enough for an AVIF's brands.
constexpr int FormatHeadBytes = 64;

PictureFormat pictureFormatOf(const QByteArray& head);

// The name Qt's reader knows the format by (none for the formats decoded with their own libraries).
const char* qtFormatName(PictureFormat format);

} // namespace tl
