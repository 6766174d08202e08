#include "windows_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

QString spokenName(QWidget* widget)
{
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
    return spoken ? spoken->text(QAccessible::Name) : QStringLiteral("<none>");
}

QStringList cellNames(frmBmpGet& form)
{
    QStringList names;
    for (ImageControl& cell : form.Image2)
        names << spokenName(cell.widget());
    return names;
}

// The controls of a window on the screen that take the keyboard but say nothing to a screen reader.
QStringList unnamedControls(QWidget* window)
{
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isVisible() && w->focusPolicy() != Qt::NoFocus && spokenName(w).trimmed().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className());
    }
    return unnamed;
}

using ScreenReader = WindowsTest;

// A screen reader walking the grid hears each cell's file, also when the file does not decode (the
// description says why), and nothing for a cell never filled or past the end of the folder.
TEST_F(ScreenReader, EachCellSaysTheFileOfThePictureItShows)
{
    QStringList files;
    for (int i = 1; i <= 31; ++i)
        files << QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
    for (const QString& name : files)
        name == QLatin1String("p09.bmp") ? writeBytes(dir, name, "BM broken") : writePicture(dir, name, 8, 8);
    auto page = [&](int first) {
        QStringList names;
        for (int k = 0; k < 24; ++k)
            names << (first + k < files.size() ? files[first + k] : QString());
        return names;
    };

    EXPECT_EQ(cellNames(*form), QStringList(24, QString())) << "at start, the blank cells included";
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->mnuCget->trigger();
    EXPECT_EQ(cellNames(*form), page(0));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->Image2[8].widget())->text(QAccessible::Description),
        QStringLiteral("p09.bmp：画像ではありません"));
    form->VScroll1.setValue(form->VScroll1.Max());
    EXPECT_EQ(cellNames(*form), page(12)) << "the last page, with cells past the end";
    form->VScroll1.setValue(1200);
    EXPECT_EQ(cellNames(*form), page(6));

    form->Image2_Click(0);
    frmPicture* picture = Window<frmPicture>().Instance();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(spokenName(picture->Image1.widget()), files[6]) << "the picture window's picture";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picture->Image1.widget())->role(), QAccessible::Graphic);
}

// Every window, as a screen reader meets it: each control that takes the keyboard has a name, and
// the preview keeps its own name whatever file it shows.
TEST_F(ScreenReader, EveryControlThatTakesTheKeyboardHasAName)
{
    ASSERT_TRUE(dir.mkdir(QStringLiteral("sub")));
    writePicture(dir, QStringLiteral("a.bmp"), 8, 8);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->File1.setListIndex(0);
    form->mnuCget->trigger();
    form->Image2_Click(0);
    form->mnuHelp->trigger();

    EXPECT_EQ(unnamedControls(form), QStringList()) << "the main window";
    EXPECT_EQ(unnamedControls(Window<frmPicture>().Instance()), QStringList()) << "the picture window";
    EXPECT_EQ(unnamedControls(Window<frmHelp>().Instance()), QStringList()) << "the help window";
    EXPECT_EQ(spokenName(form->Image1[0].widget()), QStringLiteral("プレビュー"));

    // The folder list's entries say the folder's name alone, however deep it stands.
    QAccessibleInterface* folders = QAccessible::queryAccessibleInterface(form->Dir1.widget());
    QStringList entries;
    for (int i = 0; i < folders->childCount(); ++i)
        entries << folders->child(i)->text(QAccessible::Name);
    EXPECT_EQ(
        entries.mid(entries.size() - 2), QStringList({ QFileInfo(dir.path()).fileName(), QStringLiteral("sub") }));
}

// A window with a text box and three menu commands: F10 lights the first command, the arrows move
// along the bar, Enter or Space chooses, Escape or F10 again gives the keyboard back to the box.
TEST(MenuBarKeys, F10ReachesTheMenuBar)
{
    struct Row {
        const char* keys;
        QList<Qt::Key> presses;
        int chosen; // -1: none
        bool barHasKeyboard;
    };
    const Row rows[] = {
        { "F10 Enter", { Qt::Key_F10, Qt::Key_Return }, 0, false },
        { "F10 Right Enter", { Qt::Key_F10, Qt::Key_Right, Qt::Key_Return }, 1, false },
        { "F10 Right Right Space", { Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Space }, 2, false },
        { "F10 Right Left Enter", { Qt::Key_F10, Qt::Key_Right, Qt::Key_Left, Qt::Key_Return }, 0, false },
        { "F10", { Qt::Key_F10 }, -1, true },
        { "F10 Escape", { Qt::Key_F10, Qt::Key_Escape }, -1, false },
        { "F10 F10", { Qt::Key_F10, Qt::Key_F10 }, -1, false },
        { "F10 Escape Enter", { Qt::Key_F10, Qt::Key_Escape, Qt::Key_Return }, -1, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        Form window;
        int chosen = -1;
        QAction* commands[3];
        for (int i = 0; i < 3; ++i)
            commands[i] = window.addMenuCommand(QStringLiteral("command %1").arg(i), [&chosen, i] { chosen = i; });
        auto* box = new QLineEdit(window.client());
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        box->setFocus();

        for (Qt::Key key : row.presses)
            QTest::keyClick(QApplication::focusWidget(), key);

        EXPECT_EQ(chosen, row.chosen);
        EXPECT_EQ(window.menuBar()->hasFocus(), row.barHasKeyboard);
        EXPECT_EQ(window.menuBar()->activeAction(), row.barHasKeyboard ? commands[0] : nullptr);
        EXPECT_EQ(box->hasFocus(), !row.barHasKeyboard) << "the keyboard is back in the box";
    }
}

} // namespace
