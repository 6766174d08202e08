#pragma once

#include <QDir>
#include <QString>

namespace tl {

// The separator that ends folder texts: "/" here, "\" on Windows.
inline QChar separator() { return QDir::separator(); }

// A folder's path ending in exactly one separator; a root, which has one already, stays as it is.
inline QString withSeparator(QString folder)
{
    if (!folder.endsWith(separator()))
        folder += separator();
    return folder;
}

} // namespace tl
