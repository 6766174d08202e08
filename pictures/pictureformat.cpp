#include "pictures/pictureformat.h"

#include "pictures/jpeg.h"

#include <QtEndian>

namespace tl {

namespace {

    quint16 le16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }

    // An icon or cursor directory: a reserved zero, the type (1 icon, 2 cursor), at least one entry.
    bool isIcon(const QByteArray& head)
    {
        return head.size() >= FormatHeadBytes && le16(head, 0) == 0 && (le16(head, 2) == 1 || le16(head, 2) == 2)
            && le16(head, 4) > 0;
    }

} // namespace

PictureFormat pictureFormatOf(const QByteArray& head)
{
    if (looksLikeJpeg(head))
        return PictureFormat::Jpeg;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return PictureFormat::Gif;
    if (head.startsWith("BM"))
        return PictureFormat::Bmp;
    if (isIcon(head))
        return PictureFormat::Icon;
    return PictureFormat::Other;
}

const char* qtFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp:
        return "bmp";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Icon:
        return "ico";
    default:
        return "";
    }
}

} // namespace tl
