#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tl {

// The help file is plain text in code page 932 (Shift-JIS), or UTF-8 when it starts with the UTF-8 mark.
// A line ends at CR or at CR LF; a lone LF is kept inside the line's text. The result holds every line,
// each followed by CR LF, the last one included. An empty file gives an empty string.
QString decodeHelpText(const QByteArray& bytes);

// The whole file at path, decoded as above; nullopt when it is missing, not a regular file, unreadable or
// too large to be a help text.
std::optional<QString> readHelpFile(const QString& path);

// Help files larger than this are refused rather than read into memory.
constexpr qint64 MaxHelpFileBytes = 16 * 1024 * 1024;

} // namespace tl
