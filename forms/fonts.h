#pragma once

#include <QString>

namespace tl {

// The Japanese proportional Gothic that the windows' layouts name.
inline const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");

// Lets PGothic resolve to IPA P Gothic, which has the same metrics, where that font is not
// installed. Safe to call more than once.
void substituteJapaneseFonts();

// The Japanese user-interface fonts: PGothic maps to IPA P Gothic, and the windows use it at 9 points.
void setUpFonts();

} // namespace tl
