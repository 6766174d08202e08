// The picture window stepped with a key held down: Space through a folder of photos of 12 to 48
// megapixels at a keyboard's 25 a second for 10 s, then BackSpace back the same way. The longest gap
// of the window's thread, the time from the release until the last step's picture is on the screen,
// the peak memory above the folder loaded, and how long closing both windows takes. Then Space through
// 24-megapixel photos fitted in a 1280 x 1024 window (fitted_stepping.cpp). All against one djpeg of
// a 24-megapixel photo, timed in the same run.
//
// `bench_stepping --folder DIR` only writes the folder of photos into DIR, for space_held_x11.sh.

#include "benchutil.h"
#include "photos.h"
#include "windowsteps.h"

#include <QTemporaryDir>
#include <cstring>

namespace {

constexpr int Keys = 250; // 10 s at 25 a second
constexpr qint64 KeyEveryMs = 40;
constexpr double Release = Keys * KeyEveryMs / 1e3;
// One more photo than keys, so that every key of both holds moves: 250 forward, then back to the first.
constexpr int Photos = Keys + 1;
const std::vector<QSize> Sizes { { 4000, 3000 }, { 5184, 3456 }, { 6000, 4000 }, { 7008, 4672 }, { 8000, 6000 } };
const QString TwentyFour = QStringLiteral("photo002.jpg"); // of Sizes, the 6000 x 4000 one

struct Hold {
    int keys = 0;
    double gap = 0; // the longest gap of the window's thread, from the press until the last picture shows
    double keyWait = 0; // the longest a key waited before its step began
    double shown = 0; // from the release until the last step's picture is on the screen; -1: never
};

// Holds Space (+1) or BackSpace (-1) down for 10 s: a press, then a repeat every 40 ms, each a step
// through pressKey. As from a keyboard, keys keep coming while the window is busy and wait for it: a
// window that falls behind takes the waiting keys one a turn of its event loop, the release after them.
Hold holdKey(tl::frmBmpGet& form, tl::frmPicture& window, int direction, int lastEntry)
{
    Hold hold;
    QElapsedTimer clock;
    QTimer keys;
    keys.setSingleShot(true);
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout, [&] {
        hold.keyWait = std::max(hold.keyWait, clock.nsecsElapsed() / 1e9 - hold.keys * KeyEveryMs / 1e3);
        bench::pressKey(window, direction, hold.keys > 0);
        if (++hold.keys < Keys)
            keys.start(int(std::max<qint64>(0, hold.keys * KeyEveryMs - clock.elapsed())));
    });
    const bench::GapWatch gaps;
    clock.start();
    keys.start(0);
    while (hold.keys < Keys || clock.nsecsElapsed() < Release * 1e9)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double shown = bench::waitShown(form, window, lastEntry, clock);
    hold.shown = shown < 0 ? -1 : std::max(0.0, shown - Release);
    hold.gap = gaps.longest();
    return hold;
}

void report(const char* key, const Hold& hold, double yardstick)
{
    std::printf("  %-9s %d steps: longest gap of the window's thread %.4f s = %.2f djpegs (target 0.5 s or less); "
                "a key waited for its step up to %.2f s\n",
        key, hold.keys, hold.gap, hold.gap / yardstick, hold.keyWait);
    if (hold.shown < 0)
        std::printf("  %-9s the last step's picture not on the screen within 600 s of the release\n", key);
    else
        std::printf("  %-9s the last step's picture on the screen %.4f s after the release (target 0.5 s or less)\n",
            key, hold.shown);
}

// Space held through the folder and BackSpace held back, as above; returns the yardstick.
double spaceHeldFigures()
{
    QTemporaryDir folder;
    bench::linkedPhotos(QDir(folder.path()), Sizes, Photos);
    const double yardstick = bench::djpegSeconds(folder.filePath(TwentyFour));
    std::printf("Space held: %d photos of 12 to 48 MP, 25 steps a second for %.0f s each way; djpeg of a "
                "24 MP photo %.4f s\n",
        Photos, Release, yardstick);
    tl::frmBmpGet& form = bench::loadFolder(folder.path(), Photos);
    const double idle = bench::restartPeakMemory();
    tl::frmPicture& window = bench::openFirst(form);
    const Hold forward = holdKey(form, window, 1, Keys);
    const Hold back = holdKey(form, window, -1, 0);
    const double peak = bench::peakMemory() - idle;
    report("Space", forward, yardstick);
    report("BackSpace", back, yardstick);
    std::printf("  peak memory above the folder loaded %.0f MB (target within the decode budget, %d MB)\n", peak / 1e6,
        int((qint64(tl::PictureAllocationLimitMB) << 20) / 1000000));
    const double close = bench::closeBoth(form, window);
    std::printf(
        "  both windows closed (終わる) in %.4f s = %.2f djpegs (target 1 s or less)\n", close, close / yardstick);
    return yardstick;
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--folder") == 0) {
        const QDir folder(QString::fromLocal8Bit(argv[2]));
        if (!folder.mkpath(QStringLiteral(".")))
            return 1;
        return bench::linkedPhotos(folder, Sizes, Photos).size() == Photos ? 0 : 1;
    }
    const double yardstick = spaceHeldFigures();
    bench::fittedFigures(yardstick);
    return 0;
}
