#include "app/startup.h"

#include "app/commandline.h"
#include "browser/frmBmpGet.h"
#include "forms/fonts.h"
#include "platform/logging.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

namespace tl {

bool translateQtIntoJapanese()
{
    // The program speaks Japanese whatever the desktop's language, so the translation is chosen by name, not
    // by the system locale. It belongs to the application, which outlives every window.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_ja"), folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    // Qt's own texts (the text boxes' context menu, its dialogs' buttons) then stay in English.
    qCWarning(lcApp) << "no Japanese translation of Qt's texts (qtbase_ja) in" << folder;
    return false;
}

void startProgram(const QStringList& arguments)
{
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    // Wayland compositors match the windows to the installed desktop entry, and so to its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaline"));
    translateQtIntoJapanese();
    setUpFonts();
    frmBmpGet& form = Window<frmBmpGet>().Show();
    if (const std::optional<QString> named = namedOnCommandLine(arguments)) {
        const QString why = openNamed(form, *named);
        if (!why.isEmpty())
            std::fprintf(stderr, "tessaline: %s: %s\n", qPrintable(*named), qPrintable(why));
    }
}

} // namespace tl
