#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tl {

// The help file is plain text in code page 932 (Shift-JIS), or UTF-8 when it starts with the UTF-8 mark.
// A line ends at CR or at CR LF; a lone LF is kept inside the line's text. The result holds every line,
// each followed by CR LF, the last one included. An empty file gives an empty string.
QString decodeHelpText(const QByteArray& bytes);

// The whole file at path, decoded as above; nullopt, logged with the reason, when it is missing, not a
// regular file, unreadable or too large to be a help text.
std::optional<QString> readHelpFile(const QString& path);

// The largest help text, far beyond any help file, and small enough for the help window to show
// at once: past these the window would take seconds to open. Lines are counted as the text box
// shows them, so a lone LF counts as a line end too.
constexpr qint64 MaxHelpFileBytes = 1024 * 1024;
constexpr qsizetype MaxHelpLines = 32768;

} // namespace tl
