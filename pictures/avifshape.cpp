// How an AVIF's picture is shown: turned and mirrored as its properties say, or as its EXIF block does.

#include "pictures/avifpicture.h"
#include "pictures/exif.h"

#include <QTransform>
#include <QtEndian>

namespace tl {

namespace {

    // The EXIF block's TIFF structure. The item in the file starts with the offset of the TIFF header
    // past its own four bytes, which libavif takes away; a block that still has it is read past it.
    QByteArray tiffOf(const avifRWData& exif)
    {
        const QByteArray block
            = QByteArray::fromRawData(reinterpret_cast<const char*>(exif.data), qsizetype(exif.size));
        if (block.size() >= 4) {
            const quint64 at = quint64(qFromBigEndian<quint32>(block.constData())) + 4;
            if (at + 4 <= quint64(block.size())) {
                const QByteArray tiff = block.mid(qsizetype(at));
                if (tiff.startsWith("II*") || tiff.startsWith(QByteArrayView("MM\0*", 4)))
                    return tiff;
            }
        }
        return QByteArray(block.constData(), block.size());
    }

    bool hasProperties(const avifImage& image)
    {
        return image.transformFlags & (AVIF_TRANSFORM_IROT | AVIF_TRANSFORM_IMIR);
    }

    // Writers that keep a photo's EXIF block put its orientation into the rotation and mirror properties
    // too: the properties alone turn the picture, so that it is never turned twice.
    int exifOrientation(const avifImage& image)
    {
        return hasProperties(image) || image.exif.size == 0 ? 1 : readExifBlock(tiffOf(image.exif)).orientation;
    }

} // namespace

bool avifTurned(const avifImage& image)
{
    if (hasProperties(image))
        return (image.transformFlags & AVIF_TRANSFORM_IMIR) || image.irot.angle % 4 != 0;
    return exifOrientation(image) != 1;
}

bool avifQuarterTurned(const avifImage& image)
{
    if (hasProperties(image))
        return (image.transformFlags & AVIF_TRANSFORM_IROT) && image.irot.angle % 2 == 1;
    return exifOrientation(image) >= 5;
}

QImage avifOriented(QImage picture, const avifImage& image)
{
    if (!hasProperties(image))
        return orientedImage(std::move(picture), exifOrientation(image));
    // The rotation (quarter turns counter-clockwise) comes before the mirror.
    if ((image.transformFlags & AVIF_TRANSFORM_IROT) && image.irot.angle % 4 != 0)
        picture = picture.transformed(QTransform().rotate(-90.0 * (image.irot.angle % 4)));
    // Mirror mode 0 exchanges the top and the bottom, 1 the left and the right.
    if (image.transformFlags & AVIF_TRANSFORM_IMIR)
        picture = picture.mirrored(image.imir.mode == 1, image.imir.mode == 0);
    return picture;
}

} // namespace tl
