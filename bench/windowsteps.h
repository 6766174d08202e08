#pragma once

// Stepping the picture window as a user does, for bench_stepping: the main window on a folder, its
// first picture opened, Space and BackSpace, waiting until a step's picture is on the screen, the
// longest gap of the window's thread, and both windows closed.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "viewer/frmPicture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>

namespace bench {

// The one way the benchmarks step the picture window: Space (+1) or BackSpace (-1), `repeated` while
// the key is held down and auto-repeats.
inline void pressKey(tl::frmPicture& window, int direction, bool repeated) { window.Step(direction, repeated); }

// Runs the program until the picture window shows entry `entry` of the main window's list, then draws
// it: when that is done, in seconds on `clock`; -1 when it did not show within `limit` seconds.
inline double waitShown(
    tl::frmBmpGet& form, tl::frmPicture& window, int entry, const QElapsedTimer& clock, double limit = 600)
{
    const QString name = QFileInfo(form.List1.List(entry)).fileName();
    QElapsedTimer waited;
    waited.start();
    QTimer wake; // so that the wait looks again at least every few milliseconds
    wake.start(5);
    while (window.Image1.Picture().fileName() != name) {
        if (waited.nsecsElapsed() > limit * 1e9)
            return -1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.Picture1.inner()->repaint();
    return clock.nsecsElapsed() / 1e9;
}

// The main window with `folder` loaded (画像読み込み), once its list holds `count` files and its first
// cell shows.
inline tl::frmBmpGet& loadFolder(const QString& folder, int count)
{
    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    form.Dir1.openFolder(folder);
    form.mnuCget->trigger();
    QTimer wake;
    wake.start(5);
    while (form.List1.ListCount() < count || form.Image2[0].Picture().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return form;
}

// The first cell clicked, and its picture on show in the picture window.
inline tl::frmPicture& openFirst(tl::frmBmpGet& form)
{
    form.Image2_Click(0);
    tl::frmPicture& window = *tl::Window<tl::frmPicture>().Instance();
    QElapsedTimer clock;
    clock.start();
    waitShown(form, window, 0, clock);
    return window;
}

// Closes the picture window and the main window, as 終わる does: how long that takes, in seconds.
inline double closeBoth(tl::frmBmpGet& form, tl::frmPicture& window)
{
    return seconds([&] {
        window.Unload();
        form.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
}

// The longest gap of the window's thread while it lives: the longest interval between two ticks of a
// timer of 1 ms, in seconds.
class GapWatch {
public:
    GapWatch()
    {
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, since_.nsecsElapsed() / 1e9);
            since_.restart();
        });
        since_.start();
        tick_.start(1);
    }
    double longest() const { return std::max(longest_, since_.nsecsElapsed() / 1e9); }

private:
    QTimer tick_;
    QElapsedTimer since_;
    double longest_ = 0;
};

// Space through 24-megapixel photos fitted in a 1280 x 1024 window, and the memory of stepping fitted
// through 48-megapixel ones, against one djpeg of a 24-megapixel photo taking `yardstick` seconds.
void fittedFigures(double yardstick);

} // namespace bench
