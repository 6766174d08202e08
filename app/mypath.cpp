#include "app/mypath.h"

#include "platform/services.h"

#include <QDir>

namespace tl {

QString MyPath()
{
    QString path = QDir::toNativeSeparators(applicationFolder());
    if (!path.endsWith(separator()))
        path += separator();
    return path;
}

} // namespace tl
