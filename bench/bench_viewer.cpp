// The picture window on a 48-megapixel photo (8000 x 6000): drawing one viewport, a pan step and a
// zoom step at each zoom level, each as a ratio to the same at the natural size, and the memory the
// window holds above the decoded picture. First, Space through 12-megapixel photos against djpeg; last,
// an animated GIF of 1,000 frames of 1000 x 1000 played through: the memory it holds as frames' worth,
// and the longest wait of the window's thread against a frame's decode.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "fittedopen.h"
#include "photos.h"
#include "tests/picture_files.h"
#include "viewer/frmPicture.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <ctime>

namespace {

using bench::idleFor;
using bench::photo;

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
            w.Step(1, false);
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

// 1,000 frames of 1000 x 1000, a 20 ms delay each, in bands of the palette that move down from frame
// to frame (ten frames' patterns, encoded once each).
QByteArray thousandFrames()
{
    constexpr int Side = 1000, Frames = 1000, Patterns = 10;
    QList<QRgb> palette;
    for (int i = 0; i < 16; ++i)
        palette.append(qRgb(i * 16, 255 - i * 16, (i * 53) % 256));
    const QByteArray head = tl::test::animatedGif({ Side, Side }, palette, {}, 0).chopped(1);
    std::vector<QByteArray> patterns;
    for (int p = 0; p < Patterns; ++p) {
        QByteArray indices(Side * Side, Qt::Uninitialized);
        for (int y = 0; y < Side; ++y)
            std::fill_n(indices.data() + y * Side, Side, char(((y + p * 10) / 50) % 16));
        const QByteArray one
            = tl::test::animatedGif({ Side, Side }, palette, { { QRect(0, 0, Side, Side), indices, 2 } });
        patterns.push_back(one.mid(head.size() - 19, one.size() - (head.size() - 19) - 1));
    }
    QByteArray file = head;
    for (int f = 0; f < Frames; ++f)
        file += patterns[f % Patterns];
    return file + ';';
}

// The CPU time of the calling thread, in seconds.
double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// Plays the GIF through in the picture window, with the wall clock, while a timer of the window's thread
// notes its longest wait.
void animationFigures(tl::frmPicture& w)
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("frames.gif"));
    const QByteArray bytes = thousandFrames();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return;
    file.close();
    // The yardstick: one frame decoded by Qt's reader, the median of the first 50 read in order.
    QImageReader reader(path, "gif");
    std::vector<double> decodes;
    for (int i = 0; i < 50; ++i)
        decodes.push_back(bench::seconds([&] { reader.read(); }));
    const double decode = bench::median(decodes);

    const tl::StdPicture cell = tl::loadCellPicture(path, { 100, 100 });
    w.showPicture(cell, cell.fullImage());
    const double held = bench::restartPeakMemory();
    const double frameBytes = 1000.0 * 1000 * 4;
    // Between two ticks of the timer, the wall clock's time and the window thread's own (a busy machine
    // may leave the thread waiting for a core: the second tells that from work of its own).
    double longest = 0, longestBusy = 0;
    QElapsedTimer sinceTick;
    double busyAtTick = threadSeconds();
    QTimer ping;
    QObject::connect(&ping, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e9);
        longestBusy = std::max(longestBusy, threadSeconds() - busyAtTick);
        sinceTick.restart();
        busyAtTick = threadSeconds();
    });
    sinceTick.start();
    ping.start(1);
    const double played = bench::seconds([&] {
        QElapsedTimer opening;
        opening.start();
        while (!w.animation().isPlaying() && opening.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        while (w.animation().framesShown() < 1000 && w.animation().isPlaying())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    ping.stop();
    std::printf("animated GIF: %d of 1000 frames of 1000 x 1000 (%.1f MB file) shown in %.1f s\n",
        w.animation().framesShown(), bytes.size() / 1e6, played);
    std::printf("  peak memory above the GIF put in: %.1f MB = %.2f frames of %.1f MB (target 5 or less)\n",
        (bench::peakMemory() - held) / 1e6, (bench::peakMemory() - held) / frameBytes, frameBytes / 1e6);
    std::printf("  longest wait of the window's thread %.4f s (of it busy %.4f s), yardstick a frame's decode %.4f s, "
                "ratio %.2f (target 0.050 s or less)\n",
        longest, longestBusy, decode, longest / decode);
    w.showPicture({});
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    bench::fittedOpenFigures(true);
    bench::fittedOpenFigures(false);
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
    w.Image1.setPicture({});
    picture = {};
    animationFigures(w);
    w.Unload();
    return 0;
}
