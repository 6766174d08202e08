#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include "platform/files/drives.h"
#include "platform/files/drivesystem.h"
#include "platform/logging.h"

#include <QDir>
#include <QFileInfo>
#include <string>
#include <windows.h>

namespace tl {

const Qt::CaseSensitivity files::pathCase = Qt::CaseInsensitive;

QString files::processFolder() { return QDir::currentPath(); }

std::vector<MountedDrive> mountedDrives()
{
    std::vector<MountedDrive> drives;
    for (const QFileInfo& drive : QDir::drives())
        drives.push_back({ drive.absoluteFilePath(), QString(), QString() });
    return drives;
}

DriveStatus probeDrive(const QString& root)
{
    if (root.isEmpty())
        return DriveStatus::Gone;
    const std::wstring native = QDir::toNativeSeparators(root).toStdWString();
    const DWORD attributes = ::GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? DriveStatus::Ready : DriveStatus::Gone;
    const DWORD error = ::GetLastError();
    qCWarning(lcFiles) << "cannot read the drive" << root << ":" << qUtf8Printable(qt_error_string(int(error)));
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
        return DriveStatus::Gone;
    case ERROR_NOT_READY:
        return DriveStatus::NoMedium;
    case ERROR_ACCESS_DENIED:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
        return DriveStatus::Unreadable;
    default:
        return DriveStatus::Failed;
    }
}

} // namespace tl
