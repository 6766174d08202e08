#pragma once

// A 48-megapixel photo (8000 x 6000) opened fitted in a picture window whose viewport is 1280 x 1024:
// the time from the open command to the fitted picture drawn, against one djpeg of the photo timed in
// the same run, and the memory the window holds then against the viewport's pixels.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "viewer/frmPicture.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib> // says whether this is glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace bench {

// What the process holds once the memory freed is given back to the system: the C library keeps what
// the pools' threads freed in their own arenas.
inline double trimmedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    return statusBytes("VmRSS");
}

inline void idle(double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < seconds * 1e9)
        QCoreApplication::processEvents();
}

// `fine`: a colour ramp crossed by fine lines, whose file is large and slow to read for any scale; else
// the ramp with broad waves, as a photo's smooth areas.
inline void fittedOpenFigures(bool fine)
{
    constexpr int Width = 8000, Height = 6000, ViewWidth = 1280, ViewHeight = 1024;
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("photo48.jpg"));
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        for (int y = 0; y < Height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < Width; ++x)
                line[x] = qRgb(x * 255 / Width, y * 255 / Height,
                    fine ? ((x ^ y) & 7) * 32 : int(128 + 100 * std::sin(x * 0.01) * std::cos(y * 0.013)));
        }
        image.save(file, "JPG", 90);
    }
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    std::vector<double> djpegs;
    for (int i = 0; i < 3; ++i)
        djpegs.push_back(seconds([&] {
            QProcess::execute(djpeg, { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), file });
        }));

    tl::viewMemory().fitted = true;
    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    tl::frmPicture& w = tl::Window<tl::frmPicture>().Show();
    // The viewport is the window's inner area short of the bars' strips and the border.
    w.setInnerSize(ViewWidth * 15 + 285, ViewHeight * 15 + 285);
    while (w.Picture1.ScaleWidth() != ViewWidth * 15)
        QCoreApplication::processEvents();
    form.Text1.setText(folder.path() + QLatin1Char('/'));
    form.Text2.setText(QStringLiteral("photo48.jpg"));
    // The memory held is what the process holds more once the picture shows, and the decode's threads are
    // done, than with the window empty; the peak is from the open to the picture drawn.
    const double empty = trimmedMemory();
    restartPeakMemory();
    double held = 0, peak = 0;
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        w.showPicture({});
        opens.push_back(seconds([&] {
            form.Command1_Click();
            while (w.Image1.Picture().isEmpty())
                QCoreApplication::processEvents();
            w.Picture1.inner()->grab();
        }));
        if (i == 0) {
            peak = peakMemory() - empty;
            idle(0.5);
            held = trimmedMemory() - empty;
        }
    }
    // djpeg at the scale the window decoded at: what the scale alone saves.
    const int eighths = (w.Image1.shownImage().width() * 8 + Width - 1) / Width;
    std::vector<double> scaled;
    for (int i = 0; i < 3; ++i)
        scaled.push_back(seconds([&] {
            QProcess::execute(djpeg,
                { QStringLiteral("-scale"), QStringLiteral("%1/8").arg(eighths), QStringLiteral("-outfile"),
                    QStringLiteral("/dev/null"), file });
        }));
    const double screen = double(ViewWidth) * ViewHeight * 4;
    const double images = w.Image1.shownImage().sizeInBytes() + w.Image1.reducedCopy().sizeInBytes();
    std::printf("%-48s %9.4f s   djpeg %9.4f s   ratio %.2f (target 0.3 or less)\n",
        fine ? "open a 48 MP photo of fine lines fitted" : "open a smooth 48 MP photo fitted", median(opens),
        median(djpegs), median(opens) / median(djpegs));
    std::printf("  djpeg -scale %d/8 of it %.4f s: ratio %.2f to the full djpeg\n", eighths, median(scaled),
        median(scaled) / median(djpegs));
    std::printf(
        "  memory held %.1f MB, %.2f viewports of 4-byte pixels (target 3 or less); peak while opening %.1f MB; "
        "the window's image %d x %d and its fitted copy: %.2f viewports\n",
        held / 1e6, held / screen, peak / 1e6, w.Image1.shownImage().width(), w.Image1.shownImage().height(),
        images / screen);
    w.Unload();
    form.Unload();
    tl::viewMemory() = {};
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace bench
