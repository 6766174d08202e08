#pragma once

// The camera set of bench_page: photos as a camera writes them, each with its 160 x 120 EXIF
// thumbnail, and the cold mode that reads them as from a memory card: the photos' cached pages dropped
// and the reads of a child process held to a card's speed through a cgroup v1 blkio group.

#include "tests/picture_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QThread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace bench {

// `count` photos camera00.jpg .. of `size`, made from `photo`, each carrying its own thumbnail.
inline QStringList writeCameraPhotos(const QDir& dir, int count, QSize size, const std::function<QImage(int)>& photo)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QImage picture = photo(i);
        const QByteArray thumbnail = tl::test::jpegBytes(picture.scaled(160, 120));
        const QByteArray bytes = tl::test::withCameraExif(tl::test::jpegBytes(picture), thumbnail, 1, size);
        const QString path = dir.filePath(QStringLiteral("camera%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        files << path;
    }
    return files;
}

// The whole disk that holds `path`, as "major:minor" for the blkio controller.
inline QString diskOf(const QString& path)
{
#ifdef _WIN32
    Q_UNUSED(path);
    return {};
#else
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    const QString device = QStringLiteral("%1:%2").arg(major(status.st_dev)).arg(minor(status.st_dev));
    // A partition is throttled through its disk.
    const QString sys = QStringLiteral("/sys/dev/block/") + device;
    if (QFileInfo::exists(sys + QStringLiteral("/partition"))) {
        QFile parent(sys + QStringLiteral("/../dev"));
        if (parent.open(QIODevice::ReadOnly))
            return QString::fromLatin1(parent.readAll().trimmed());
    }
    return device;
#endif
}

inline bool writeTo(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// A blkio group holding reads from the disk of `folder` to `bytesPerSecond`; empty when this machine
// cannot (not root, no cgroup v1 blkio controller, Windows).
inline QString throttleGroup(const QString& folder, qint64 bytesPerSecond)
{
#ifdef _WIN32
    Q_UNUSED(folder);
    Q_UNUSED(bytesPerSecond);
    return {};
#else
    const QString group = QStringLiteral("/sys/fs/cgroup/blkio/tessaline-bench");
    if (geteuid() != 0 || !QDir().mkpath(group))
        return {};
    const QByteArray rule = (diskOf(folder) + QLatin1Char(' ') + QString::number(bytesPerSecond)).toLatin1();
    return writeTo(group + QStringLiteral("/blkio.throttle.read_bps_device"), rule) ? group : QString();
#endif
}

// The reads `group` has let through so far, as its throttle counts them.
inline QByteArray groupReads(const QString& group)
{
    QFile stats(group + QStringLiteral("/blkio.throttle.io_service_bytes"));
    return stats.open(QIODevice::ReadOnly) ? stats.readAll() : QByteArray();
}

// Runs this program with `arguments` in `group` after the cached pages of `files` (the card's) are
// dropped; its one line of output. The program's own files stay cached, as on the disk it runs from:
// dropping the whole cache would have it load its libraries through the throttle while it is
// measured. What the system still reads ahead for the last run is let through first, lest this run
// wait behind it. The child waits for a line on its input before it starts, so that all it reads is
// held.
inline QByteArray runCold(const QString& group, const QStringList& arguments, const QStringList& files)
{
#ifndef _WIN32 // no group is made there
    for (int quiet = 0, i = 0; quiet < 3 && i < 100; ++i) {
        const QByteArray before = groupReads(group);
        QThread::msleep(100);
        quiet = groupReads(group) == before ? quiet + 1 : 0;
    }
    ::sync();
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
    }
#else
    Q_UNUSED(files);
#endif
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForStarted();
    writeTo(group + QStringLiteral("/cgroup.procs"), QByteArray::number(child.processId()));
    child.write("go\n");
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed();
}

// In a child: waits for the parent to place it in the group.
inline void waitForGo()
{
    char line[8];
    if (!std::fgets(line, sizeof line, stdin))
        return;
}

// What this process has read: bytes asked for through read calls, and bytes the disk delivered.
inline std::pair<double, double> bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    double asked = 0, disk = 0;
    if (io.open(QIODevice::ReadOnly))
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("rchar:"))
                asked = line.mid(6).trimmed().toDouble();
            if (line.startsWith("read_bytes:"))
                disk = line.mid(11).trimmed().toDouble();
        }
    return { asked, disk };
}

} // namespace bench
