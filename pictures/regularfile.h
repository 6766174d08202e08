#pragma once

#include <QFile>
#include <QString>
#include <optional>

namespace tl {

// Opens exactly the file `path` names for reading, and only when it is a regular file: a folder,
// a pipe or a device named like a picture is refused without blocking. On failure `why` says why.
bool openRegularFile(QFile& file, const QString& path, QString& why);

// What tells one version of a file from another. A file written since, or replaced by another one
// (even of the same size with its modification time copied over), differs in one of these.
struct FileVersion {
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch
    qint64 changed = 0; // the last change of the file's status, in nanoseconds since the epoch
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileVersion&) const = default;
};

// The version of the regular file `path` names (following links); none for anything else.
std::optional<FileVersion> regularFileVersion(const QString& path);

} // namespace tl
