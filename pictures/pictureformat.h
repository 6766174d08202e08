#pragma once

// Which of the four formats the program reads a file holds, told by its first bytes alone: the file's
// name plays no part, and a file of any other format is no picture here, so that no other decoder
// ever sees it.

#include <QByteArray>

namespace tl {

enum class PictureFormat { Other, Bmp, Gif, Jpeg, Icon };

// How many of a file's first bytes pictureFormatOf looks at.
constexpr int FormatHeadBytes = 22;

PictureFormat pictureFormatOf(const QByteArray& head);

// The name Qt's reader knows the format by (none for JPEG, which is decoded with libjpeg-turbo).
const char* qtFormatName(PictureFormat format);

} // namespace tl
