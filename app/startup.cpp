#include "app/startup.h"

#include "app/fonts.h"
#include "browser/frmBmpGet.h"

#include <QApplication>
#include <QFont>

namespace tl {

void SetUpFonts()
{
    substituteJapaneseFonts();
    // The user-interface font of the Japanese desktop the layouts were drawn for.
    QApplication::setFont(QFont(PGothic, 9));
}

void StartProgram()
{
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    SetUpFonts();
    Window<frmBmpGet>().Show();
}

} // namespace tl
