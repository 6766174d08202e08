// PNG pictures decoded with libpng within the budget. A picture larger than the cell or the view it
// is made for is reduced row by row as it is decoded, so that it costs the size it is reduced to; an
// interlaced one is decoded whole, as its passes need every row.

#include "pictures/colourtags.h"
#include "pictures/decoders.h"
#include "pictures/pngreader.h"
#include "pictures/rowreduction.h"
#include "pictures/viewscale.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace tl {

namespace {

    bool near(QPointF a, QPointF b) { return std::abs(a.x() - b.x()) < 0.005 && std::abs(a.y() - b.y()) < 0.005; }

    // gAMA and cHRM that say what sRGB is: a gamma of 1 / 0.45455 (within a percent), sRGB's primaries.
    bool meansSrgb(const Colorimetry& colours, bool grey)
    {
        const Colorimetry srgb;
        const bool curve = colours.curve == ToneCurve::Srgb
            || (colours.curve == ToneCurve::Power && std::abs(colours.gamma * 0.45455 - 1) < 0.01);
        return curve
            && (grey
                || (near(colours.white, srgb.white) && near(colours.red, srgb.red) && near(colours.green, srgb.green)
                    && near(colours.blue, srgb.blue)));
    }

    // What puts the picture in sRGB: its own profile, when it is of the picture's kind (and then nothing
    // else counts); nothing for the sRGB chunk; else what gAMA and cHRM describe.
    ToSrgb colourConversion(const PngReader& png)
    {
        if (const QByteArray profile = png.iccProfile(); !profile.isEmpty()) {
            const ToSrgb conversion = toSrgb(profile);
            return conversion.kind() == (png.grey() ? ToSrgb::Grey : ToSrgb::Rgb) ? conversion : ToSrgb();
        }
        const std::optional<Colorimetry> colours = png.colorimetry();
        if (png.srgb() || !colours || meansSrgb(*colours, png.grey()))
            return {};
        return toSrgb(png.grey() ? greyProfileFor(*colours) : rgbProfileFor(*colours));
    }

    bool stopped(const std::atomic<bool>* cancelled) { return cancelled && cancelled->load(); }

    // The whole picture, each row where it lies. Rows a file cut short lacks are blank (transparent); an
    // interlaced picture cut short shows the passes it holds, spread over their rows.
    Decoded decodeWhole(PngReader& png, const std::atomic<bool>* cancelled)
    {
        const QSize size = png.size();
        QImage image(size, png.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            return failure(QStringLiteral("no memory for the picture"), PictureFailure::TooLarge);
        if (png.interlaced())
            image.fill(0);
        const qint64 rows = qint64(png.passes()) * size.height();
        qint64 read = 0;
        for (; read < rows; ++read) {
            if (stopped(cancelled))
                return failure(QStringLiteral("cancelled"));
            if (!png.readRow(image.scanLine(int(read % size.height()))))
                break;
        }
        if (read == 0)
            return failure(png.why());
        if (read < rows) {
            if (!png.interlaced())
                for (int y = int(read); y < size.height(); ++y)
                    std::memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
            // Filled rows have their alpha byte 0xff already.
            image.reinterpretAsFormat(QImage::Format_ARGB32);
        }
        return { std::move(image), size, {}, PictureFailure::None, read < rows };
    }

    // The picture reduced to `reduced` as its rows come.
    Decoded decodeReduced(PngReader& png, QSize reduced, const std::atomic<bool>* cancelled)
    {
        const QSize size = png.size();
        RowReduction reduction(size, reduced);
        std::vector<QRgb> row(size_t(size.width()));
        if (!reduction.ok())
            return failure(QStringLiteral("no memory for the picture"), PictureFailure::TooLarge);
        int read = 0;
        for (; read < size.height(); ++read) {
            if (stopped(cancelled))
                return failure(QStringLiteral("cancelled"));
            if (!png.readRow(reinterpret_cast<uchar*>(row.data())))
                break;
            reduction.addRow(row.data());
        }
        if (read == 0)
            return failure(png.why());
        const bool cut = read < size.height();
        return { reduction.finish(!png.hasAlpha()), size, {}, PictureFailure::None, cut };
    }

} // namespace

Decoded decodePng(QIODevice& device, qint64, QSize cell, const std::atomic<bool>* cancelled, const ShownFor& shownFor)
{
    PngReader png(device);
    if (!png.ok())
        return failure(png.why().isEmpty() ? QStringLiteral("not a PNG") : png.why());
    const QSize natural = png.size();
    // What the picture is made for: the cell, or the size the view shows it at (none for its natural
    // size). Its rows are averaged as they come to at most twice that, then smoothed to it.
    const QSize madeSize = shownFor ? reducedForView(natural, shownFor(natural)) : cell;
    const QSize reduced = madeSize.isEmpty() || png.interlaced()
        ? natural
        : QSize(std::min(natural.width(), 2 * madeSize.width()), std::min(natural.height(), 2 * madeSize.height()));
    const bool whole = reduced == natural;
    const qint64 pixels = whole ? pixelBytes(natural) : RowReduction::bytesFor(reduced) + 4 * qint64(natural.width());
    return decodeWithin(
        png.workingBytes() + pixels, madeSize, cancelled,
        [&] { return whole ? decodeWhole(png, cancelled) : decodeReduced(png, reduced, cancelled); },
        colourConversion(png));
}

} // namespace tl
