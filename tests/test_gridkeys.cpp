#include "windows_fixture.h"

#include <QAccessible>
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
            writePicture(dir, named(i) + ".bmp", 4, 4);
        ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
        form->mnuCget->trigger();
        focusGrid();
    }
    void focusGrid()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        form->Picture1.widget()->setFocus();
    }
    std::vector<int> ringed() const
    {
        std::vector<int> cells;
        for (int k = 0; k < 24; ++k)
            if (form->Image2[k].FocusRing())
                cells.push_back(k);
        return cells;
    }
    static QString named(int entry) { return QStringLiteral("p%1").arg(entry, 3, 10, QLatin1Char('0')); }
    static QString baseName(const StdPicture& picture) { return QFileInfo(picture.fileName()).baseName(); }

    struct Row {
        const char* keys; // < > ^ v: arrows; [ ]: Page Up, Page Down; H, E: Home, End; \n and ' ': Enter, Space
        int entry, first; // where the ring ends, the entry the top-left cell shows
        const char* opened = nullptr; // what the picture window opened
    };
    // Each row from entry 0 at the top, after a fresh 画像読み込み.
    void check(const std::vector<Row>& rows)
    {
        const QMap<char, Qt::Key> keys { { '<', Qt::Key_Left }, { '>', Qt::Key_Right }, { '^', Qt::Key_Up },
            { 'v', Qt::Key_Down }, { '[', Qt::Key_PageUp }, { ']', Qt::Key_PageDown }, { 'H', Qt::Key_Home },
            { 'E', Qt::Key_End }, { '\n', Qt::Key_Return }, { ' ', Qt::Key_Space } };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.keys);
            unload<frmPicture>();
            form->mnuCget->trigger();
            focusGrid();
            for (const char* key = row.keys; *key; ++key)
                QTest::keyClick(form->Picture1.widget(), keys.value(*key));
            EXPECT_EQ(form->focusedEntry(), row.entry);
            EXPECT_EQ(baseName(form->Image2[0].Picture()), named(row.first));
            EXPECT_EQ(form->VScroll1.Value() % form->VScroll1.SmallChange(), 0) << "the bar rests on a row";
            frmPicture* window = Window<frmPicture>().Instance();
            EXPECT_EQ(window ? baseName(window->Image1.Picture()) : QString(), QLatin1String(row.opened));
            if (row.opened)
                continue;
            const int cell = row.entry - row.first;
            EXPECT_EQ(ringed(), std::vector<int> { cell });
            // What a screen reader asks: the grid's focused child, and whether it has the focus.
            QAccessibleInterface* focused
                = QAccessible::queryAccessibleInterface(form->Picture1.widget())->focusChild();
            EXPECT_EQ(focused->object(), form->Image2[cell].widget());
            EXPECT_TRUE(focused->state().focused);
        }
    }
};

// Ten rows: the last page starts at entry 42.
TEST_F(GridKeys, TheKeysMoveTheRingScrollTheGridAndOpenTheCell)
{
    loadFolder(60);
    check({
        { ">", 1, 0 },
        { "<^", 0, 0 }, // nothing before the first entry, nor above the first row
        { ">>>>>>", 6, 0 }, // to the next row
        { "v<", 5, 0 }, // to the row before
        { "vv^", 6, 0 },
        { "vvvv", 24, 6 }, // past the page: a row
        { "vvvv^^^^", 0, 0 },
        { ">]", 25, 24 },
        { "]]]", 54, 42 },
        { "][", 0, 0 },
        { "E", 59, 36 },
        { "E<v", 58, 36 }, // the last row
        { "EH", 0, 0 },
        { ">\n", 1, 0, "p001" },
        { "E ", 59, 36, "p059" },
    });
    // With the ring scrolled off the page, a page key scrolls once, to the ring's new place.
    unload<frmPicture>();
    focusGrid();
    form->focusEntry(0);
    form->VScroll1.setValue(Int16(5 * form->VScroll1.SmallChange()));
    int scrolls = 0;
    const Event paging = std::exchange(form->VScroll1.Change, [&] { ++scrolls, paging(); });
    QTest::keyClick(form->Picture1.widget(), Qt::Key_PageDown);
    EXPECT_EQ(std::pair(form->focusedEntry(), scrolls), std::pair(24, 1));
}

// 200 pictures take more rows than the bar holds at 1200 a row: a row is a smaller step of the bar.
TEST_F(GridKeys, TheKeysPageTheSameWhereARowIsASmallerStepOfTheBar)
{
    loadFolder(200);
    check({ { "vvvv", 24, 6 }, { "E", 199, 180 }, { "E[", 175, 156 } });
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

TEST(CommandButtonKeys, EnterAndTheKeypadsEnterPressTheButton)
{
    CommandButton button(QStringLiteral("開く"));
    int clicks = 0;
    button.Click = [&clicks] { ++clicks; };
    QTest::keyClick(button.widget(), Qt::Key_Return);
    QTest::keyClick(button.widget(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(button.widget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
}

using Dropping = WindowsTest;

// Opened as the command line names it: only a local file or folder, and only the first of several.
TEST_F(Dropping, AFileOrFolderOpensAsOnTheCommandLine)
{
    writePicture(dir, QStringLiteral("a.bmp"), 4, 4);
    writePicture(dir, QStringLiteral("b.bmp"), 4, 4);
    const struct {
        QList<QUrl> urls;
        QString folderText, fileText;
    } rows[] = {
        { { QUrl::fromLocalFile(dir.path()) }, dir.path() + "/", "" },
        { { QUrl::fromLocalFile(dir.filePath("b.bmp")), QUrl::fromLocalFile(dir.filePath("a.bmp")) }, dir.path() + "/",
            "b.bmp" },
        { { QUrl(QStringLiteral("https://example.org/a.bmp")) }, "/", "" },
    };
    for (const auto& row : rows) {
        form->Text2.setText({});
        form->Dir1.openFolder(QStringLiteral("/"));
        QMimeData data;
        data.setUrls(row.urls);
        const QPoint at = form->client()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &drop);
        QCoreApplication::processEvents();
        EXPECT_EQ(enter.isAccepted(), row.folderText != "/");
        EXPECT_EQ(form->Text1.Text(), row.folderText);
        EXPECT_EQ(form->Text2.Text(), row.fileText);
    }
}

using FileListTips = WindowsTest;

TEST_F(FileListTips, ANameCutShortShowsInFull)
{
    const QString longName = QStringLiteral("z-photo-with-a-name-far-too-long-for-the-list.bmp");
    writePicture(dir, QStringLiteral("a.bmp"), 4, 4);
    writePicture(dir, longName, 4, 4);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    auto* view = static_cast<QListView*>(form->File1.widget());
    for (int i : { 0, 1 }) { // a.bmp, which fits, shows none
        const QPoint at = view->visualRect(view->model()->index(i, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), i == 1 ? longName : QString());
    }
}

} // namespace
