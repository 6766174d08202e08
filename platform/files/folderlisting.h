#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

namespace tl {

// Bare names of the folder's files that match any of the patterns, naturally sorted. Patterns are
// wildcards matched case-insensitively ("*.jpg", "img?.png", "photo[0-9]*"); "*.ext" is the fast path.
// An empty list matches every file. Only regular files and symbolic links to regular files are listed;
// hidden names (starting with '.') are left out. A name that is not UTF-8 is listed as it reads in
// code page 932, with the bytes that read as no character kept (filenames.h): it opens its own file.
// A folder that is missing or cannot be read gives an empty list and *ok == false, and is logged with
// the reason. A listing stops early, with *ok == false and nothing logged, once `cancelled` is set.
QStringList listFiles(const QString& folder, const QStringList& patterns, bool* ok = nullptr,
    const std::atomic<bool>* cancelled = nullptr);

// Bare names of the folder's subfolders (symbolic links to folders included, hidden ones left out),
// naturally sorted. A folder that is missing or cannot be read gives an empty list and *ok == false,
// and is logged with the reason.
QStringList listSubfolders(const QString& folder, bool* ok = nullptr, const std::atomic<bool>* cancelled = nullptr);

} // namespace tl
