#pragma once

#include <QFile>
#include <QString>

namespace tl {

// Opens exactly the file `path` names for reading, and only when it is a regular file: a folder,
// a pipe or a device named like a picture is refused without blocking. On failure `why` says why.
bool openRegularFile(QFile& file, const QString& path, QString& why);

} // namespace tl
