#pragma once

// bench_page's slow folder: a folder of 400 pictures on a disk that takes 50 ms a lookup, as a far
// network share does (tests/slowfs in front of the C library), opened as `tessaline FOLDER` started in
// it, then 画像読み込み. The figures are the time until the main window is there, the longest the
// window's thread was busy in one go until the first page was shown, and, as the yardstick, the same
// on the same folder without the delay.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "forms/form.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace bench {

constexpr int SlowFolderFiles = 400;

// In a child with the slow disk in front of it: prints the window's time, the longest wait and the
// time until the first page showed.
inline int slowFolderChild(int argc, char** argv)
{
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (!QDir::setCurrent(folder))
        return 1;
    OffscreenApp app(argc, argv);
    tl::MsgBox = [](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
    QElapsedTimer all;
    all.start();
    double longest = 0;
    const auto busy = [&longest](const std::function<void()>& work) { longest = std::max(longest, seconds(work)); };
    tl::frmBmpGet* form = nullptr;
    busy([&] { form = &tl::Window<tl::frmBmpGet>().Show(); });
    const double window = all.nsecsElapsed() / 1e9;
    busy([&] { form->Dir1.openFolder(folder); });
    busy([&] { form->mnuCget->trigger(); });
    const auto shown = [&] {
        if (form->List1.ListCount() < SlowFolderFiles)
            return false;
        for (const tl::ImageControl& cell : form->Image2)
            if (cell.Picture().isEmpty())
                return false;
        return true;
    };
    while (!shown() && all.nsecsElapsed() < 300e9) {
        busy([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
        QThread::msleep(5);
    }
    std::printf("%.3f %.3f %.3f\n", window, longest, shown() ? all.nsecsElapsed() / 1e9 : -1.0);
    return 0;
}

inline void printSlowFolder()
{
    const QString shim = QCoreApplication::applicationDirPath() + QStringLiteral("/libslowfs.so");
    if (!QFile::exists(shim)) {
        std::printf("slow folder: %s is missing (built with the tests)\n", qPrintable(shim));
        return;
    }
    QTemporaryDir folder;
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int i = 0; i < SlowFolderFiles; ++i) {
        picture.fill(QColor::fromHsv(i * 7 % 360, 200, 200));
        picture.save(QDir(folder.path()).filePath(QStringLiteral("p%1.bmp").arg(i, 3, 10, QLatin1Char('0'))));
    }
    const auto run = [&](int delay) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), shim);
        env.insert(QStringLiteral("SLOWFS_UNDER"), folder.path());
        env.insert(QStringLiteral("SLOWFS_DELAY_MS"), QString::number(delay));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--slow-folder"), folder.path() });
        child.waitForFinished(-1);
        return child.readAllStandardOutput().trimmed().split(' ');
    };
    const QList<QByteArray> fast = run(0), slow = run(50);
    if (fast.size() != 3 || slow.size() != 3) {
        std::printf("slow folder: the child process failed\n");
        return;
    }
    const double window = slow[0].toDouble(), longest = slow[1].toDouble(), page = slow[2].toDouble();
    std::printf("slow folder (%d files, 50 ms a lookup): main window after %.2f s (target 2 s %s, %.1f x the same "
                "folder without delay), longest wait of the window's thread %.2f s (target 2 s %s, %.1f x), first "
                "page shown after %.1f s (%.1f x)\n",
        SlowFolderFiles, window, window <= 2 ? "met" : "NOT met", window / std::max(fast[0].toDouble(), 1e-3), longest,
        longest <= 2 ? "met" : "NOT met", longest / std::max(fast[1].toDouble(), 1e-3), page,
        page / std::max(fast[2].toDouble(), 1e-3));
}

} // namespace bench
