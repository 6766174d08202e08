#include "pictures/regularfile.h"

#include <QDateTime>
#include <QFileInfo>

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

// Windows keeps no status-change time that Qt reads; the creation time tells a replacement apart.
std::optional<FileVersion> regularFileVersion(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    const auto nanoseconds = [](const QDateTime& t) { return t.toMSecsSinceEpoch() * 1000000; };
    return FileVersion { info.size(), nanoseconds(info.lastModified()), nanoseconds(info.birthTime()), 0, 0 };
}

} // namespace tl
