#include "platform/files/nativenames.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace tl::files {

bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

bool exists(const QString& path) { return !path.isEmpty() && QFileInfo::exists(path); }

// Windows hands the program its arguments in UTF-16, which Qt reads.
QStringList commandLineArguments(int, char**) { return QCoreApplication::arguments(); }

} // namespace tl::files
