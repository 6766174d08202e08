#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tl {

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

QStringList rootsOf(const std::vector<MountedDrive>& drives);

// Root of the drive that holds an absolute path, in either separator: the longest root that is the
// path or one of its parent folders. `fallback` when no drive holds it or the path is not absolute.
QString driveOf(const QStringList& roots, const QString& absolutePath, const QString& fallback = {});

enum class DriveStatus {
    Ready, // can be listed
    Gone, // no longer there: unmounted, unplugged, not a folder
    NoMedium, // a drive without a disc or card in it
    Unreadable, // there, but reading it fails: I/O error or no permission
    Failed, // any other failure
};

// Opens the root of a drive and reads its first entry to tell whether it can be browsed.
DriveStatus probeDrive(const QString& root);

// The process's current folder, or, when that folder has been removed, the nearest folder above it
// that still exists; the root of the file system at worst.
QString currentFolder();

// The drives a user browses, and whether one can be read now.
struct DriveSource {
    virtual ~DriveSource() = default;
    // Roots of the drives, the root of the file system first.
    virtual QStringList drives() = 0;
    virtual DriveStatus probe(const QString& root) = 0;
};
extern std::shared_ptr<DriveSource> driveSource;

// The drives listed now, read from driveSource (or from `source`, for a thread that must not look at
// driveSource while it may be replaced). Each root listed is remembered as a drive, so that one
// which has gone since (a stick pulled out, its mount point left as an empty folder or removed) is
// still known for a drive and not taken for a plain folder. These and the folders below are safe to
// use from any thread.
QStringList listDrives();
QStringList listDrives(DriveSource& source);
bool wasListedDrive(const QString& root);

// The current folder of a drive: the process's current folder (the nearest one left, should it have
// been removed) for the drive that holds it, the root for the others, then wherever the folder list
// last was on that drive.
QString currentFolderOf(const QStringList& roots, const QString& driveRoot);
void rememberFolder(const QString& driveRoot, const QString& folder);
// Forgets the drives listed so far and their folders, as at start.
void forgetDrives();

} // namespace tl
