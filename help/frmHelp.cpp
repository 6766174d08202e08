#include "help/frmHelp.h"

#include "forms/fonts.h"
#include "forms/messages.h"
#include "forms/mypath.h"
#include "help/helptext.h"
#include "platform/services.h"

#include <QFont>
#include <QIcon>

namespace tl {

namespace {

    constexpr int InnerWidth = 7875;
    constexpr int InnerHeight = 6495;

    const QString HelpFileName = QStringLiteral("Help.txt");

} // namespace

std::function<std::optional<QString>(const QString&)> helpFileReader = readHelpFile;

frmHelp::frmHelp()
{
    setWindowTitle(QStringLiteral("Help"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/help.ico")));
    // A sizable border with minimise, maximise and close boxes; the system picks the place.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    substituteJapaneseFonts();
    buildLayout();
    Command1.Click = [this] { Command1_Click(); };
    addKeyCommand({ Qt::Key_Escape }, [this] { Command1_Click(); });
}

void frmHelp::buildLayout()
{
    setInnerSize(InnerWidth, InnerHeight);
    // Nothing is laid out again when the window is resized: the controls keep these places.
    layOut({
        { Text1, 120, 0, 7695, 6015 },
        { Command1, 3360, 6120, 1092, 372 },
    });
    // Both controls use PGothic, each at its own size.
    Text1.widget()->setFont(QFont(PGothic, 12));
    // The text is there to be read: nothing could be done with an edit.
    Text1.setLocked(true);
    Command1.widget()->setFont(QFont(PGothic, 9));
    nameForScreenReaders({ { Text1, QStringLiteral("ヘルプ") } });
}

void frmHelp::Form_Load()
{
    const std::optional<QString> text = helpFileReader(MyPath() + HelpFileName);
    if (!text) {
        MsgBox(messages::NoHelpFile);
        return;
    }
    Text1.setText(*text);
}

void frmHelp::Command1_Click() { Unload(); }

} // namespace tl
