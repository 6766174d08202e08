#pragma once

// The seams through which the program reaches the platform's services. Each is one function
// object that tests replace from C++.

#include "platform/files/drives.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace tl {

// A modal message box: OK only, no icon, caption "Tessaline". Returns when the user presses OK.
extern std::function<void(const QString& text)> MsgBox;

// Ends the process at once with an exit status: no handler of any window runs. The user's own end
// reports success; the end after an unexpected error reports the failure to whoever started us.
enum ExitStatus : int { EndedByUser = 0, EndedByError = 1 };
extern std::function<void(int status)> endProgram;

// The folder that holds the running executable, as a full path.
extern std::function<QString()> applicationFolder;

// The drives a user browses, and whether one can be read now.
struct DriveSource {
    virtual ~DriveSource() = default;
    // Roots of the drives, the root of the file system first.
    virtual QStringList drives() = 0;
    virtual DriveStatus probe(const QString& root) = 0;
};
extern std::shared_ptr<DriveSource> driveSource;

// The drives listed now, read from driveSource. Each root listed is remembered as a drive, so that one
// which has gone since (a stick pulled out, its mount point left as an empty folder or removed) is
// still known for a drive and not taken for a plain folder.
QStringList listDrives();
bool wasListedDrive(const QString& root);

// The separator that ends folder texts: "/" here, "\" on Windows.
QChar separator();

// The current folder of a drive: the process's current folder (the nearest one left, should it have
// been removed) for the drive that holds it, the root for the others, then wherever the folder list
// last was on that drive.
QString currentFolderOf(const QStringList& roots, const QString& driveRoot);
void rememberFolder(const QString& driveRoot, const QString& folder);
// Forgets the drives listed so far and their folders, as at start.
void forgetDrives();

} // namespace tl
