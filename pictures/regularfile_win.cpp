#include "pictures/regularfile.h"

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

} // namespace tl
