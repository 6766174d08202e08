#pragma once

// AVIF files for the tests, made with libavif's own encoder (whichever AV1 encoder it has, at its
// fastest), and a plain decode of one to compare with.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <avif/avif.h>
#include <functional>
#include <memory>

namespace tl::test {

struct AvifRecipe {
    QList<QImage> frames; // one for a still picture, more for a sequence
    int depth = 8;
    bool alpha = false;
    bool lossless = false; // 4:4:4 RGB samples as they are, at the finest quantizer
    QByteArray icc;
    avifColorPrimaries primaries = AVIF_COLOR_PRIMARIES_BT709;
    avifTransferCharacteristics transfer = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    int quarterTurns = 0; // counter-clockwise, in a rotation property
    int mirror = -1; // a mirror property's mode, when 0 or 1
    QByteArray exif; // TIFF structure; its orientation is not made into properties
};

inline QByteArray avifFile(const AvifRecipe& recipe)
{
    const auto destroyImage = [](avifImage* image) { avifImageDestroy(image); };
    const auto destroyEncoder = [](avifEncoder* encoder) { avifEncoderDestroy(encoder); };
    std::unique_ptr<avifEncoder, decltype(destroyEncoder)> encoder(avifEncoderCreate(), destroyEncoder);
    encoder->codecChoice = AVIF_CODEC_CHOICE_AUTO;
    encoder->speed = 10;
    encoder->minQuantizer = encoder->maxQuantizer = recipe.lossless ? 0 : 10;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = 0;
    for (const QImage& frame : recipe.frames) {
        const QImage rgba = frame.convertToFormat(QImage::Format_RGBA8888);
        std::unique_ptr<avifImage, decltype(destroyImage)> image(
            avifImageCreate(uint32_t(rgba.width()), uint32_t(rgba.height()), uint32_t(recipe.depth),
                recipe.lossless ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420),
            destroyImage);
        image->colorPrimaries = recipe.primaries;
        image->transferCharacteristics = recipe.transfer;
        image->matrixCoefficients
            = recipe.lossless ? AVIF_MATRIX_COEFFICIENTS_IDENTITY : AVIF_MATRIX_COEFFICIENTS_BT601;
        image->yuvRange = AVIF_RANGE_FULL;
        if (!recipe.icc.isEmpty())
            avifImageSetProfileICC(
                image.get(), reinterpret_cast<const uint8_t*>(recipe.icc.constData()), size_t(recipe.icc.size()));
        if (!recipe.exif.isEmpty())
            avifImageSetMetadataExif(
                image.get(), reinterpret_cast<const uint8_t*>(recipe.exif.constData()), size_t(recipe.exif.size()));
        image->transformFlags = 0;
        if (recipe.quarterTurns) {
            image->transformFlags |= AVIF_TRANSFORM_IROT;
            image->irot.angle = uint8_t(recipe.quarterTurns);
        }
        if (recipe.mirror >= 0) {
            image->transformFlags |= AVIF_TRANSFORM_IMIR;
            image->imir.mode = uint8_t(recipe.mirror);
        }
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image.get());
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.depth = 8;
        rgb.pixels = const_cast<uint8_t*>(rgba.constBits());
        rgb.rowBytes = uint32_t(rgba.bytesPerLine());
        if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
            return {};
        if (!recipe.alpha)
            avifImageFreePlanes(image.get(), AVIF_PLANES_A);
        const avifAddImageFlags flags
            = recipe.frames.size() == 1 ? AVIF_ADD_IMAGE_FLAG_SINGLE : AVIF_ADD_IMAGE_FLAG_NONE;
        if (avifEncoderAddImage(encoder.get(), image.get(), 1, flags) != AVIF_RESULT_OK)
            return {};
    }
    avifRWData output = AVIF_DATA_EMPTY;
    QByteArray file;
    if (avifEncoderFinish(encoder.get(), &output) == AVIF_RESULT_OK)
        file = QByteArray(reinterpret_cast<const char*>(output.data), qsizetype(output.size));
    avifRWDataFree(&output);
    return file;
}

// The file of `frames`, made as `change` says.
inline QByteArray avifFile(const QList<QImage>& frames, const std::function<void(AvifRecipe&)>& change = {})
{
    AvifRecipe recipe;
    recipe.frames = frames;
    if (change)
        change(recipe);
    return avifFile(recipe);
}

// A small AVIF of `depth` bits whose image size property says `width` x `height`.
inline QByteArray avifDeclaring(quint32 width, quint32 height, int depth = 8)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray file = avifFile({ picture }, [depth](AvifRecipe& s) { s.depth = depth; });
    const qsizetype at = file.indexOf("ispe") + 8; // after the type, the version and the flags
    qToBigEndian(width, file.data() + at);
    qToBigEndian(height, file.data() + at + 4);
    return file;
}

// The first frame's pixels as libavif gives them, neither turned nor put in sRGB.
inline QImage plainAvifDecode(const QByteArray& file)
{
    avifDecoder* decoder = avifDecoderCreate();
    avifImage* image = avifImageCreateEmpty();
    QImage picture;
    if (avifDecoderReadMemory(decoder, image, reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()))
        == AVIF_RESULT_OK) {
        picture = QImage(int(image->width), int(image->height), QImage::Format_RGBA8888);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image);
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.depth = 8;
        rgb.pixels = picture.bits();
        rgb.rowBytes = uint32_t(picture.bytesPerLine());
        if (avifImageYUVToRGB(image, &rgb) != AVIF_RESULT_OK)
            picture = {};
        else if (!image->alphaPlane)
            picture = picture.convertToFormat(QImage::Format_RGB32);
    }
    avifImageDestroy(image);
    avifDecoderDestroy(decoder);
    return picture;
}

} // namespace tl::test
