#include "app/fonts.h"

#include <QFont>

namespace tl {

void substituteJapaneseFonts() { QFont::insertSubstitution(PGothic, QStringLiteral("IPAPGothic")); }

} // namespace tl
