// An AVIF made smaller than it is, for a cell or a view that shows it reduced: the decoded samples are
// turned into 32-bit pixels a strip of rows at a time, straight into a row reduction, so that only the
// codec's planes and the small result are ever held.

#include "pictures/avifpicture.h"
#include "pictures/rowreduction.h"

#include <QSysInfo>

namespace tl {

namespace {

    // Rows turned into pixels at once: even, so that a 4:2:0 strip starts on a chroma row of its own.
    constexpr int StripRows = 16;

    // The rows [first, first + rows) of `frame`, sharing its planes.
    avifImage stripOf(const avifImage& frame, int first, int rows)
    {
        avifImage strip = frame; // a view of the frame's planes: libavif frees only the frame
        strip.height = uint32_t(rows);
        const bool halfHeight = frame.yuvFormat == AVIF_PIXEL_FORMAT_YUV420;
        for (int plane = 0; plane < 3; ++plane)
            if (strip.yuvPlanes[plane])
                strip.yuvPlanes[plane]
                    += size_t(plane == 0 || !halfHeight ? first : first / 2) * frame.yuvRowBytes[plane];
        if (strip.alphaPlane)
            strip.alphaPlane += size_t(first) * frame.alphaRowBytes;
        return strip;
    }

} // namespace

qint64 avifReducedBytes(int width, QSize size) { return RowReduction::bytesFor(size) + 4 * qint64(width) * StripRows; }

QImage avifReducedPixels(const avifImage& frame, bool alpha, QSize size, const std::atomic<bool>* cancelled)
{
    const QSize stored(int(frame.width), int(frame.height));
    RowReduction reduction(stored, size);
    QImage rows(stored.width(), StripRows, QImage::Format_ARGB32);
    if (!reduction.ok() || rows.isNull())
        return {};
    for (int first = 0; first < stored.height(); first += StripRows) {
        if (cancelled && cancelled->load())
            return {};
        const int count = std::min(StripRows, stored.height() - first);
        const avifImage strip = stripOf(frame, first, count);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, &strip);
        rgb.format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;
        rgb.depth = 8;
        rgb.alphaPremultiplied = AVIF_FALSE;
        rgb.chromaUpsampling = AVIF_CHROMA_UPSAMPLING_FASTEST; // averaged away in the reduction
        rgb.pixels = rows.bits();
        rgb.rowBytes = uint32_t(rows.bytesPerLine());
        if (avifImageYUVToRGB(&strip, &rgb) != AVIF_RESULT_OK)
            return {};
        for (int y = 0; y < count; ++y)
            reduction.addRow(reinterpret_cast<const QRgb*>(rows.constScanLine(y)));
    }
    return reduction.finish(!alpha);
}

} // namespace tl
