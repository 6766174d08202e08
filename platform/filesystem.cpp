#include "platform/filesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <QDirIterator>
#include <string>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tl {

namespace {

    // The value of an ASCII or a full-width digit, -1 for any other character: 写真２ and 写真2 name
    // the same number.
    constexpr int digitValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'\uFF10' && c <= u'\uFF19')
            return c - u'\uFF10';
        return -1;
    }

    constexpr bool isDigit(char16_t c) { return digitValue(c) >= 0; }

    // What a character weighs against a different one. A digit weighs as its ASCII form, and no other
    // character folds to an ASCII digit, so a digit against any other character gives the same answer
    // whatever the digit and its width are: numbers as a whole sort between the characters below '0'
    // and those above '9', and the order stays transitive.
    inline char32_t weight(char16_t c)
    {
        if (c < 0x80)
            return (c >= u'A' && c <= u'Z') ? char32_t(c + (u'a' - u'A')) : char32_t(c);
        if (isDigit(c))
            return char32_t(u'0' + digitValue(c));
        return QChar::toCaseFolded(char32_t(c));
    }

    int sign(qsizetype v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

    qsizetype skipZeros(QStringView s, qsizetype from)
    {
        while (from < s.size() && digitValue(s[from].unicode()) == 0)
            ++from;
        return from;
    }

    qsizetype digitsEnd(QStringView s, qsizetype from)
    {
        while (from < s.size() && isDigit(s[from].unicode()))
            ++from;
        return from;
    }

} // namespace

int naturalCompare(QStringView a, QStringView b)
{
    const qsizetype na = a.size();
    const qsizetype nb = b.size();
    qsizetype i = 0;
    qsizetype j = 0;
    int leadingZeros = 0; // first difference in leading zeros between equal numbers
    while (i < na && j < nb) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[j].unicode();
        if (isDigit(ca) && isDigit(cb)) {
            const qsizetype ia = skipZeros(a, i);
            const qsizetype ea = digitsEnd(a, ia);
            const qsizetype ib = skipZeros(b, j);
            const qsizetype eb = digitsEnd(b, ib);
            // Without leading zeros the longer number is the larger; equal lengths compare digit by digit.
            if (ea - ia != eb - ib)
                return ea - ia < eb - ib ? -1 : 1;
            for (qsizetype k = 0; k < ea - ia; ++k) {
                const int da = digitValue(a[ia + k].unicode());
                const int db = digitValue(b[ib + k].unicode());
                if (da != db)
                    return da < db ? -1 : 1;
            }
            if (leadingZeros == 0)
                leadingZeros = sign((ia - i) - (ib - j));
            i = ea;
            j = eb;
            continue;
        }
        const char32_t fa = weight(ca);
        const char32_t fb = weight(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    if (leadingZeros != 0)
        return leadingZeros;
    return sign(a.compare(b, Qt::CaseSensitive));
}

bool naturalLess(QStringView a, QStringView b) { return naturalCompare(a, b) < 0; }

namespace {

    void sortNaturally(QStringList& names)
    {
        std::sort(names.begin(), names.end(), [](const QString& x, const QString& y) { return naturalLess(x, y); });
    }

    // The name patterns of a listing. Most are "*.ext", which need no regular expression.
    class NameFilter {
    public:
        explicit NameFilter(const QStringList& patterns)
        {
            if (patterns.isEmpty()) {
                all_ = true;
                return;
            }
            for (const QString& pattern : patterns) {
                if (pattern.isEmpty())
                    continue;
                const QStringView rest = QStringView(pattern).mid(1);
                const auto isWild = [](QChar c) { return c == u'*' || c == u'?' || c == u'['; };
                if (pattern.front() == u'*' && std::none_of(rest.begin(), rest.end(), isWild)) {
                    if (rest.isEmpty())
                        all_ = true;
                    else
                        suffixes_.append(rest.toString());
                } else if (std::none_of(pattern.begin(), pattern.end(), isWild)) {
                    exact_.append(pattern);
                } else {
                    QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                        QRegularExpression::CaseInsensitiveOption);
                    re.optimize();
                    regexes_.push_back(std::move(re));
                }
            }
        }

        bool matches(const QString& name) const
        {
            if (all_)
                return true;
            for (const QString& suffix : suffixes_) {
                if (name.endsWith(suffix, Qt::CaseInsensitive))
                    return true;
            }
            for (const QString& exact : exact_) {
                if (name.compare(exact, Qt::CaseInsensitive) == 0)
                    return true;
            }
            for (const QRegularExpression& re : regexes_) {
                if (re.match(name).hasMatch())
                    return true;
            }
            return false;
        }

    private:
        bool all_ = false;
        QStringList suffixes_;
        QStringList exact_;
        std::vector<QRegularExpression> regexes_;
    };

    enum class Kind { File, Folder };

#ifdef _WIN32

    bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names)
    {
        const QFileInfo info(folder);
        if (folder.isEmpty() || !info.isDir() || !info.isReadable())
            return false;
        // Without QDir::Hidden and QDir::System, hidden, system and dangling entries are skipped.
        QDirIterator it(folder, (kind == Kind::File ? QDir::Files : QDir::Dirs) | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QString name = it.fileName();
            if (name.startsWith(u'.') || (filter && !filter->matches(name)))
                continue;
            names.append(name);
        }
        return true;
    }

#else

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

    bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names)
    {
        const QByteArray path = QFile::encodeName(folder);
        if (path.isEmpty())
            return false;
        DIR* dir = ::opendir(path.constData());
        if (!dir)
            return false;
        const int fd = ::dirfd(dir);
        int error = 0;
        for (;;) {
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
        return error == 0;
    }

#endif

    QStringList listFolder(const QString& folder, Kind kind, const NameFilter* filter, bool* ok)
    {
        QStringList names;
        const bool success = scanFolder(folder, kind, filter, names);
        if (ok)
            *ok = success;
        if (!success)
            return {};
        sortNaturally(names);
        return names;
    }

} // namespace

QStringList listFiles(const QString& folder, const QStringList& patterns, bool* ok)
{
    const NameFilter filter(patterns);
    return listFolder(folder, Kind::File, &filter, ok);
}

QStringList listSubfolders(const QString& folder, bool* ok) { return listFolder(folder, Kind::Folder, nullptr, ok); }

namespace {

#ifdef _WIN32
    constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;
#endif

    // Whether path is folder itself or lies inside it.
    bool isAtOrUnder(QStringView path, QStringView folder)
    {
        if (folder.isEmpty() || !path.startsWith(folder, PathCase))
            return false;
        return path.size() == folder.size() || folder.back() == u'/' || path[folder.size()] == u'/';
    }

    bool isUnder(QStringView path, QStringView folder)
    {
        return path.size() > folder.size() && isAtOrUnder(path, folder);
    }

    // Mountinfo writes space, tab, newline and backslash in paths as \ and three octal digits.
    QByteArray unescaped(const QByteArray& field)
    {
        if (!field.contains('\\'))
            return field;
        QByteArray out;
        out.reserve(field.size());
        const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
        for (qsizetype k = 0; k < field.size(); ++k) {
            if (field[k] == '\\' && k + 3 < field.size() && isOctal(field[k + 1]) && isOctal(field[k + 2])
                && isOctal(field[k + 3])) {
                const int value = (field[k + 1] - '0') * 64 + (field[k + 2] - '0') * 8 + (field[k + 3] - '0');
                if (value <= 0xff && value != 0) {
                    out.append(char(value));
                    k += 3;
                    continue;
                }
            }
            out.append(field[k]);
        }
        return out;
    }

    bool isPseudoFileSystem(const QByteArray& type)
    {
        static const QByteArrayList pseudo = { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs",
            "pstore", "bpf", "debugfs", "tracefs", "mqueue", "hugetlbfs", "fusectl", "configfs", "autofs",
            "binfmt_misc", "rpc_pipefs", "nsfs", "efivarfs", "selinuxfs", "ramfs", "nfsd", "fuse.gvfsd-fuse",
            "fuse.gvfs-fuse-daemon", "fuse.portal", "fuse.lxcfs", "fuse.snapfuse" };
        return pseudo.contains(type);
    }

    bool isBrowsedMount(const QString& root, const QByteArray& type, const QByteArray& source)
    {
        if (isPseudoFileSystem(type))
            return false;
        if (type == "tmpfs" && !isUnder(root, u"/media") && !isUnder(root, u"/mnt") && !isUnder(root, u"/run/media"))
            return false;
        if (type == "squashfs" && (source.endsWith(".snap") || source.contains("/snapd/")))
            return false;
        for (const char16_t* system :
            { u"/proc", u"/sys", u"/dev", u"/snap", u"/boot/efi", u"/var/lib/docker", u"/var/lib/snapd" }) {
            if (isAtOrUnder(root, system))
                return false;
        }
        return !isAtOrUnder(root, u"/run") || isUnder(root, u"/run/media");
    }

    QString decodedPath(const QByteArray& bytes)
    {
        QString path = QFile::decodeName(bytes);
        return QFile::encodeName(path) == bytes ? path : QString();
    }

    void sortDrives(std::vector<MountedDrive>& drives)
    {
        std::sort(drives.begin(), drives.end(), [](const MountedDrive& x, const MountedDrive& y) {
            const bool xTop = x.root == u"/";
            const bool yTop = y.root == u"/";
            if (xTop != yTop)
                return xTop;
            return naturalLess(x.root, y.root);
        });
    }

} // namespace

std::vector<MountedDrive> parseMountInfo(const QByteArray& mountinfoText)
{
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue": mount point is the
    // fifth field; after any number of optional fields, a lone "-", then the type and the source.
    struct Mount {
        MountedDrive drive;
        QByteArray type;
        QByteArray source;
    };
    std::vector<Mount> mounts;
    QHash<QString, size_t> byRoot;
    for (const QByteArray& line : mountinfoText.split('\n')) {
        const QByteArrayList fields = line.split(' ');
        qsizetype separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (separator + 2 >= fields.size() || fields[separator + 1].isEmpty())
            continue;
        const QString root = decodedPath(unescaped(fields[4]));
        if (!root.startsWith(u'/'))
            continue;
        Mount mount;
        mount.type = fields[separator + 1];
        mount.source = unescaped(fields[separator + 2]);
        mount.drive = { root, QFile::decodeName(mount.source), QString::fromUtf8(mount.type) };
        // A later mount on the same point hides the earlier one.
        const auto found = byRoot.constFind(root);
        if (found != byRoot.cend()) {
            mounts[*found] = std::move(mount);
        } else {
            byRoot.insert(root, mounts.size());
            mounts.push_back(std::move(mount));
        }
    }
    std::vector<MountedDrive> drives;
    for (Mount& mount : mounts) {
        if (isBrowsedMount(mount.drive.root, mount.type, mount.source))
            drives.push_back(std::move(mount.drive));
    }
    sortDrives(drives);
    return drives;
}

#ifdef _WIN32

std::vector<MountedDrive> mountedDrives()
{
    std::vector<MountedDrive> drives;
    for (const QFileInfo& drive : QDir::drives())
        drives.push_back({ drive.absoluteFilePath(), QString(), QString() });
    return drives;
}

DriveState probeDrive(const QString& root)
{
    if (root.isEmpty())
        return DriveState::Gone;
    const std::wstring native = QDir::toNativeSeparators(root).toStdWString();
    const DWORD attributes = ::GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? DriveState::Ready : DriveState::Gone;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
        return DriveState::Gone;
    case ERROR_NOT_READY:
        return DriveState::NoMedium;
    case ERROR_ACCESS_DENIED:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
        return DriveState::Unreadable;
    default:
        return DriveState::Failed;
    }
}

#else

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
    // Bind mounts of single files (containers mount /etc/hosts so) are no drives either.
    std::erase_if(drives, [](const MountedDrive& drive) { return !canBrowse(drive.root); });
    const bool hasTop = std::any_of(drives.begin(), drives.end(), [](const MountedDrive& d) { return d.root == u"/"; });
    if (!hasTop && canBrowse(QStringLiteral("/")))
        drives.insert(drives.begin(), { QStringLiteral("/"), QString(), QString() });
    return drives;
}

DriveState probeDrive(const QString& root)
{
    const QByteArray path = QFile::encodeName(root);
    if (path.isEmpty())
        return DriveState::Gone;
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
    switch (error) {
    case 0:
        return DriveState::Ready;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return DriveState::Gone;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
        return DriveState::NoMedium;
#endif
    case EIO:
    case EACCES:
    case EPERM:
        return DriveState::Unreadable;
    default:
        return DriveState::Failed;
    }
}

namespace {

    // A current folder that has been removed has no path to getcwd(); the kernel still names it,
    // marked as deleted.
    QString removedCurrentFolder()
    {
        const QString suffix = QStringLiteral(" (deleted)");
        QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/cwd"));
        if (path.endsWith(suffix))
            path.chop(suffix.size());
        return path;
    }

} // namespace

#endif

QString currentFolder()
{
    QString folder = QDir::currentPath();
#ifndef _WIN32
    if (folder.isEmpty())
        folder = removedCurrentFolder();
#endif
    folder = QDir::cleanPath(folder);
    if (QDir::isRelativePath(folder))
        return QDir::rootPath();
    while (!QFileInfo(folder).isDir() && !QFileInfo(folder).isRoot())
        folder = QFileInfo(folder).path();
    return folder;
}

QString driveOf(const QStringList& roots, const QString& absolutePath)
{
    if (absolutePath.isEmpty())
        return {};
    const QString path = QDir::cleanPath(absolutePath);
    if (QDir::isRelativePath(path))
        return {};
    const QString* best = nullptr;
    for (const QString& root : roots) {
        if (isAtOrUnder(path, root) && (!best || root.size() > best->size()))
            best = &root;
    }
    return best ? *best : QString();
}

QString driveOf(const std::vector<MountedDrive>& drives, const QString& absolutePath)
{
    QStringList roots;
    for (const MountedDrive& drive : drives)
        roots << drive.root;
    return driveOf(roots, absolutePath);
}

} // namespace tl
