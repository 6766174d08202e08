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

struct AvifSpec {
    QList<QImage> frames; // one for a still picture, more for a sequence
    int depth = 8;
    avifPixelFormat layout = AVIF_PIXEL_FORMAT_YUV420;
    bool alpha = false;
    bool lossless = false; // 4:4:4 RGB samples as they are, at the finest quantizer
    QByteArray icc;
    avifColorPrimaries primaries = AVIF_COLOR_PRIMARIES_BT709;
    avifTransferCharacteristics transfer = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    int quarterTurns = 0; // counter-clockwise, in a rotation property
    int mirror = -1; // a mirror property's mode, when 0 or 1
    QByteArray exif; // TIFF structure; its orientation is not made into properties
};

inline QByteArray avifFile(const AvifSpec& spec)
{
    const auto destroyImage = [](avifImage* image) { avifImageDestroy(image); };
    const auto destroyEncoder = [](avifEncoder* encoder) { avifEncoderDestroy(encoder); };
    std::unique_ptr<avifEncoder, decltype(destroyEncoder)> encoder(avifEncoderCreate(), destroyEncoder);
    encoder->codecChoice = AVIF_CODEC_CHOICE_AUTO;
    encoder->speed = 10;
    encoder->minQuantizer = encoder->maxQuantizer = spec.lossless ? 0 : 10;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = 0;
    for (const QImage& frame : spec.frames) {
        const QImage rgba = frame.convertToFormat(QImage::Format_RGBA8888);
        std::unique_ptr<avifImage, decltype(destroyImage)> image(
            avifImageCreate(uint32_t(rgba.width()), uint32_t(rgba.height()), uint32_t(spec.depth),
                spec.lossless ? AVIF_PIXEL_FORMAT_YUV444 : spec.layout),
            destroyImage);
        image->colorPrimaries = spec.primaries;
        image->transferCharacteristics = spec.transfer;
        image->matrixCoefficients = spec.lossless ? AVIF_MATRIX_COEFFICIENTS_IDENTITY : AVIF_MATRIX_COEFFICIENTS_BT601;
        image->yuvRange = AVIF_RANGE_FULL;
        if (!spec.icc.isEmpty())
            avifImageSetProfileICC(
                image.get(), reinterpret_cast<const uint8_t*>(spec.icc.constData()), size_t(spec.icc.size()));
        if (!spec.exif.isEmpty())
            avifImageSetMetadataExif(
                image.get(), reinterpret_cast<const uint8_t*>(spec.exif.constData()), size_t(spec.exif.size()));
        image->transformFlags = 0;
        if (spec.quarterTurns) {
            image->transformFlags |= AVIF_TRANSFORM_IROT;
            image->irot.angle = uint8_t(spec.quarterTurns);
        }
        if (spec.mirror >= 0) {
            image->transformFlags |= AVIF_TRANSFORM_IMIR;
            image->imir.mode = uint8_t(spec.mirror);
        }
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image.get());
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.depth = 8;
        rgb.pixels = const_cast<uint8_t*>(rgba.constBits());
        rgb.rowBytes = uint32_t(rgba.bytesPerLine());
        if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
            return {};
        if (!spec.alpha)
            avifImageFreePlanes(image.get(), AVIF_PLANES_A);
        const avifAddImageFlags flags = spec.frames.size() == 1 ? AVIF_ADD_IMAGE_FLAG_SINGLE : AVIF_ADD_IMAGE_FLAG_NONE;
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

// The file of `frames` as `change` makes their spec.
inline QByteArray avifFile(const QList<QImage>& frames, const std::function<void(AvifSpec&)>& change = {})
{
    AvifSpec spec;
    spec.frames = frames;
    if (change)
        change(spec);
    return avifFile(spec);
}

// A small AVIF of `depth` bits whose image size property says `width` x `height`.
inline QByteArray avifDeclaring(quint32 width, quint32 height, int depth = 8)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray file = avifFile({ picture }, [depth](AvifSpec& s) { s.depth = depth; });
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
