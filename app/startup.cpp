#include "app/startup.h"

#include "app/commandline.h"
#include "browser/frmBmpGet.h"
#include "browser/opennamed.h"
#include "forms/fonts.h"
#include "platform/controls/listreading.h"
#include "platform/logging.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tl {

void keepToTheDesktopsSessionBus()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Qt's accessibility bridge asks for the session bus as soon as the first window is built. libdbus finds
    // that bus in DBUS_SESSION_BUS_ADDRESS or else as the socket $XDG_RUNTIME_DIR/bus, if this user owns it
    // (the test below is libdbus's own). Failing both, it autolaunches a bus over X11 with
    // `dbus-launch --autolaunch`, which writes ~/.dbus/session-bus/ and leaves dbus-launch and a dbus-daemon
    // running after the program ends. The program writes nothing and leaves nothing behind, so there it is
    // given an address of a kind libdbus does not know: each connection fails at once, without autolaunching
    // and without a word on standard error, and the program runs on without the bus. An empty address
    // counts as none, as it autolaunches too.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QByteArray socket = qgetenv("XDG_RUNTIME_DIR") + "/bus";
        struct stat bus { };
        if (::lstat(socket.constData(), &bus) == 0 && S_ISSOCK(bus.st_mode) && bus.st_uid == ::getuid())
            return;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
#endif
}

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
    // The window and what the command line names wait for the file system once, together.
    const ReadingDeadline startUp;
    frmBmpGet& form = Window<frmBmpGet>().Show();
    if (const std::optional<QString> named = namedOnCommandLine(arguments)) {
        openNamed(form, *named, [name = *named](const QString& why) {
            std::fprintf(stderr, "tessaline: %s: %s\n", qPrintable(name), qPrintable(why));
        });
    }
}

} // namespace tl
