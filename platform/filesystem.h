#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace tl {

// Natural order of names, the same under every locale: letters compare case-insensitively (simple case
// folding of each UTF-16 unit) and runs of digits, ASCII or full-width or both, compare by numeric
// value, so img2 < img10 < IMG11 and 写真２ < 写真９ < 写真１０.
// Numbers of any length compare without overflow. Names that differ only in case, in leading zeros or
// in the width of digits are still ordered (fewer leading zeros first, then by UTF-16 code unit), so only identical
// strings compare equal. Negative, zero or positive like strcmp.
int naturalCompare(QStringView a, QStringView b);
bool naturalLess(QStringView a, QStringView b);

// Bare names of the folder's files that match any of the patterns, naturally sorted. Patterns are
// wildcards matched case-insensitively ("*.jpg", "img?.png", "photo[0-9]*"); "*.ext" is the fast path.
// An empty list matches every file. Only regular files and symbolic links to regular files are listed;
// hidden names (starting with '.') are left out, and so are names that cannot be represented as a
// QString that opens the same file again (bytes that are not valid in the file name encoding).
// A folder that is missing or cannot be read gives an empty list and *ok == false.
QStringList listFiles(const QString& folder, const QStringList& patterns, bool* ok = nullptr);

// Bare names of the folder's subfolders (symbolic links to folders included, hidden ones left out),
// naturally sorted. A folder that is missing or cannot be read gives an empty list and *ok == false.
QStringList listSubfolders(const QString& folder, bool* ok = nullptr);

// A mounted file system that a user would browse.
struct MountedDrive {
    QString root; // mount point, e.g. "/media/user/MY STICK"; "C:/" on Windows
    QString device; // mount source, e.g. "/dev/sdb1" or "server:/export"
    QString fsType; // e.g. "ext4", "vfat", "nfs4"

    friend bool operator==(const MountedDrive&, const MountedDrive&) = default;
};

// Drives a user browses, read from text in the format of /proc/self/mountinfo. Pseudo and system
// file systems are left out; when a mount point appears more than once the last mount, which hides
// the others, is kept. "/" comes first, the rest follow in natural order of their roots.
std::vector<MountedDrive> parseMountInfo(const QByteArray& mountinfoText);

// The drives of this machine that the user can open: on Linux the mounts from /proc/self/mountinfo
// whose roots are folders the user may read; "/" is always there when it is readable. On Windows the
// drive letters.
std::vector<MountedDrive> mountedDrives();

// Root of the drive that holds absolutePath: the longest root that is the path or one of its parent
// folders. Empty when no drive holds it or the path is not absolute.
QString driveOf(const QStringList& roots, const QString& absolutePath);
QString driveOf(const std::vector<MountedDrive>& drives, const QString& absolutePath);

enum class DriveState {
    Ready, // can be listed
    Gone, // no longer there: unmounted, unplugged, not a folder
    NoMedium, // a drive without a disc or card in it
    Unreadable, // there, but reading it fails: I/O error or no permission
    Failed, // any other failure
};

// Opens the root of a drive and reads its first entry to tell whether it can be browsed.
DriveState probeDrive(const QString& root);

// The process's current folder, or, when that folder has been removed, the nearest folder above it
// that still exists; the root of the file system at worst.
QString currentFolder();

} // namespace tl
