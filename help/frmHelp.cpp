#include "help/frmHelp.h"

#include "app/fonts.h"
#include "app/messages.h"
#include "app/mypath.h"
#include "help/helptext.h"
#include "platform/services.h"

#include <QFont>
#include <QIcon>
#include <utility>

namespace tl {

namespace {

    // The layout in twips, rows in tab order; both controls use PGothic at their own size.
    struct Row {
        int left, top, width, height;
        int points;
    };
    constexpr int InnerWidth = 7875;
    constexpr int InnerHeight = 6495;
    constexpr Row Text1Row = { 120, 0, 7695, 6015, 12 };
    constexpr Row Command1Row = { 3360, 6120, 1092, 372, 9 };

    const QString HelpFileName = QStringLiteral("Help.txt");

} // namespace

std::function<std::optional<QString>(const QString&)> HelpFileReader = readHelpFile;

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
}

void frmHelp::buildLayout()
{
    setInnerSize(InnerWidth, InnerHeight);

    // Nothing is laid out again when the window is resized: the controls keep these places.
    const std::pair<Control*, Row> rows[] = { { &Text1, Text1Row }, { &Command1, Command1Row } };
    QWidget* previous = nullptr;
    for (const auto& [control, row] : rows) {
        control->attach(client());
        control->Move(row.left, row.top, row.width, row.height);
        QWidget* w = control->widget();
        w->setFont(QFont(PGothic, row.points));
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
    Text1.widget()->setFocus();
}

void frmHelp::Form_Load()
{
    const std::optional<QString> text = HelpFileReader(MyPath() + HelpFileName);
    if (!text) {
        MsgBox(messages::NoHelpFile);
        return;
    }
    Text1.setText(*text);
}

void frmHelp::Command1_Click() { Unload(); }

} // namespace tl
