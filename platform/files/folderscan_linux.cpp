#include "platform/files/folderscan.h"

#include "platform/files/filenames.h"
#include "platform/files/nativenames.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tl::files {

namespace {

    bool isKind(int dirFd, const dirent* entry, Kind kind)
    {
#ifdef _DIRENT_HAVE_D_TYPE
        if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK)
            return entry->d_type == (kind == Kind::File ? DT_REG : DT_DIR);
#endif
        // The file system does not say, or it is a link: look at what it points to.
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0)
            return false;
        return kind == Kind::File ? S_ISREG(st.st_mode) : S_ISDIR(st.st_mode);
    }

    // A name read as code page 932 whose text a UTF-8 name beside it has already is listed with its
    // bytes kept, so that each name opens its own file.
    QString listedName(int dirFd, QByteArrayView bytes, QString name)
    {
        if (isValidUtf8(bytes) || encodeFileName(name) == bytes)
            return name;
        struct stat st;
        if (::fstatat(dirFd, encodeFileName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            return escapedFileName(bytes);
        return name;
    }

} // namespace

bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names, QString& why,
    const std::atomic<bool>* cancelled)
{
    const QByteArray path = nativePath(folder);
    if (path.isEmpty()) {
        why = QStringLiteral("no folder named");
        return false;
    }
    DIR* dir = ::opendir(path.constData());
    if (!dir && errno == ENOENT) {
        const QByteArray other = otherNativePath(folder);
        if (!other.isEmpty())
            dir = ::opendir(other.constData());
        else
            errno = ENOENT;
    }
    if (!dir) {
        why = qt_error_string(errno);
        return false;
    }
    const int fd = ::dirfd(dir);
    int error = 0;
    bool stopped = false;
    for (;;) {
        // A listing nobody waits for any more stops: on a slow share it may hold a thread for minutes.
        if (cancelled && cancelled->load(std::memory_order_relaxed)) {
            stopped = true;
            break;
        }
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        const QByteArrayView bytes(entry->d_name);
        QString name = decodeFileName(bytes);
        if ((filter && !filter->matches(name)) || !isKind(fd, entry, kind))
            continue;
        names.append(listedName(fd, bytes, std::move(name)));
    }
    ::closedir(dir);
    if (error != 0)
        why = qt_error_string(error);
    return error == 0 && !stopped;
}

} // namespace tl::files
