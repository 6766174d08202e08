// Pages of photos of 4000 x 3000 pixels, each figure against two yardsticks that decode the same 24
// files one after another in the same run: Qt's QImageReader in full, and libjpeg-turbo's djpeg.
// Measured: the first page, a row step with nothing prefetched, a row step after the idle prefetch,
// a step back, and a click on a cell (against one djpeg of that file). Then the peak memory above
// idle of loading a page of 24 photos of 4000 x 3000 and of 8000 x 6000, each in a child process.
// Last a hostile page: files that are costly to decode (tests/costly_files.py) beside six ordinary
// photos, loaded, clicked and stepped, with the longest wait of the window's thread, the peak memory
// and how long the six photos took to show.
// Then a progressive set: 24 photos saved progressive against the same saved baseline, the first page
// of each (time, bytes read, peak memory above idle) and how far the cells are apart; then three pages
// of each scrolled at both screen scales, the progressive one also as its decodes ran before they took
// turns (bench/progressivepage.h).
// Then a camera set: 24 photos with their EXIF thumbnails, the first page warm against djpeg and, as
// root, cold from a disk held to a card's 30 MB/s against reading the 24 files' heads the same way,
// and against the same page read as before the photos' tails were looked at.
// And pages of 24 photos with an Adobe RGB and a Display P3 profile, against the same without one.
// And web pages: 24 WebP and then 24 AVIF photos named .jpg, against dwebp and avifdec (bench/webpage.h).
//   bench_page [--hostile-only | --camera-only | --progressive-only | --slow-folder-only | --profiles-only |
//               --web-only]

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "camera.h"
#include "forms/form.h"
#include "pictures/picture.h"
#include "pictures/tailcheck.h"
#include "progressivepage.h"
#include "slowfolder.h"
#include "tests/profiles.h"
#include "viewer/frmPicture.h"
#include "webpage.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <lcms2.h>

namespace {

constexpr int Rounds = 5;
constexpr int ColdRounds = 9; // a cold page's time steps with the throttle's slices: more rounds
constexpr int Files = 36; // a first page, a row step and the row prefetched after it

// Something photo-like: smooth gradients with fine detail, so that JPEG has real work to do.
QImage photo(int seed, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = ((x * 7919 + y * 104729 + seed * 31) >> 3) & 31;
            line[x] = qRgb((x / 16 + seed * 40 + grain) & 255, (y / 12 + grain) & 255,
                static_cast<int>(128 + 100 * std::sin((x + y + seed * 100) / 150.0)) & 255);
        }
    }
    return image;
}

// `count` JPEGs photo00.jpg ..; only `distinct` of them are made, the others are copies.
QStringList writePhotos(const QDir& dir, int count, int distinct, QSize size)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        if (i < distinct)
            photo(i, size).save(path, "JPG", 90);
        else
            QFile::copy(files.at(i % distinct), path);
        files << path;
    }
    return files;
}

QString djpeg() { return QStandardPaths::findExecutable(QStringLiteral("djpeg")); }

void runDjpeg(const QString& path, const QStringList& options = {})
{
    if (QProcess::execute(
            djpeg(), options + QStringList { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path })
        != 0)
        std::printf("djpeg could not decode %s\n", qPrintable(path));
}

void readFully(const QString& path)
{
    QImageReader reader(path);
    if (reader.read().isNull())
        std::printf("could not decode %s\n", qPrintable(path));
}

// A fresh main window on `folder`, so that nothing is kept from before.
tl::frmBmpGet& freshWindow(const QString& folder)
{
    if (tl::frmBmpGet* old = tl::Window<tl::frmBmpGet>().Instance())
        old->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    form.Dir1.openFolder(folder);
    QCoreApplication::processEvents();
    return form;
}

// Lets the program go idle until its prefetch has filled the cache to `entries`.
void idleUntilKept(tl::frmBmpGet& form, int entries)
{
    for (int i = 0; i < 1000 && form.thumbnails.cache().count() < entries; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    form.thumbnails.waitForPrefetch();
}

// Lets the program run until every cell shows a picture: a cell not made within the page's wait is
// filled later, and the page counts as shown only then.
void untilFilled(tl::frmBmpGet& form)
{
    const auto empty = [&form] {
        return std::ranges::any_of(form.Image2, [](const tl::ImageControl& cell) { return cell.Picture().isEmpty(); });
    };
    while (empty()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

struct Figures {
    std::vector<double> djpegPage, djpegEighths, readerPage, djpegOne, firstPage, stepCold, stepPrefetched, stepBack,
        click;
};

void measureRound(const QString& folder, const QStringList& files, Figures& f)
{
    const QStringList firstPage = files.mid(0, 24);
    f.djpegPage.push_back(bench::seconds([&] {
        for (const QString& path : firstPage)
            runDjpeg(path);
    }));
    // For reference, what no scale skips: djpeg at its smallest scale, one file on each core.
    f.djpegEighths.push_back(bench::seconds([&] {
        QtConcurrent::blockingMap(firstPage, [](const QString& path) {
            runDjpeg(path, { QStringLiteral("-scale"), QStringLiteral("1/8") });
        });
    }));
    f.readerPage.push_back(bench::seconds([&] {
        for (const QString& path : firstPage)
            readFully(path);
    }));

    tl::frmBmpGet& form = freshWindow(folder);
    f.firstPage.push_back(bench::seconds([&] {
        form.mnuCget->trigger();
        untilFilled(form);
    }));
    f.stepCold.push_back(bench::seconds([&] {
        form.VScroll1.setValue(1200);
        untilFilled(form);
    }));
    idleUntilKept(form, 36);
    f.stepPrefetched.push_back(bench::seconds([&] { form.VScroll1.setValue(2400); }));
    f.stepBack.push_back(bench::seconds([&] { form.VScroll1.setValue(1200); }));

    // The top-left cell now shows entry 6.
    f.djpegOne.push_back(bench::seconds([&] { runDjpeg(files.at(6)); }));
    f.click.push_back(bench::seconds([&] {
        form.Image2_Click(0);
        QCoreApplication::processEvents(); // the picture window is shown and painted
    }));
    if (tl::frmPicture* window = tl::Window<tl::frmPicture>().Instance())
        window->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void printRatio(const char* what, const std::vector<double>& ours, double djpegs, double readers, double target)
{
    const double seconds = bench::median(ours);
    const double ratio = seconds / djpegs;
    std::printf("%-34s %8.4f s   / djpeg %5.3f   / QImageReader %5.3f   target %.2f %s\n", what, seconds, ratio,
        seconds / readers, target, ratio <= target ? "met" : "NOT met");
}

// In a child process: the peak memory of loading one page, above the process at rest just before.
int pageMemoryChild(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    tl::frmBmpGet& form = freshWindow(QString::fromLocal8Bit(argv[2]));
    const double idle = bench::restartPeakMemory();
    form.mnuCget->trigger();
    const double page = bench::peakMemory() - idle;
    idleUntilKept(form, 30);
    const double withPrefetch = bench::peakMemory() - idle;
    std::printf("%.0f %.0f\n", page, withPrefetch);
    return 0;
}

// The peak memory above idle of loading a page of `folder`, as a fraction of 24 decoded pictures.
double printPageMemory(const char* what, const QString& folder, QSize size)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--page-memory"), folder });
    child.waitForFinished(-1);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 2) {
        std::printf("%s: the child process failed\n", what);
        return 0;
    }
    const double decoded = 24.0 * size.width() * size.height() * 4;
    const double page = figures[0].toDouble(), withPrefetch = figures[1].toDouble();
    std::printf("%-34s %6.0f MB = %.3f x 24 decoded pictures (%.0f MB); with the next row prefetched %.0f MB\n", what,
        page / 1e6, page / decoded, decoded / 1e6, withPrefetch / 1e6);
    return page;
}

// In a child process: a page of costly files loaded, each of them clicked, a row step, until every
// late cell is in. Prints the longest time the window's thread was busy in one go (a handler, or
// one turn of the event loop) and the peak memory above idle.
int hostilePageChild(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    tl::frmBmpGet& form = freshWindow(QString::fromLocal8Bit(argv[2]));
    const double idle = bench::restartPeakMemory();
    double longest = 0;
    const auto busy
        = [&longest](const std::function<void()>& work) { longest = std::max(longest, bench::seconds(work)); };
    // Lets the program run for `seconds`, a turn of its event loop at a time.
    const auto idleFor = [&busy](double seconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.nsecsElapsed() < seconds * 1e9) {
            busy([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
            QThread::msleep(5);
        }
    };
    // The cells of the six ordinary photos, and how long after the load began they all show.
    const QRegularExpression ordinary(QStringLiteral("^photo\\d\\d\\.jpg$"));
    std::vector<int> photoCells;
    QElapsedTimer sinceLoad;
    sinceLoad.start();
    busy([&] { form.mnuCget->trigger(); });
    for (int k = 0; k < std::min(form.List1.ListCount(), 24); ++k)
        if (ordinary.match(QFileInfo(form.List1.List(k)).fileName()).hasMatch())
            photoCells.push_back(k);
    const auto photosShown = [&] {
        return std::all_of(
            photoCells.begin(), photoCells.end(), [&](int k) { return !form.Image2[k].Picture().isEmpty(); });
    };
    while (!photosShown() && sinceLoad.nsecsElapsed() < 30e9) {
        busy([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
        QThread::msleep(5);
    }
    const double photosAfter = photosShown() ? sinceLoad.nsecsElapsed() / 1e9 : -1;
    idleFor(1);
    const int cells = std::min(form.List1.ListCount(), 24);
    for (int k = 0; k < cells; ++k) {
        busy([&] { form.Image2_Click(k); });
        idleFor(0.1);
        if (tl::frmPicture* window = tl::Window<tl::frmPicture>().Instance())
            window->Unload();
    }
    if (form.VScroll1.Max() >= 1200)
        busy([&] { form.VScroll1.setValue(1200); });
    idleFor(20);
    std::printf("%.3f %.0f %.3f %d\n", longest, bench::peakMemory() - idle, photosAfter, int(photoCells.size()));
    return 0;
}

// A folder of files that are costly to decode, beside six ordinary photos of 4000 x 3000.
void printHostilePage()
{
    QTemporaryDir folder;
    const QString maker = QStringLiteral(TESSALINE_SOURCE_DIR "/tests/costly_files.py");
    if (QProcess::execute(QStringLiteral("python3"), { maker, folder.path() }) != 0) {
        std::printf("hostile page: %s failed\n", qPrintable(maker));
        return;
    }
    writePhotos(QDir(folder.path()), 6, 6, QSize(4000, 3000));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--hostile-page"), folder.path() });
    child.waitForFinished(-1);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 4) {
        std::printf("hostile page: the child process failed\n");
        return;
    }
    const double longest = figures[0].toDouble(), memory = figures[1].toDouble(), photos = figures[2].toDouble();
    std::printf("hostile page: longest wait of the window's thread %.3f s (target 2 s %s), peak memory above idle "
                "%.0f MB (target 1500 MB %s)\n",
        longest, longest <= 2 ? "met" : "NOT met", memory / 1e6, memory <= 1.5e9 ? "met" : "NOT met");
    if (photos < 0)
        std::printf("hostile page: the %s ordinary photos on the page were not all shown within 30 s (target 5 s NOT "
                    "met)\n",
            figures[3].constData());
    else
        std::printf("hostile page: the %s ordinary photos on the page shown %.3f s after the load began (target 5 s "
                    "%s)\n",
            figures[3].constData(), photos, photos <= 5 ? "met" : "NOT met");
}

// In a child, as from a card: the first 64 KiB of each camera photo, one after another.
int coldHeadsChild(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    const QStringList files = QDir(QString::fromLocal8Bit(argv[2])).entryList({ QStringLiteral("camera*.jpg") });
    bench::waitForGo();
    const auto before = bench::bytesRead();
    const double seconds = bench::seconds([&] {
        for (const QString& name : files) {
            QFile file(QDir(QString::fromLocal8Bit(argv[2])).filePath(name));
            if (file.open(QIODevice::ReadOnly))
                file.read(64 * 1024);
        }
    });
    const auto after = bench::bytesRead();
    std::printf("%.4f %.0f %.0f\n", seconds, after.first - before.first, after.second - before.second);
    return 0;
}

// In a child, as from a card: the first page of the camera set, every cell filled. With
// "--no-tail-check" after the folder, without looking at the photos' tails; with "--as-before",
// without that and without asking the system for the files' heads and tails, as before the check.
int coldPageChild(int argc, char** argv)
{
    if (argc == 4 && QByteArray(argv[3]) == "--no-tail-check")
        tl::setCellReadsForBenchmarks(false, true);
    else if (argc == 4 && QByteArray(argv[3]) == "--as-before")
        tl::setCellReadsForBenchmarks(false, false);
    else if (argc == 4)
        return 1;
    bench::OffscreenApp app(argc, argv);
    tl::frmBmpGet& form = freshWindow(QString::fromLocal8Bit(argv[2]));
    bench::waitForGo();
    const auto before = bench::bytesRead();
    const double seconds = bench::seconds([&] {
        form.mnuCget->trigger();
        untilFilled(form);
    });
    const auto after = bench::bytesRead();
    std::printf("%.4f %.0f %.0f\n", seconds, after.first - before.first, after.second - before.second);
    return 0;
}

// The largest difference of a channel between `a` and `b`, and the mean one.
std::pair<int, double> channelDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    qint64 sum = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int d : { qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q) }) {
                largest = std::max(largest, std::abs(d));
                sum += std::abs(d);
            }
        }
    return { largest, double(sum) / (3.0 * a.width() * a.height()) };
}

// The same photos saved progressive and baseline: the first page of each, the bytes its cells read,
// its peak memory above idle, and how far its cells are from the baseline page's.
void printProgressiveSet()
{
    constexpr int Distinct = 6;
    const QSize size(4000, 3000);
    QTemporaryDir baseline, progressive;
    const QString folders[] = { baseline.path(), progressive.path() };
    std::printf("writing 24 JPEGs of 4000 x 3000, baseline and progressive ...\n");
    QStringList files[2];
    qint64 bytes[2] = {};
    for (int i = 0; i < 24; ++i)
        for (int set = 0; set < 2; ++set) {
            const QString path
                = QDir(folders[set]).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
            if (i >= Distinct) {
                QFile::copy(files[set].at(i % Distinct), path);
            } else {
                QImageWriter writer(path, "jpeg");
                writer.setQuality(90);
                writer.setProgressiveScanWrite(set == 1);
                writer.write(photo(i, size));
            }
            files[set] << path;
            bytes[set] += QFileInfo(path).size();
        }
    std::vector<double> pages[2];
    qint64 read[2] = {};
    for (int round = 0; round < Rounds; ++round)
        for (int set = 0; set < 2; ++set) {
            tl::frmBmpGet& form = freshWindow(folders[set]);
            const qint64 before = tl::cellFileBytesRead();
            pages[set].push_back(bench::seconds([&] {
                form.mnuCget->trigger();
                untilFilled(form);
            }));
            read[set] = tl::cellFileBytesRead() - before;
        }
    const double ratio = bench::median(pages[1]) / bench::median(pages[0]);
    std::printf("progressive set, first page %8.4f s   / baseline %.4f s = %.2f   target 1.5 %s\n",
        bench::median(pages[1]), bench::median(pages[0]), ratio, ratio <= 1.5 ? "met" : "NOT met");
    const double share = double(read[1]) / double(bytes[1]);
    std::printf("progressive set, bytes read %.2f MB of %.2f MB = %.3f (baseline %.3f)   target 0.25 %s\n",
        read[1] / 1e6, bytes[1] / 1e6, share, double(read[0]) / double(bytes[0]), share <= 0.25 ? "met" : "NOT met");
    const double memory = printPageMemory("peak memory, progressive set", folders[1], size);
    printPageMemory("peak memory, baseline set", folders[0], size);
    std::printf("progressive set, memory above idle %.0f MB   target 150 MB %s\n", memory / 1e6,
        memory <= 150e6 ? "met" : "NOT met");
    bench::printProgressivePages(files[0].mid(0, Distinct), files[1].mid(0, Distinct), Rounds);
    // Against each other, and each against the whole picture smoothed down to the cell.
    for (const QSize cell : { QSize(105, 81), QSize(210, 162) }) {
        std::pair<int, double> apart, fromWhole[2];
        const auto add = [](std::pair<int, double>& to, std::pair<int, double> one) {
            to = { std::max(to.first, one.first), to.second + one.second / Distinct };
        };
        for (int i = 0; i < Distinct; ++i) {
            const QImage cells[] = { tl::loadCellPicture(files[0].at(i), cell).scaledCopy(cell),
                tl::loadCellPicture(files[1].at(i), cell).scaledCopy(cell) };
            const QImage whole = QImage(files[0].at(i)).scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            add(apart, channelDifference(cells[1], cells[0]));
            for (int set = 0; set < 2; ++set)
                add(fromWhole[set], channelDifference(cells[set], whole));
        }
        std::printf("progressive set, cells of %d x %d against the baseline's: largest difference %d, mean %.2f   "
                    "target 2 %s\n",
            cell.width(), cell.height(), apart.first, apart.second, apart.first <= 2 ? "met" : "NOT met");
        std::printf("  against the whole picture smoothed down: progressive largest %d, mean %.2f; baseline largest "
                    "%d, mean %.2f\n",
            fromWhole[1].first, fromWhole[1].second, fromWhole[0].first, fromWhole[0].second);
    }
}

// Photos as a camera writes them, each with its thumbnail: the first page warm against djpeg, and
// cold from a card held to 30 MB/s against reading the files' heads the same way.
void printCameraSet()
{
    QTemporaryDir folder;
    std::printf("writing 24 camera JPEGs of 4000 x 3000 with 160 x 120 thumbnails ...\n");
    const QStringList files = bench::writeCameraPhotos(
        QDir(folder.path()), 24, QSize(4000, 3000), [](int i) { return photo(i, QSize(4000, 3000)); });
    std::vector<double> djpegs, pages;
    for (int round = 0; round < Rounds; ++round) {
        djpegs.push_back(bench::seconds([&] {
            for (const QString& path : files)
                runDjpeg(path);
        }));
        tl::frmBmpGet& form = freshWindow(folder.path());
        pages.push_back(bench::seconds([&] {
            form.mnuCget->trigger();
            untilFilled(form);
        }));
    }
    const double warm = bench::median(pages) / bench::median(djpegs);
    std::printf("camera set, warm first page %8.4f s   / djpeg %5.3f   target 0.05 %s\n", bench::median(pages), warm,
        warm <= 0.05 ? "met" : "NOT met");
    printPageMemory("peak memory, camera set", folder.path(), QSize(4000, 3000));

    constexpr qint64 CardSpeed = 30 << 20;
    const QString group = bench::throttleGroup(folder.path(), CardSpeed);
    if (group.isEmpty()) {
        std::printf("camera set, cold: needs root and a cgroup v1 blkio controller; not measured\n");
        return;
    }
    const QList<QByteArray> heads
        = bench::runCold(group, { QStringLiteral("--cold-heads"), folder.path() }, files).split(' ');
    const QList<QByteArray> page
        = bench::runCold(group, { QStringLiteral("--cold-page"), folder.path() }, files).split(' ');
    // The page as the program reads it, against the same as before the photos' tails were looked at,
    // and without looking at them but with the heads read as now, in turns: for each, the medians of
    // its seconds, the bytes it asked for and those the disk delivered.
    const QString modes[] = { QString(), QStringLiteral("--as-before"), QStringLiteral("--no-tail-check") };
    std::vector<double> figures[3][3];
    bool failed = heads.size() != 3 || page.size() != 3;
    for (int round = 0; round < ColdRounds && !failed; ++round)
        for (int mode = 0; mode < 3; ++mode) {
            QStringList arguments { QStringLiteral("--cold-page"), folder.path() };
            if (!modes[mode].isEmpty())
                arguments << modes[mode];
            const QList<QByteArray> run = bench::runCold(group, arguments, files).split(' ');
            failed = failed || run.size() != 3;
            for (int k = 0; k < 3 && !failed; ++k)
                figures[mode][k].push_back(run[k].toDouble());
        }
    QDir().rmdir(group);
    if (failed) {
        std::printf("camera set, cold: a child process failed\n");
        return;
    }
    const auto m = [&figures](int mode, int k) { return bench::median(figures[mode][k]); };
    const auto spread = [&figures](int mode) {
        const auto [least, most] = std::ranges::minmax(figures[mode][0]);
        return QStringLiteral("%1 to %2 s").arg(least, 0, 'f', 3).arg(most, 0, 'f', 3);
    };
    const double tailRatio = m(0, 0) / m(1, 0);
    std::printf("camera set, tail check cold %8.4f s   / as before it %.4f s = %.2f   target 1.5 %s\n", m(0, 0),
        m(1, 0), tailRatio, tailRatio <= 1.5 ? "met" : "NOT met");
    std::printf(
        "  the check alone, against the heads read as now without it: %.4f s = %.2f\n", m(2, 0), m(0, 0) / m(2, 0));
    for (int mode = 0; mode < 3; ++mode)
        std::printf("  %-32s median of %d %.4f s (%s), bytes asked for %.3f MB, from the disk %.3f MB\n",
            mode == 0       ? "with the tail check:"
                : mode == 1 ? "as before it:"
                            : "heads as now, no tail check:",
            ColdRounds, m(mode, 0), qPrintable(spread(mode)), m(mode, 1) / 1e6, m(mode, 2) / 1e6);
    const double ratio = page[0].toDouble() / heads[0].toDouble();
    std::printf(
        "camera set, cold first page at 30 MB/s %8.4f s   / reading 24 heads of 64 KiB %.4f s = %.2f   target 3 "
        "%s\n",
        page[0].toDouble(), heads[0].toDouble(), ratio, ratio <= 3 ? "met" : "NOT met");
    std::printf("camera set, bytes read for the first page %.2f MB (from the disk %.2f MB)   target 3 MB %s\n",
        page[1].toDouble() / 1e6, page[2].toDouble() / 1e6, page[1].toDouble() <= 3e6 ? "met" : "NOT met");
}

// A wide-gamut RGB profile, as cameras and phones embed: Adobe RGB (1998) or Display P3.
QByteArray wideGamutProfile(bool displayP3)
{
    const cmsCIExyY d65 { 0.3127, 0.3290, 1 };
    const double srgbCurve[] = { 2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045 };
    cmsToneCurve* curve = displayP3 ? cmsBuildParametricToneCurve(nullptr, 4, srgbCurve) : cmsBuildGamma(nullptr, 2.2);
    const cmsCIExyYTRIPLE primaries = displayP3
        ? cmsCIExyYTRIPLE { { 0.680, 0.320, 1 }, { 0.265, 0.690, 1 }, { 0.150, 0.060, 1 } }
        : cmsCIExyYTRIPLE { { 0.64, 0.33, 1 }, { 0.21, 0.71, 1 }, { 0.15, 0.06, 1 } };
    cmsToneCurve* curves[] = { curve, curve, curve };
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    return tl::test::savedProfile(profile);
}

// The first page of 24 photos with a profile against the same photos without: the conversion is paid
// on the cells alone, and once per profile for its transform.
void printProfilePages()
{
    QTemporaryDir plain;
    std::printf("writing 24 JPEGs of 4000 x 3000 with and without profiles ...\n");
    const QStringList files = writePhotos(QDir(plain.path()), 24, 4, QSize(4000, 3000));
    for (const bool displayP3 : { false, true }) {
        const char* const name = displayP3 ? "Display P3" : "Adobe RGB";
        QTemporaryDir profiled;
        const QByteArray profile = wideGamutProfile(displayP3);
        const QByteArray payload = QByteArray("ICC_PROFILE", 12) + char(1) + char(1) + profile;
        const QByteArray segment
            = QByteArray::fromHex("ffe2") + char((payload.size() + 2) >> 8) + char(payload.size() + 2) + payload;
        for (const QString& path : files) {
            QFile in(path), out(QDir(profiled.path()).filePath(QFileInfo(path).fileName()));
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                return;
            const QByteArray start = in.read(2); // the SOI
            out.write(start + segment + in.readAll());
        }
        std::vector<double> pages[2], clicks[2]; // without, with the profile
        for (int round = 0; round < Rounds; ++round)
            for (const bool withProfile : { false, true }) {
                tl::frmBmpGet& form = freshWindow(withProfile ? profiled.path() : plain.path());
                pages[withProfile].push_back(bench::seconds([&] {
                    form.mnuCget->trigger();
                    untilFilled(form);
                }));
                clicks[withProfile].push_back(bench::seconds([&] {
                    form.Image2_Click(0);
                    QCoreApplication::processEvents();
                }));
                if (tl::frmPicture* window = tl::Window<tl::frmPicture>().Instance())
                    window->Unload();
            }
        const double ratio = bench::median(pages[1]) / bench::median(pages[0]);
        std::printf("first page, %-10s profile %8.4f s   / without %8.4f s = %.3f   target 1.15 %s\n", name,
            bench::median(pages[1]), bench::median(pages[0]), ratio, ratio <= 1.15 ? "met" : "NOT met");
        std::printf("click on a cell, %-10s profile %8.4f s   / without %8.4f s = %.3f\n", name,
            bench::median(clicks[1]), bench::median(clicks[0]), bench::median(clicks[1]) / bench::median(clicks[0]));
    }
}

// The web pages, loaded and measured as the pages of JPEGs are.
void printWebPages()
{
    bench::printWebPages({ .firstPage =
                               [](const QString& folder) {
                                   tl::frmBmpGet& form = freshWindow(folder);
                                   return bench::seconds([&] {
                                       form.mnuCget->trigger();
                                       untilFilled(form);
                                   });
                               },
        .pageMemory = printPageMemory,
        .photo = photo,
        .rounds = Rounds });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--cold-heads")
        return coldHeadsChild(argc, argv);
    if ((argc == 3 || argc == 4) && QByteArray(argv[1]) == "--cold-page")
        return coldPageChild(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--progressive-pages")
        return bench::progressivePagesChild(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--page-memory")
        return pageMemoryChild(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--hostile-page")
        return hostilePageChild(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "--hostile-only") {
        bench::OffscreenApp app(argc, argv);
        printHostilePage();
        return 0;
    }
    if (argc == 3 && QByteArray(argv[1]) == "--slow-folder")
        return bench::slowFolderChild(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "--slow-folder-only") {
        bench::OffscreenApp app(argc, argv);
        bench::printSlowFolder();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--progressive-only") {
        bench::OffscreenApp app(argc, argv);
        printProgressiveSet();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--profiles-only") {
        bench::OffscreenApp app(argc, argv);
        printProfilePages();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--web-only") {
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        bench::OffscreenApp app(argc, argv);
        printWebPages();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--camera-only") {
        bench::OffscreenApp app(argc, argv);
        printCameraSet();
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures show as they come, also through a pipe

    bench::OffscreenApp app(argc, argv);
    if (djpeg().isEmpty()) {
        std::printf("djpeg is missing: install libjpeg-turbo-progs (scripts/setup.sh does)\n");
        return 1;
    }
    QImageReader::setAllocationLimit(1024);
    QTemporaryDir photos, large;
    std::printf("writing %d JPEGs of 4000 x 3000 ...\n", Files);
    const QStringList files = writePhotos(QDir(photos.path()), Files, Files, QSize(4000, 3000));

    Figures f;
    for (int round = 0; round < Rounds; ++round)
        measureRound(photos.path(), files, f);
    const double djpegs = bench::median(f.djpegPage), readers = bench::median(f.readerPage);
    std::printf(
        "yardsticks, 24 files one by one: djpeg %.4f s, QImageReader %.4f s (median of %d)\n", djpegs, readers, Rounds);
    printRatio("first page", f.firstPage, djpegs, readers, 0.35);
    std::printf("%-34s %8.4f s   / djpeg %5.3f   (djpeg -scale 1/8 on both cores: first page %.2f x that)\n",
        "  reference: the same at 1/8 scale", bench::median(f.djpegEighths), bench::median(f.djpegEighths) / djpegs,
        bench::median(f.firstPage) / bench::median(f.djpegEighths));
    printRatio("row step, nothing prefetched", f.stepCold, djpegs, readers, 0.10);
    printRatio("row step after prefetch", f.stepPrefetched, djpegs, readers, 0.03);
    printRatio("step back", f.stepBack, djpegs, readers, 0.03);
    const double click = bench::median(f.click), one = bench::median(f.djpegOne);
    std::printf("%-34s %8.4f s   = %.2f x one djpeg of that file (%.4f s)   target 3 %s\n", "click on a cell", click,
        click / one, one, click / one <= 3 ? "met" : "NOT met");

    std::printf("writing 24 JPEGs of 8000 x 6000 ...\n");
    writePhotos(QDir(large.path()), 24, 4, QSize(8000, 6000));
    const double twelve = printPageMemory("peak memory, page of 24 x 12 MP", photos.path(), QSize(4000, 3000));
    const double fortyEight = printPageMemory("peak memory, page of 24 x 48 MP", large.path(), QSize(8000, 6000));
    std::printf("targets: 24 x 12 MP at most 0.15 x 24 decoded pictures %s; 24 x 48 MP under 600 MB %s\n",
        twelve <= 0.15 * 24 * 4000 * 3000 * 4 ? "met" : "NOT met", fortyEight < 600e6 ? "met" : "NOT met");
    printProgressiveSet();
    printCameraSet();
    printProfilePages();
    printWebPages();
    printHostilePage();
    bench::printSlowFolder();
    return 0;
}
