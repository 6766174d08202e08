#include "forms/fonts.h"

#include <QApplication>
#include <QFont>

namespace tl {

void substituteJapaneseFonts() { QFont::insertSubstitution(PGothic, QStringLiteral("IPAPGothic")); }

void setUpFonts()
{
    substituteJapaneseFonts();
    // The user-interface font of the Japanese desktop the layouts were drawn for.
    QApplication::setFont(QFont(PGothic, 9));
}

} // namespace tl
