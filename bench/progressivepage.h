#pragma once

// bench_page's progressive pages as a user meets them: 72 photos of 4000 x 3000 (three pages), the
// first page loaded until every cell shows and the rows around it prefetched while idle, then two more
// pages scrolled the same way; the process's peak memory above idle after the first page and after all
// three, measured in a child. Each set is measured at the screen's own scale and at twice it (cells of
// four times the pixels): progressive against its baseline twins (whose cells keep their files' bytes
// for a click, which the cache counts), and progressive as the program decoded it before its decodes
// took turns (tl::setProgressiveDecodesForBenchmarks) and gave freed blocks back to the system.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "forms/form.h"
#include "pictures/progressivebudget.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace bench {

constexpr int ScrolledPages = 3;

// Lets the program run until every cell shows a picture and no prefetch is left.
inline void untilSettled(tl::frmBmpGet& form)
{
    const auto empty = [&form] {
        return std::ranges::any_of(form.Image2, [](const tl::ImageControl& cell) { return cell.Picture().isEmpty(); });
    };
    while (empty()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    for (int i = 0; i < 50; ++i) { // the prefetch starts from the event loop once the page is shown
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    form.thumbnails.waitForAll();
    QCoreApplication::processEvents();
}

// In a child: argv[2] the folder, argv[3] "now" or "before". Prints the peak memory above idle after the
// first page and after the last, and the seconds until the first page showed.
inline int progressivePagesChild(int argc, char** argv)
{
    const bool before = QByteArray(argv[3]) == "before";
    tl::setProgressiveDecodesForBenchmarks(before);
    OffscreenApp app(argc, argv, !before);
    if (tl::frmBmpGet* old = tl::Window<tl::frmBmpGet>().Instance())
        old->Unload();
    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    form.Dir1.openFolder(QString::fromLocal8Bit(argv[2]));
    QCoreApplication::processEvents();
    const double idle = restartPeakMemory();
    QElapsedTimer first;
    first.start();
    form.mnuCget->trigger();
    untilSettled(form);
    const double firstSeconds = first.nsecsElapsed() / 1e9;
    const double firstPage = peakMemory() - idle;
    for (int page = 1; page < ScrolledPages; ++page) {
        form.VScroll1.setValue(page * 4 * 1200);
        untilSettled(form);
    }
    std::printf("%.0f %.0f %.4f\n", firstPage, peakMemory() - idle, firstSeconds);
    return 0;
}

struct PagesFigures {
    double firstPage = -1, pages = -1, seconds = -1; // peaks above idle in bytes, the first page's seconds
};

// One child on `folder`, at `scale` (1 or 2), the decodes "now" or "before".
inline PagesFigures measureProgressivePages(const QString& folder, int scale, const char* mode)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--progressive-pages"), folder, QString::fromLatin1(mode) });
    child.waitForFinished(-1);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 3)
        return {};
    return { figures[0].toDouble(), figures[1].toDouble(), figures[2].toDouble() };
}

// `baseline` and `progressive` are the same photos saved both ways, copied in turn to make three pages
// of each; prints the figures of both at both scales, the progressive set before and now, each the
// median of `rounds` children taken in turns.
inline void printProgressivePages(const QStringList& baseline, const QStringList& progressive, int rounds)
{
    QTemporaryDir folders[2];
    for (int set = 0; set < 2; ++set) {
        const QStringList& photos = set == 0 ? baseline : progressive;
        for (int i = 0; i < 24 * ScrolledPages; ++i)
            QFile::copy(photos.at(i % photos.size()),
                QDir(folders[set].path()).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    }
    struct Run {
        const char* name;
        QString folder;
        const char* mode;
    };
    const Run runs[] = { { "baseline", folders[0].path(), "now" },
        { "progressive, before", folders[1].path(), "before" }, { "progressive, now", folders[1].path(), "now" } };
    for (const int scale : { 1, 2 }) {
        std::vector<double> first[3], all[3], seconds[3];
        for (int round = 0; round < rounds; ++round)
            for (int r = 0; r < 3; ++r) {
                const PagesFigures f = measureProgressivePages(runs[r].folder, scale, runs[r].mode);
                first[r].push_back(f.firstPage);
                all[r].push_back(f.pages);
                seconds[r].push_back(f.seconds);
            }
        for (int r = 0; r < 3; ++r) {
            const double m = median(all[r]), s = median(seconds[r]), ratio = s / median(seconds[0]);
            std::printf("pages at %dx, %-19s peak above idle: first page %4.0f MB, %d pages %4.0f MB (%.0f to %.0f)   "
                        "first page %.3f s = %.2f x baseline",
                scale, runs[r].name, median(first[r]) / 1e6, ScrolledPages, m / 1e6,
                *std::ranges::min_element(all[r]) / 1e6, *std::ranges::max_element(all[r]) / 1e6, s, ratio);
            if (r > 0)
                std::printf(
                    "   targets 150 MB %s, 1.5 x %s", m <= 150e6 ? "met" : "NOT met", ratio <= 1.5 ? "met" : "NOT met");
            std::printf("\n");
        }
    }
}

} // namespace bench
