#include "app/startup.h"
#include "browser/frmBmpGet.h"
#include "support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace tl;
using namespace tl::test;

namespace {

// The message box the program shows, not a stand-in: the user sees the program's name as its
// caption, the text, no icon and one button, OK, which the box waits for.
TEST(MessageBox, ShowsTheTextUnderTheProgramsNameWithOnlyAnOkButton)
{
    struct Seen {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QStringList buttons;
        bool modal = false;
        bool okPressed = false;
    } seen;
    QTimer watcher;
    int ticks = 0;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            // Never wait for ever on a box that did not come.
            if (++ticks > 500 && QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        watcher.stop();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.modal = box->isModal();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.okPressed = true;
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    watcher.start(10);

    MsgBox(QStringLiteral("Help.txtファイルがありません。"));
    watcher.stop();
    EXPECT_TRUE(seen.okPressed) << "returns only after OK";
    EXPECT_EQ(seen.caption, QStringLiteral("Tessaline"));
    EXPECT_EQ(seen.text, QStringLiteral("Help.txtファイルがありません。"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons.size(), 1) << seen.buttons.join(u", ").toStdString();
    EXPECT_TRUE(seen.modal);
}

// The main window opens at the screen's top-left corner, its inner area 30 twips from the left
// edge and 735 from the top.
TEST(ProgramStart, PutsTheMainWindowsInnerAreaNearTheTopLeftCorner)
{
    Seams seams;
    const QFont font = QApplication::font();
    const QString name = QApplication::applicationName();
    StartProgram();
    frmBmpGet* form = Window<frmBmpGet>().Instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->client()->mapToGlobal(QPoint(0, 0)), QPoint(2, 49));
    unload<frmBmpGet>();
    QApplication::setFont(font);
    QApplication::setApplicationName(name);
}

} // namespace
