#include "pictures/regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstring>
#include <qt_windows.h>

namespace tl {

bool openRegularFile(QFile& file, const QString& path, QString& why)
{
    // Pipes and devices do not take file names here; a folder is refused by its attributes.
    const QFileInfo info(path);
    if (!info.isFile()) {
        why = info.exists() ? QStringLiteral("not a file") : QStringLiteral("file not found");
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    return true;
}

// Windows keeps a file's creation time when another file replaces it; what tells a replacement
// apart is the change time and the file ID, read from a handle opened for its attributes only.
std::optional<FileVersion> regularFileVersion(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QString native = QDir::toNativeSeparators(info.absoluteFilePath());
    // Past MAX_PATH a drive's path is taken whole only with the \\?\ prefix (Qt adds it for its own calls).
    if (native.size() >= MAX_PATH && !native.startsWith(QLatin1String("\\\\")))
        native.prepend(QLatin1String("\\\\?\\"));
    // No folder opens without FILE_FLAG_BACKUP_SEMANTICS; deleting or replacing the file stays allowed.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const auto close = qScopeGuard([file] { CloseHandle(file); });
    FILE_BASIC_INFO basic {};
    FILE_STANDARD_INFO standard {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)
        || !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) || standard.Directory)
        return std::nullopt;
    quint64 volume = 0;
    std::array<unsigned char, 16> id {};
    FILE_ID_INFO ids {};
    if (GetFileInformationByHandleEx(file, FileIdInfo, &ids, sizeof ids)) {
        volume = ids.VolumeSerialNumber;
        std::memcpy(id.data(), ids.FileId.Identifier, id.size());
    } else {
        // File systems without 128-bit IDs (FAT, some shares) still give the 64-bit index.
        BY_HANDLE_FILE_INFORMATION info {};
        if (!GetFileInformationByHandle(file, &info))
            return std::nullopt;
        volume = info.dwVolumeSerialNumber;
        const quint64 index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        for (int i = 0; i < 8; ++i)
            id[i] = static_cast<unsigned char>(index >> (8 * i));
    }
    return windowsFileVersion(
        standard.EndOfFile.QuadPart, basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart, volume, id);
}

} // namespace tl
