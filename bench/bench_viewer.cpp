// The picture window on a 48-megapixel photo (8000 x 6000): drawing one viewport, a pan step and a
// zoom step at each zoom level, each as a ratio to the same at the natural size, and the memory the
// window holds above the decoded picture. First, Space through 12-megapixel photos against djpeg.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "viewer/frmPicture.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>

namespace {

// A photo's worth of detail: a colour ramp crossed by fine lines, so that no scaling is trivial.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 255 / width, y * 255 / height, ((x ^ y) & 7) * 32);
    }
    return image;
}

// Lets the program run for `seconds`, as a user pausing between two steps.
void idleFor(double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

// Space through a folder of 12-megapixel JPEGs, after a second's pause and at once, against one djpeg
// of that photo timed in the same run; the memory and the decoded pictures the window holds meanwhile.
void spaceFigures()
{
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << QDir(folder.path()).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        if (i < 2)
            photo(4000, 3000).mirrored(i, false).save(files.last(), "JPG", 90);
        else
            QFile::copy(files.at(i % 2), files.last());
    }
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    std::vector<double> djpegs;
    for (int i = 0; i < 5; ++i)
        djpegs.push_back(bench::seconds([&] {
            QProcess::execute(djpeg, { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), files.at(0) });
        }));
    const double yardstick = bench::median(djpegs);

    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    form.Dir1.openFolder(folder.path());
    form.mnuCget->trigger();
    const double idle = bench::restartPeakMemory();
    form.Image2_Click(0);
    tl::frmPicture& w = *tl::Window<tl::frmPicture>().Instance();
    int mostHeld = 0;
    const auto step = [&] {
        return bench::seconds([&] {
            w.Step(1);
            w.Picture1.inner()->repaint();
            mostHeld = std::max(mostHeld, form.stepPicturesHeld());
        });
    };
    std::vector<double> paused, atOnce;
    for (int i = 0; i < 5; ++i) {
        idleFor(1);
        paused.push_back(step());
    }
    for (int i = 0; i < 5; ++i)
        atOnce.push_back(step());
    idleFor(1);
    mostHeld = std::max(mostHeld, form.stepPicturesHeld());
    const auto report = [&](const char* what, const std::vector<double>& times, double target) {
        const double ratio = bench::median(times) / yardstick;
        std::printf("%-48s %9.4f s   djpeg %9.4f s   ratio %.2f (target %.1f or less)\n", what, bench::median(times),
            yardstick, ratio, target);
    };
    report("Space to the next 12 MP photo after a second", paused, 0.5);
    report("Space to the next 12 MP photo at once", atOnce, 1.5);
    std::printf("decoded pictures held for steps, at most %d (target 3 or less); peak memory above the folder "
                "loaded: %.0f MB (one picture %.0f MB)\n",
        mostHeld, (bench::peakMemory() - idle) / 1e6, 4000 * 3000 * 4 / 1e6);
    w.Unload();
    form.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    spaceFigures();
    tl::frmPicture& w = tl::Window<tl::frmPicture>().Show();
    tl::StdPicture picture(photo(8000, 6000));
    w.Image1.setPicture(picture);
    tl::fitScrollRanges(w);
    QWidget* viewport = w.Picture1.inner();
    const auto draw = [&] { viewport->grab(); };
    draw();
    const double held = bench::restartPeakMemory();
    const double viewportBytes = viewport->grab().toImage().sizeInBytes();
    std::printf("picture 8000 x 6000 (%.0f MB decoded), viewport %d x %d\n", picture.image().sizeInBytes() / 1e6,
        viewport->width(), viewport->height());

    const auto atZoom = [&](double zoom) {
        w.Image1.setZoom(zoom);
        tl::fitScrollRanges(w);
        w.HScroll1.setValue(w.HScroll1.Max() / 3);
        w.VScroll1.setValue(w.VScroll1.Max() / 3);
    };
    const auto panStep = [&] {
        w.HScroll1.setValue(
            static_cast<tl::Int16>(w.HScroll1.Value() + (w.HScroll1.Value() < w.HScroll1.Max() ? 100 : -100)));
        draw();
    };
    // Each figure is the median of 15 at one zoom, against the same at zoom 1 just before it. A repaint
    // draws from what is held; a pan step also makes the reduced copy of the part newly on the screen.
    const auto median = [&](double zoom, const std::function<void()>& work) {
        atZoom(zoom);
        draw();
        std::vector<double> times;
        for (int i = 0; i < 15; ++i)
            times.push_back(bench::seconds(work));
        return bench::median(times);
    };
    const auto report = [](const char* what, double zoom, double ours, double base) {
        char line[64];
        std::snprintf(line, sizeof line, what, zoom);
        std::printf("%-48s %9.4f s   yardstick %9.4f s   ratio %.2f\n", line, ours, base, ours / base);
        return ours / base;
    };
    double worstDraw = 0, worstPan = 0, largestCopy = 0;
    for (int step = 6; step >= -10; --step) {
        const double zoom = step == -10 ? tl::fitZoom(w) : std::exp2(step / 2.0);
        const double naturalDraw = median(1, draw);
        worstDraw
            = std::max(worstDraw, report("repaint the viewport at zoom %.3f", zoom, median(zoom, draw), naturalDraw));
        largestCopy = std::max(largestCopy, double(w.Image1.reducedCopy().sizeInBytes()));
        const double naturalPan = median(1, panStep);
        worstPan = std::max(
            worstPan, report("  a pan step and its drawing at %.3f", zoom, median(zoom, panStep), naturalPan));
    }
    atZoom(1);
    bench::compare(
        "a zoom step (Ctrl++ and Ctrl+-) and its drawing", 9, [&] { w.HScroll1.setValue(200), draw(); },
        [&] {
            w.zoomOut();
            draw();
            w.zoomIn();
            draw();
        });
    std::printf("worst repaint ratio %.2f, worst pan step ratio %.2f (target 3 or less)\n", worstDraw, worstPan);
    std::printf("largest reduced copy %.2f MB, the viewport %.2f MB: %.2f viewports\n", largestCopy / 1e6,
        viewportBytes / 1e6, largestCopy / viewportBytes);
    std::printf("peak memory above the picture put in and drawn once: %.1f MB\n", (bench::peakMemory() - held) / 1e6);
    w.Unload();
    return 0;
}
