#include "app/startup.h"
#include "browser/frmBmpGet.h"
#include "support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <memory>

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

// Starts the program as main() does, and puts back what start-up changes for the whole process.
class ProgramStart : public testing::Test {
protected:
    void TearDown() override
    {
        unload<frmBmpGet>();
        QApplication::setFont(font_);
        QApplication::setApplicationName(name_);
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
    }
    Seams seams;

private:
    QFont font_ = QApplication::font();
    QString name_ = QApplication::applicationName();
};

// The main window opens at the screen's top-left corner, its inner area 30 twips from the left
// edge and 735 from the top.
TEST_F(ProgramStart, PutsTheMainWindowsInnerAreaNearTheTopLeftCorner)
{
    startProgram();
    frmBmpGet* form = Window<frmBmpGet>().Instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->client()->mapToGlobal(QPoint(0, 0)), QPoint(2, 49));
}

// Qt draws the text boxes' context menu itself: without its Japanese translation the menu of a
// Japanese program reads "&Undo", "&Copy", "Select All".
TEST_F(ProgramStart, TheTextBoxContextMenuReadsInJapanese)
{
    startProgram();
    auto* box = qobject_cast<QLineEdit*>(Window<frmBmpGet>().Instance()->Text1.widget());
    ASSERT_NE(box, nullptr);
    const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    QStringList english;
    int commands = 0;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        ++commands;
        const QString text = action->text();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            english << text;
    }
    EXPECT_GE(commands, 6);
    EXPECT_TRUE(english.isEmpty()) << english.join(u", ").toStdString();
}

} // namespace
