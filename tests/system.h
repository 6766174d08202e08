#pragma once

// The few calls of the tests that only POSIX systems have, each with what Windows does instead, so
// that the suite builds on both.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tl::test {

// Makes a FIFO named `path`. Windows has no FIFOs among its files: there it makes none, and a test
// or row that needs one skips.
inline bool makeFifo(const QString& path)
{
#ifdef _WIN32
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

#ifdef _WIN32
constexpr bool HasFifos = false;
#else
constexpr bool HasFifos = true;
#endif

// Whether a file or folder whose permission bits forbid reading is still read by this user: root
// reads everything, and on Windows the bits set only the read-only attribute.
inline bool permissionsDoNotStopReading()
{
#ifdef _WIN32
    return true;
#else
    return ::geteuid() == 0;
#endif
}

// Sets the access and modification times of `path` to those `before` held, to the finest step the
// system keeps (the nanosecond on Linux).
struct FileTimes {
#ifdef _WIN32
    QDateTime accessed, modified;
#else
    struct stat status { };
#endif
};

inline bool readTimes(const QString& path, FileTimes& times)
{
#ifdef _WIN32
    const QFileInfo info(path);
    times = { info.lastRead(), info.lastModified() };
    return info.exists();
#else
    return ::stat(QFile::encodeName(path).constData(), &times.status) == 0;
#endif
}

inline bool putTimesBack(const QString& path, const FileTimes& times)
{
#ifdef _WIN32
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(times.accessed, QFileDevice::FileAccessTime)
        && file.setFileTime(times.modified, QFileDevice::FileModificationTime);
#else
    const timespec both[2] = { times.status.st_atim, times.status.st_mtim };
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), both, 0) == 0;
#endif
}

} // namespace tl::test
