#include "app/startup.h"

#include "browser/frmBmpGet.h"

#include <QApplication>
#include <QFont>

namespace tl {

void SetUpFonts()
{
    // The windows name the Japanese proportional Gothic of their platform; IPA P Gothic has the
    // same metrics.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    // The user-interface font of the Japanese desktop the layouts were drawn for.
    QApplication::setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
}

void StartProgram()
{
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    SetUpFonts();
    Window<frmBmpGet>().Show();
}

} // namespace tl
