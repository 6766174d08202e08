// JpegDecoder's decode: the scaled or windowed rows, a progressive file's first scans, CMYK converted
// as the rows come, and the EXIF orientation applied.

#include "pictures/exif.h"
#include "pictures/jpegprivate.h"
#include "pictures/progressive.h"

#include <QTransform>
#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tl {

using namespace jpegdetail;

namespace {

    constexpr JDIMENSION SkipStep = 256;

} // namespace

int JpegDecoder::Private::cropToWindow()
{
    JDIMENSION x = JDIMENSION(std::max(window.left() - 1, 0));
    JDIMENSION width = JDIMENSION(std::min(window.right() + 2, int(info.output_width))) - x;
    jpeg_crop_scanline(&info, &x, &width);
    // A few hundred rows at a time, so that a cancel is seen on the way down a tall picture.
    for (auto above = JDIMENSION(window.top()); above > 0;) {
        const JDIMENSION step = std::min(above, SkipStep);
        if (jpeg_skip_scanlines(&info, step) != step)
            stop(reinterpret_cast<j_common_ptr>(&info), "no more rows");
        above -= step;
        watchProgress(reinterpret_cast<j_common_ptr>(&info));
    }
    return window.left() - int(x);
}

void JpegDecoder::Private::consumeFirstScans(const std::vector<int>& sizes)
{
    for (;;) {
        watchProgress(reinterpret_cast<j_common_ptr>(&info));
        const int got = jpeg_consume_input(&info);
        if (got == JPEG_REACHED_EOI || (got == JPEG_SCAN_COMPLETED && firstScansServe(info.coef_bits, sizes)))
            break;
        if (got == JPEG_SUSPENDED)
            stop(reinterpret_cast<j_common_ptr>(&info), "no more data");
    }
    jpeg_start_output(&info, info.input_scan_number);
}

QImage JpegDecoder::decode(qint64 memoryLimit, const std::atomic<bool>* cancelled)
{
    Private& d = *d_;
    if (!d.ok)
        return {};
    if (d.cost < 0 && prepare(QSize()) == 0)
        return {};
    if (d.cost > memoryLimit) {
        d.why = QStringLiteral("the decode needs %1 bytes, more than the %2 allowed").arg(d.cost).arg(memoryLimit);
        d.tooLarge = true;
        return {};
    }
    d.info.mem->max_memory_to_use = long(std::min<qint64>(memoryLimit, std::numeric_limits<long>::max()));
    const std::atomic<bool>* const headerFlag = d.source.cancelled;
    d.progress.cancelled = d.source.cancelled = cancelled ? cancelled : headerFlag;

    QImage image(d.output, d.format);
    if (image.isNull()) {
        d.why = QStringLiteral("no memory for the picture");
        d.tooLarge = true;
        return {};
    }
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const bool cmyk = d.info.out_color_space == JCS_CMYK;
    const bool windowed = !d.window.isNull();
    const int samples = d.format == QImage::Format_Grayscale8 ? 1 : 4;
    // Rows that are converted or cut are decoded into a row of their own first.
    const size_t rowWidth = size_t(d.output.width()) + (windowed ? WindowMargin : 0);
    std::vector<JSAMPLE> ownRow(cmyk || windowed ? rowWidth * size_t(samples) : 0);
    int cut = 0; // where the window's first column lies in a decoded row
    // Interblock smoothing guesses the coefficients still missing, which the scales read from the
    // first scans do not use.
    d.info.buffered_image = d.firstScans;
    d.info.do_block_smoothing = !d.firstScans;
    const std::vector<int> sizes = d.firstScans ? blockSizes() : std::vector<int>();
    const bool cmykProfile = cmyk && d.toSrgb.kind() == ToSrgb::Cmyk;
    // Adobe's programs, which write the marker, store CMYK with 0 for full ink.
    const bool inverted = d.info.saw_Adobe_marker;
    const bool done = d.guarded([&] {
        jpeg_start_decompress(&d.info);
        if (d.firstScans)
            d.consumeFirstScans(sizes);
        const QSize frame = windowed ? storedSize() : d.output;
        if (int(d.info.output_width) != frame.width() || int(d.info.output_height) != frame.height())
            stop(reinterpret_cast<j_common_ptr>(&d.info), "the output size changed");
        if (windowed)
            cut = d.cropToWindow();
        if (windowed && size_t(d.info.output_width) > rowWidth)
            stop(reinterpret_cast<j_common_ptr>(&d.info), "the window's rows came wider than they can");
        for (int y = 0; y < d.output.height(); ++y) {
            uchar* const line = bits + stride * y;
            JSAMPROW row = ownRow.empty() ? line : ownRow.data();
            if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
                stop(reinterpret_cast<j_common_ptr>(&d.info), "no more rows");
            row += cut * samples;
            if (!cmyk) {
                if (windowed)
                    std::memcpy(line, row, size_t(d.output.width()) * size_t(samples));
                continue;
            }
            if (cmykProfile) {
                d.toSrgb.cmykRow(row, reinterpret_cast<QRgb*>(line), d.output.width(), inverted);
                continue;
            }
            // As Qt's plugin converts, whatever the Adobe marker says.
            auto* out = reinterpret_cast<QRgb*>(line);
            for (const JSAMPLE* in = row; in < row + 4 * d.output.width(); in += 4)
                *out++ = qRgb(in[3] * in[0] / 255, in[3] * in[1] / 255, in[3] * in[2] / 255);
        }
    });
    // Stops here even when the end marker is missing: nothing after the last row is read.
    jpeg_abort_decompress(&d.info);
    d.progress.cancelled = nullptr;
    d.source.cancelled = headerFlag;
    if (!done)
        return {};

    if (d.info.density_unit == 1 || d.info.density_unit == 2) {
        const double perMetre = d.info.density_unit == 1 ? 100 / 2.54 : 100;
        image.setDotsPerMeterX(int(perMetre * d.info.X_density));
        image.setDotsPerMeterY(int(perMetre * d.info.Y_density));
    }
    return orientedImage(std::move(image), orientation());
}

} // namespace tl
