#pragma once

#include <QString>

namespace tl::status {

// What the status bar says while a list is read late.
inline const QString ReadingFolder = QStringLiteral("フォルダーを読み込み中です");
inline const QString ReadingDrives = QStringLiteral("ドライブを読み込み中です");

} // namespace tl::status
