#include "pictures/pictureformat.h"

#include "pictures/jpeg.h"

#include <QtEndian>

namespace tl {

namespace {

    quint16 le16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
    quint32 be32(const QByteArray& b, qsizetype at) { return qFromBigEndian<quint32>(b.constData() + at); }

    // An icon or cursor directory: a reserved zero, the type (1 icon, 2 cursor), at least one entry
    // of 16 bytes after the directory's 6.
    bool isIcon(const QByteArray& head)
    {
        return head.size() >= 22 && le16(head, 0) == 0 && (le16(head, 2) == 1 || le16(head, 2) == 2)
            && le16(head, 4) > 0;
    }

    // A RIFF container of the WebP form.
    bool isWebp(const QByteArray& head)
    {
        return head.size() >= 16 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
    }

    // An ISO media file whose type box names AVIF, as its major brand or one it is compatible with
    // (a still picture "avif", a sequence "avis"). A HEIF photo names other brands and is not one.
    bool isAvif(const QByteArray& head)
    {
        if (head.size() < 16 || head.mid(4, 4) != "ftyp")
            return false;
        const qint64 box = std::min<qint64>(be32(head, 0), head.size());
        if (box < 16)
            return false;
        for (qint64 at = 8; at + 4 <= box; at += at == 8 ? 8 : 4) { // the major brand, then after the minor version
            const QByteArray brand = head.mid(at, 4);
            if (brand == "avif" || brand == "avis")
                return true;
        }
        return false;
    }

} // namespace

PictureFormat pictureFormatOf(const QByteArray& head)
{
    if (looksLikeJpeg(head))
        return PictureFormat::Jpeg;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return PictureFormat::Gif;
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return PictureFormat::Png;
    if (isWebp(head))
        return PictureFormat::Webp;
    if (isAvif(head))
        return PictureFormat::Avif;
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
