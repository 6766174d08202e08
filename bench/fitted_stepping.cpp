// Space through photos fitted in a 1280 x 1024 window (F): the cost of a step held down and of one
// after a second's pause, each up to its picture drawn, against a full djpeg of a 24-megapixel photo;
// and the memory of stepping fitted through 48-megapixel photos.

#include "photos.h"
#include "windowsteps.h"

#include <QTemporaryDir>

namespace bench {

namespace {

    // The picture window on the folder's first photo, 1280 x 1024 inside, the picture fitted.
    tl::frmPicture& openFitted(tl::frmBmpGet& form)
    {
        tl::frmPicture& window = openFirst(form);
        window.setInnerSize(1280 * 15, 1024 * 15);
        window.fitToWindow();
        window.Picture1.inner()->repaint();
        return window;
    }

    // A step after a second's pause to each of entries `from` .. `to`, each until its picture is drawn.
    std::vector<double> pausedSteps(tl::frmBmpGet& form, tl::frmPicture& window, int from, int to)
    {
        std::vector<double> times;
        for (int entry = from; entry <= to; ++entry) {
            idleFor(1);
            QElapsedTimer clock;
            clock.start();
            pressKey(window, 1, false);
            times.push_back(waitShown(form, window, entry, clock));
        }
        return times;
    }

    // The key held down from the entry on show to `to`, a turn of the event loop between two steps,
    // until the last picture is drawn: the time a step.
    double heldSteps(tl::frmBmpGet& form, tl::frmPicture& window, int from, int to)
    {
        QElapsedTimer clock;
        clock.start();
        for (int entry = from; entry <= to; ++entry) {
            pressKey(window, 1, entry > from);
            QCoreApplication::processEvents();
        }
        return waitShown(form, window, to, clock) / (to - from + 1);
    }

    void report(const char* what, double time, double yardstick, double target)
    {
        std::printf("  %-44s %9.4f s   djpeg %9.4f s   ratio %.2f (target %.2f or less)\n", what, time, yardstick,
            time / yardstick, target);
    }

} // namespace

void fittedFigures(double yardstick)
{
    constexpr int Photos = 12;
    QTemporaryDir folder;
    linkedPhotos(QDir(folder.path()), { { 6000, 4000 } }, Photos, true);
    tl::frmBmpGet& form = loadFolder(folder.path(), Photos);
    tl::frmPicture& window = openFitted(form);
    const QWidget& viewport = *window.Picture1.inner();
    std::printf("Space through 24 MP photos fitted in a 1280 x 1024 window (viewport %d x %d, zoom %.3f)\n",
        viewport.width(), viewport.height(), window.Image1.Zoom());
    const double paused = median(pausedSteps(form, window, 1, 5));
    const double held = heldSteps(form, window, 6, Photos - 1);
    report("a step held down, each", held, yardstick, 0.35);
    report("a step after a second's pause", paused, yardstick, 0.1);
    closeBoth(form, window);

    QTemporaryDir large;
    linkedPhotos(QDir(large.path()), { { 8000, 6000 } }, 8, true);
    tl::frmBmpGet& second = loadFolder(large.path(), 8);
    const double idle = restartPeakMemory();
    tl::frmPicture& fitted = openFitted(second);
    pausedSteps(second, fitted, 1, 3);
    heldSteps(second, fitted, 4, 7);
    std::printf("  stepping fitted through 48 MP photos: peak memory above the folder loaded %.0f MB (target 60 MB or "
                "less)\n",
        (peakMemory() - idle) / 1e6);
    closeBoth(second, fitted);
}

} // namespace bench
