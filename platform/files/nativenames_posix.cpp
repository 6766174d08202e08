#include "platform/files/nativenames.h"

#include "platform/files/filenames.h"

#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace tl::files {

namespace {

    bool named(const QByteArray& bytes)
    {
        struct stat status { };
        return ::lstat(bytes.constData(), &status) == 0;
    }

    // The status of what the path names, by its bytes or its other bytes.
    bool statusOf(const QString& path, struct stat& status)
    {
        if (::stat(nativePath(path).constData(), &status) == 0)
            return true;
        if (errno != ENOENT)
            return false;
        const QByteArray other = otherNativePath(path);
        return !other.isEmpty() && ::stat(other.constData(), &status) == 0;
    }

} // namespace

QByteArray nativePath(const QString& path) { return encodeFilePath(path); }

QByteArray otherNativePath(const QString& path)
{
    QByteArray bytes;
    bool other = false;
    bool first = true;
    for (QStringView part : QStringView(path).split(u'/')) {
        if (!std::exchange(first, false))
            bytes.append('/');
        const QByteArray cp932 = cp932FileName(part);
        const QByteArray utf8 = encodeFileName(part);
        if (cp932.isEmpty() || named(bytes + utf8)) {
            bytes.append(utf8);
        } else if (named(bytes + cp932)) {
            bytes.append(cp932);
            other = true;
        } else {
            return {};
        }
    }
    return other ? bytes : QByteArray();
}

bool isFolder(const QString& path)
{
    struct stat status { };
    return !path.isEmpty() && statusOf(path, status) && S_ISDIR(status.st_mode);
}

bool exists(const QString& path)
{
    struct stat status { };
    return !path.isEmpty() && statusOf(path, status);
}

QStringList commandLineArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.append(decodeFilePath(argv[i]));
    return arguments;
}

} // namespace tl::files
