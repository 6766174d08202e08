#include "platform/files/drives.h"
#include "platform/files/drivesystem.h"
#include "platform/files/filenames.h"
#include "platform/logging.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {

const Qt::CaseSensitivity files::pathCase = Qt::CaseSensitive;

namespace {

    bool canBrowse(const QString& root)
    {
        const QByteArray path = QFile::encodeName(root);
        struct stat st;
        return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
            && ::access(path.constData(), R_OK | X_OK) == 0;
    }

} // namespace

std::vector<MountedDrive> mountedDrives()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    std::vector<MountedDrive> drives;
    if (file.open(QIODevice::ReadOnly))
        drives = parseMountInfo(file.readAll());
    else
        qCWarning(lcFiles) << "cannot read the mounts from" << file.fileName() << ":"
                           << qUtf8Printable(file.errorString());
    // Bind mounts of single files (containers mount /etc/hosts so) are no drives either.
    std::erase_if(drives, [](const MountedDrive& drive) { return !canBrowse(drive.root); });
    const bool hasTop = std::any_of(drives.begin(), drives.end(), [](const MountedDrive& d) { return d.root == u"/"; });
    if (!hasTop && canBrowse(QStringLiteral("/")))
        drives.insert(drives.begin(), { QStringLiteral("/"), QString(), QString() });
    return drives;
}

DriveStatus probeDrive(const QString& root)
{
    const QByteArray path = QFile::encodeName(root);
    if (path.isEmpty())
        return DriveStatus::Gone;
    int error = 0;
    if (DIR* dir = ::opendir(path.constData())) {
        // A stick pulled out without unmounting still opens; reading is what fails.
        errno = 0;
        if (!::readdir(dir))
            error = errno;
        ::closedir(dir);
    } else {
        error = errno;
    }
    if (error != 0)
        qCWarning(lcFiles) << "cannot read the drive" << root << ":" << qUtf8Printable(qt_error_string(error));
    switch (error) {
    case 0:
        return DriveStatus::Ready;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return DriveStatus::Gone;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
        return DriveStatus::NoMedium;
#endif
    case EIO:
    case EACCES:
    case EPERM:
        return DriveStatus::Unreadable;
    default:
        return DriveStatus::Failed;
    }
}

namespace {

    // A current folder that has been removed has no path to getcwd(); the kernel still names it,
    // marked as deleted.
    QString removedCurrentFolder()
    {
        const QString suffix = QStringLiteral(" (deleted)");
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink("/proc/self/cwd", target.data(), target.size());
        QString path = length > 0 && length < target.size() ? decodeFilePath(target.first(length)) : QString();
        if (path.endsWith(suffix))
            path.chop(suffix.size());
        return path;
    }

} // namespace

QString files::processFolder()
{
    // Read as every other name is, so that a folder named in code page 932 stays itself.
    QByteArray buffer(4096, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() >= (1 << 20))
            return removedCurrentFolder();
        buffer.resize(buffer.size() * 2);
    }
    return decodeFilePath(buffer.constData());
}

} // namespace tl
