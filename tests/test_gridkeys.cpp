#include "windows_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QMimeData>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

class GridKeys : public WindowsTest {
protected:
    // A folder of `count` pictures, p000.bmp on, loaded into the grid.
    void loadFolder(int count)
    {
        for (int i = 0; i < count; ++i)
            writePicture(dir, QStringLiteral("p%1.bmp").arg(i, 3, 10, QLatin1Char('0')), 4, 4);
        ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
        form->mnuCget->trigger();
        ASSERT_EQ(form->List1.ListCount(), count);
        focusGrid();
    }
    struct Row {
        const char* what;
        QList<Qt::Key> keys;
        int entry, first;
        const char* opened;
    };
    // From entry 0 at the top, each row's keys: where the ring ends, which entry the top-left cell
    // shows, and what the picture window opened.
    void check(const std::vector<Row>& rows);
    void focusGrid()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        form->Picture1.widget()->setFocus();
    }
    // The cells that show the ring.
    std::vector<int> ringed() const
    {
        std::vector<int> cells;
        for (int k = 0; k < 24; ++k)
            if (form->Image2[k].FocusRing())
                cells.push_back(k);
        return cells;
    }
    QString shownIn(int cell) const { return QFileInfo(form->Image2[cell].Picture().fileName()).baseName(); }
    static QString named(int entry) { return QStringLiteral("p%1").arg(entry, 3, 10, QLatin1Char('0')); }
};

// From entry 0 at the top of a folder of 60 (ten rows; the last page starts at entry 42): where the
// ring ends, which entry the top-left cell shows, and for Enter and Space, what the picture window opens.
TEST_F(GridKeys, TheKeysMoveTheRingScrollTheGridAndOpenTheCell)
{
    using K = Qt::Key;
    loadFolder(60);
    check({
        { "Right", { K::Key_Right }, 1, 0, nullptr },
        { "Left at the first entry stays", { K::Key_Left }, 0, 0, nullptr },
        { "Right wraps to the next row",
            { K::Key_Right, K::Key_Right, K::Key_Right, K::Key_Right, K::Key_Right, K::Key_Right }, 6, 0, nullptr },
        { "Left wraps to the row before", { K::Key_Down, K::Key_Left }, 5, 0, nullptr },
        { "Down, Up", { K::Key_Down, K::Key_Down, K::Key_Up }, 6, 0, nullptr },
        { "Up on the first row stays", { K::Key_Right, K::Key_Up }, 1, 0, nullptr },
        { "Down past the page scrolls a row", { K::Key_Down, K::Key_Down, K::Key_Down, K::Key_Down }, 24, 6, nullptr },
        { "Up past the page scrolls back a row",
            { K::Key_Down, K::Key_Down, K::Key_Down, K::Key_Down, K::Key_Up, K::Key_Up, K::Key_Up, K::Key_Up,
                K::Key_Up },
            0, 0, nullptr },
        { "Page Down", { K::Key_Right, K::Key_PageDown }, 25, 24, nullptr },
        { "Page Down to the end", { K::Key_PageDown, K::Key_PageDown, K::Key_PageDown }, 54, 42, nullptr },
        { "Page Down, Page Up", { K::Key_PageDown, K::Key_PageUp }, 0, 0, nullptr },
        { "End", { K::Key_End }, 59, 36, nullptr },
        { "End, Down stays on the last row", { K::Key_End, K::Key_Left, K::Key_Down }, 58, 36, nullptr },
        { "End, Home", { K::Key_End, K::Key_Home }, 0, 0, nullptr },
        { "Enter opens the cell", { K::Key_Right, K::Key_Return }, 1, 0, "p001" },
        { "Space opens the cell", { K::Key_End, K::Key_Space }, 59, 36, "p059" },
    });
}

// 200 pictures take more rows than the bar holds at 1200 a row: a row is a smaller step of the bar.
TEST_F(GridKeys, TheKeysPageTheSameWhereARowIsASmallerStepOfTheBar)
{
    using K = Qt::Key;
    loadFolder(200);
    check({
        { "Down past the page", { K::Key_Down, K::Key_Down, K::Key_Down, K::Key_Down }, 24, 6, nullptr },
        { "End", { K::Key_End }, 199, 180, nullptr },
        { "End, Page Up", { K::Key_End, K::Key_PageUp }, 175, 156, nullptr },
    });
}

void GridKeys::check(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        unload<frmPicture>();
        form->mnuCget->trigger();
        focusGrid();
        for (Qt::Key key : row.keys)
            QTest::keyClick(form->Picture1.widget(), key);

        EXPECT_EQ(form->focusedEntry(), row.entry);
        EXPECT_EQ(shownIn(0), named(row.first));
        EXPECT_EQ(form->VScroll1.Value() % form->VScroll1.SmallChange(), 0)
            << "the bar rests on a row, as its arrows leave it";
        frmPicture* window = Window<frmPicture>().Instance();
        EXPECT_EQ(
            window ? QFileInfo(window->Image1.Picture().fileName()).baseName() : QString(), QLatin1String(row.opened));
        if (row.opened)
            continue;
        const int cell = row.entry - row.first;
        EXPECT_EQ(ringed(), std::vector<int> { cell });
        // What a screen reader asks: the grid's focused child, and that it has the focus.
        QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(form->Picture1.widget())->focusChild();
        EXPECT_EQ(focused->object(), form->Image2[cell].widget());
        EXPECT_TRUE(focused->state().focused);
    }
}

// The ring shows only while the grid has the focus; an entry focused meanwhile, or a cell clicked,
// carries it when the focus comes back.
TEST_F(GridKeys, TheRingIsKeptWhileTheGridHasNoFocusAndFollowsAClick)
{
    loadFolder(30);
    form->File1.widget()->setFocus();
    form->focusEntry(9);
    EXPECT_EQ(ringed(), std::vector<int>());
    form->Picture1.widget()->setFocus();
    EXPECT_EQ(ringed(), std::vector<int> { 9 });

    QTest::mouseClick(form->Image2[14].widget(), Qt::LeftButton);
    EXPECT_EQ(form->focusedEntry(), 14);
    unload<frmPicture>();
    focusGrid();
    EXPECT_EQ(ringed(), std::vector<int> { 14 });
}

// Enter and the keypad's Enter press a focused button, as Space does; Enter with Ctrl does not.
TEST(CommandButtonKeys, EnterPressesTheButton)
{
    CommandButton button(QStringLiteral("開く"));
    int clicks = 0;
    button.Click = [&clicks] { ++clicks; };
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int clicks;
    } rows[] = {
        { Qt::Key_Return, Qt::NoModifier, 1 },
        { Qt::Key_Enter, Qt::KeypadModifier, 1 },
        { Qt::Key_Space, Qt::NoModifier, 1 },
        { Qt::Key_Return, Qt::ControlModifier, 0 },
    };
    for (const auto& row : rows) {
        clicks = 0;
        QTest::keyClick(button.widget(), row.key, row.modifiers);
        EXPECT_EQ(clicks, row.clicks) << row.key;
    }
}

using Dropping = WindowsTest;

// A file or folder dropped on the main window opens as the command line names it: only a local one,
// and only the first of several.
TEST_F(Dropping, AFileOrFolderOpensAsOnTheCommandLine)
{
    writePicture(dir, QStringLiteral("a.bmp"), 4, 4);
    writePicture(dir, QStringLiteral("b.bmp"), 4, 4);
    const QString folder = dir.path() + "/";
    const struct {
        const char* what;
        QList<QUrl> urls;
        bool accepted;
        QString folderText, fileText;
    } rows[] = {
        { "a folder", { QUrl::fromLocalFile(dir.path()) }, true, folder, "" },
        { "two files", { QUrl::fromLocalFile(dir.filePath("b.bmp")), QUrl::fromLocalFile(dir.filePath("a.bmp")) }, true,
            folder, "b.bmp" },
        { "a web address", { QUrl(QStringLiteral("https://example.org/a.bmp")) }, false, "/", "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        form->Text2.setText({});
        form->Dir1.openFolder(QStringLiteral("/"));
        QMimeData data;
        data.setUrls(row.urls);
        const QPoint at = form->client()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &enter);
        EXPECT_EQ(enter.isAccepted(), row.accepted);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &drop);
        QCoreApplication::processEvents();
        EXPECT_EQ(form->Text1.Text(), row.folderText);
        EXPECT_EQ(form->Text2.Text(), row.fileText);
    }
}

using FileListTips = WindowsTest;

// A name cut short in the file list shows in full as its tooltip; a name that fits shows none.
TEST_F(FileListTips, ALongNameShowsInFullWhenCutShort)
{
    const QString longName = QStringLiteral("a-photo-with-a-name-far-too-long-for-the-list.bmp");
    writePicture(dir, QStringLiteral("a.bmp"), 4, 4);
    writePicture(dir, longName, 4, 4);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    auto* view = static_cast<QListView*>(form->File1.widget());
    for (const QString& name : { QStringLiteral("a.bmp"), longName }) {
        const QRect shown = view->visualRect(view->model()->index(form->File1.List(0) == name ? 0 : 1, 0));
        QHelpEvent help(QEvent::ToolTip, shown.center(), view->viewport()->mapToGlobal(shown.center()));
        QCoreApplication::sendEvent(view->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), name == longName ? name : QString());
    }
}

} // namespace
