#include "pictures/regularfile.h"

#include "platform/files/nativenames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {

bool openRegularFile(QFile& file, const QString& path, QString& why)
{
    // Opened without blocking, so that a pipe with no writer cannot hang the load, and never as a
    // controlling terminal; then checked on the opened descriptor itself, so that what is checked is
    // what is read.
    const auto openNamed = [](const QByteArray& native) {
        int fd;
        do
            fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        return fd;
    };
    int fd = openNamed(files::nativePath(path));
    if (fd < 0 && errno == ENOENT) {
        const QByteArray other = files::otherNativePath(path);
        if (other.isEmpty())
            errno = ENOENT;
        else
            fd = openNamed(other);
    }
    if (fd < 0) {
        why = errno == ENOENT ? QStringLiteral("file not found") : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = QStringLiteral("not a file");
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        why = file.errorString();
        return false;
    }
    return true;
}

std::optional<FileVersion> regularFileVersion(const QString& path)
{
    struct stat status { };
    int found = ::stat(files::nativePath(path).constData(), &status);
    if (found != 0 && errno == ENOENT) {
        const QByteArray other = files::otherNativePath(path);
        if (!other.isEmpty())
            found = ::stat(other.constData(), &status);
    }
    if (found != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    const auto nanoseconds = [](const timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return FileVersion { status.st_size, nanoseconds(status.st_mtim), nanoseconds(status.st_ctim),
        quint64(status.st_dev), quint64(status.st_ino) };
}

} // namespace tl
