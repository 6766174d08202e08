#pragma once

#include <QString>

namespace tl::messages {

inline const QString SetDisk = QStringLiteral("フロッピーデイスクをセットしてください。");
inline const QString Unexpected = QStringLiteral("予期しないエラーが発生しましたので終了します。");
inline const QString NoFolder = QStringLiteral("参照デイレクトリが表示されてない。");
inline const QString NoHelpFile = QStringLiteral("Help.txtファイルがありません。");

} // namespace tl::messages
