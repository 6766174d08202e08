#include "platform/files/folderscan.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

    // The name as a QString, or a null string when the bytes are not valid in the file name encoding:
    // the decoded name would then open some other file or none.
    QString decodedName(const char* raw)
    {
        bool ascii = true;
        const char* end = raw;
        for (; *end; ++end)
            ascii = ascii && static_cast<unsigned char>(*end) < 0x80;
        const QByteArray bytes = QByteArray::fromRawData(raw, end - raw);
        QString name = QFile::decodeName(bytes);
        if (!ascii && QFile::encodeName(name) != bytes)
            return {};
        return name;
    }

} // namespace

bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names, QString& why,
    const std::atomic<bool>* cancelled)
{
    const QByteArray path = QFile::encodeName(folder);
    if (path.isEmpty()) {
        why = QStringLiteral("no folder named");
        return false;
    }
    DIR* dir = ::opendir(path.constData());
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
        const QString name = decodedName(entry->d_name);
        if (name.isNull() || (filter && !filter->matches(name)) || !isKind(fd, entry, kind))
            continue;
        names.append(name);
    }
    ::closedir(dir);
    if (error != 0)
        why = qt_error_string(error);
    return error == 0 && !stopped;
}

} // namespace tl::files
