#pragma once

#include <QFile>
#include <QString>
#include <array>
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
    quint64 inodeHigh = 0; // the upper half of a 128-bit file ID (Windows, on ReFS); zero elsewhere
    bool operator==(const FileVersion&) const = default;
};

// A file's version from what Windows reads of it: its size, its last write and the last change of
// anything about it (which a replacement sets, while the creation time stays) in 100 ns steps since
// 1601, its volume's serial number and its 128-bit ID, lowest byte first.
inline FileVersion windowsFileVersion(
    qint64 size, qint64 written, qint64 changed, quint64 volume, const std::array<unsigned char, 16>& id)
{
    constexpr qint64 From1601To1970 = 116444736000000000;
    const auto nanoseconds = [](qint64 ticks) { return (ticks - From1601To1970) * 100; };
    quint64 low = 0;
    quint64 high = 0;
    for (int i = 0; i < 8; ++i) {
        low |= quint64(id[i]) << (8 * i);
        high |= quint64(id[8 + i]) << (8 * i);
    }
    return FileVersion { size, nanoseconds(written), nanoseconds(changed), volume, low, high };
}

// The version of the regular file `path` names (following links); none for anything else.
std::optional<FileVersion> regularFileVersion(const QString& path);

} // namespace tl
