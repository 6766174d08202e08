#include "platform/files/drives.h"

#include "platform/files/drivesystem.h"
#include "platform/files/nativenames.h"
#include "platform/files/naturalorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <algorithm>

namespace tl {

using files::pathCase;

namespace {

    // Whether path is folder itself or lies inside it.
    bool isAtOrUnder(QStringView path, QStringView folder)
    {
        if (folder.isEmpty() || !path.startsWith(folder, pathCase))
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

QStringList rootsOf(const std::vector<MountedDrive>& drives)
{
    QStringList roots;
    for (const MountedDrive& drive : drives)
        roots << drive.root;
    return roots;
}

QString driveOf(const QStringList& roots, const QString& absolutePath, const QString& fallback)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(absolutePath));
    if (path.isEmpty() || QDir::isRelativePath(path))
        return fallback;
    const QString* best = nullptr;
    for (const QString& root : roots) {
        if (isAtOrUnder(path, root) && (!best || root.size() > best->size()))
            best = &root;
    }
    return best ? *best : fallback;
}

QString currentFolder()
{
    QString folder = QDir::cleanPath(files::processFolder());
    if (QDir::isRelativePath(folder))
        return QDir::rootPath();
    while (!files::isFolder(folder) && !QFileInfo(folder).isRoot())
        folder = QFileInfo(folder).path();
    return folder;
}

// The drives the folder and drive lists read, and the folder each was last left in.
namespace {
    struct MountedDriveSource : DriveSource {
        QStringList drives() override { return rootsOf(mountedDrives()); }
        DriveStatus probe(const QString& root) override { return probeDrive(root); }
    };

    // The lists read the drives on the I/O pool and put in what they read on the window's thread.
    QMutex drivesMutex;

    QMap<QString, QString>& rememberedFolders()
    {
        static QMap<QString, QString> folders;
        return folders;
    }

    QSet<QString>& listedDrives()
    {
        static QSet<QString> roots;
        return roots;
    }

} // namespace

std::shared_ptr<DriveSource> driveSource = std::make_shared<MountedDriveSource>();

QStringList listDrives() { return listDrives(*driveSource); }

QStringList listDrives(DriveSource& source)
{
    const QStringList roots = source.drives();
    const QMutexLocker lock(&drivesMutex);
    for (const QString& root : roots)
        listedDrives().insert(root);
    return roots;
}

bool wasListedDrive(const QString& root)
{
    const QMutexLocker lock(&drivesMutex);
    return listedDrives().contains(root);
}

QString currentFolderOf(const QStringList& roots, const QString& driveRoot)
{
    {
        const QMutexLocker lock(&drivesMutex);
        const auto it = rememberedFolders().constFind(driveRoot);
        if (it != rememberedFolders().constEnd())
            return *it;
    }
    const QString cwd = currentFolder();
    return driveOf(roots, cwd, QDir::rootPath()) == driveRoot ? cwd : driveRoot;
}

void rememberFolder(const QString& driveRoot, const QString& folder)
{
    const QMutexLocker lock(&drivesMutex);
    rememberedFolders().insert(driveRoot, folder);
}

void forgetDrives()
{
    const QMutexLocker lock(&drivesMutex);
    rememberedFolders().clear();
    listedDrives().clear();
}

} // namespace tl
