#pragma once
// TEMPORARY STUB (not committed)
#include <QDir>
#include <QStringList>
#include <vector>
namespace tl {
struct MountedDrive {
    QString root;
    QString device;
    QString fsType;
};
inline std::vector<MountedDrive> mountedDrives() { return { { "/", "", "" } }; }
enum class DriveState { Ready, Gone, NoMedium, Unreadable, Failed };
inline DriveState probeDrive(const QString& r) { return QDir(r).exists() ? DriveState::Ready : DriveState::Gone; }
inline QStringList listFiles(const QString& folder, const QStringList& patterns)
{
    return QDir(folder).entryList(patterns, QDir::Files);
}
inline QStringList listSubfolders(const QString& folder, bool* ok = nullptr)
{
    QDir d(folder);
    if (ok)
        *ok = d.exists() && d.isReadable();
    return d.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}
}
