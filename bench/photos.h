#pragma once

// Photos for the picture window's benchmarks: a photo's worth of detail at any size, folders of many
// photos made from a few (hard links, so that a folder of hundreds takes the disk of a handful), the
// djpeg yardstick, and a pause that lets the program run as a user's does.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "benchutil.h"

namespace bench {

// A colour ramp crossed by fine lines, so that no scaling is trivial.
inline QImage photo(int width, int height)
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
inline void idleFor(double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

// `count` JPEGs photo000.jpg .. in `dir`: one photo of each size, mirrored every other round of
// sizes, and the rest hard links to them in turn (copies where the system has no hard links).
inline QStringList linkedPhotos(const QDir& dir, const std::vector<QSize>& sizes, int count, bool twoEach = false)
{
    const int distinct = static_cast<int>(sizes.size()) * (twoEach ? 2 : 1);
    QStringList files;
    for (int i = 0; i < count; ++i) {
        files << dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        const QString& made = files.at(i % distinct);
        if (i < distinct) {
            const QSize size = sizes.at(i % sizes.size());
            photo(size.width(), size.height()).mirrored(i >= int(sizes.size()), false).save(made, "JPG", 90);
            continue;
        }
#ifdef _WIN32
        QFile::copy(made, files.last());
#else
        if (::link(QFile::encodeName(made).constData(), QFile::encodeName(files.last()).constData()) != 0)
            QFile::copy(made, files.last());
#endif
    }
    return files;
}

// The yardstick: djpeg decoding `path` in full, the median of five.
inline double djpegSeconds(const QString& path)
{
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    std::vector<double> times;
    for (int i = 0; i < 5; ++i)
        times.push_back(seconds([&] {
            QProcess::execute(djpeg, { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path });
        }));
    return median(times);
}

} // namespace bench
