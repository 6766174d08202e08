#include "browser/frmBmpGet.h"
#include "browser/paging.h"
#include "forms/messages.h"
#include "system.h"
#include "windows_fixture.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <sys/stat.h>

using namespace tl;
using namespace tl::test;

namespace {

class Thumbnails : public WindowsTest {
protected:
    // Pictures pic00000.bmp .. in file-list order; picture i is i + 1 pixels wide so that a cell
    // tells which entry it shows. Past `decodable` the files are empty: the scan looks at names only.
    void makePictures(int count, int decodable = 40, const QString& folder = {})
    {
        QDir target(folder.isEmpty() ? dir.path() : folder);
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("pic%1.bmp").arg(i, 5, 10, QLatin1Char('0'));
            if (i < decodable)
                writePicture(target, name, i + 1, 1);
            else
                writeBytes(target, name, {});
        }
    }
    void openFolder(const QString& folder)
    {
        ASSERT_TRUE(form->Dir1.openFolder(folder));
        ASSERT_EQ(form->Text1.Text(), folder + "/");
    }
    // The entry each cell shows, -1 for a blank cell.
    std::vector<int> shownEntries() const
    {
        std::vector<int> entries;
        for (const ImageControl& cell : form->Image2)
            entries.push_back(cell.Picture().isEmpty() ? -1 : cell.Picture().pixelWidth() - 1);
        return entries;
    }
    static std::vector<int> entriesFrom(int first, int last)
    {
        std::vector<int> entries;
        for (int e = first; e < first + 24; ++e)
            entries.push_back(e <= last ? e : -1);
        return entries;
    }
};

TEST_F(Thumbnails, OutcomeByNumberOfPictures)
{
    struct Row {
        int pictures;
        int scrollMax;
        int step;
        QString status;
    };
    const Row rows[] = {
        { 1, 0, 1200, AllShown },
        { 23, 0, 1200, AllShown },
        { 24, 1200, 1200, AllShown },
        { 25, 1200, 1200, MoreToScroll },
        { 30, 2400, 1200, MoreToScroll },
        { 36, 3600, 1200, MoreToScroll },
        { 185, 32400, 1200, MoreToScroll },
        // Longer lists: the largest row unit that keeps every row within 32767.
        { 186, 28 * 1170, 1170, MoreToScroll },
        { 400, 63 * 520, 520, MoreToScroll },
        { 40000, 6663 * 4, 4, MoreToScroll },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pictures);
        QTemporaryDir folder;
        makePictures(row.pictures, 24, folder.path());
        openFolder(folder.path());
        form->mnuCget->trigger();

        EXPECT_EQ(form->List1.ListCount(), row.pictures);
        EXPECT_EQ(form->PictureCount, row.pictures);
        EXPECT_EQ(form->VScroll1.Max(), row.scrollMax);
        EXPECT_EQ(form->VScroll1.Value(), 0);
        EXPECT_EQ(form->VScroll1.SmallChange(), row.step);
        EXPECT_EQ(form->VScroll1.LargeChange(), row.step);
        EXPECT_EQ(shownEntries(), entriesFrom(0, row.pictures - 1));
        EXPECT_EQ(form->SB.SimpleText(), row.status);
        EXPECT_EQ(form->List1.List(row.pictures - 1),
            folder.path() + QStringLiteral("/pic%1.bmp").arg(row.pictures - 1, 5, 10, QLatin1Char('0')));

        // The last position reaches the last picture.
        const int first = paging::firstEntry(form->VScroll1.Max(), row.pictures);
        EXPECT_GE(first + 23, row.pictures - 1);
    }
}

TEST(Paging, CountsPastTheScrollRangeNeverOverflow)
{
    struct Row {
        int pictures;
        int scrollMax;
        int unit;
    };
    for (const Row& row :
        { Row { 0, 0, 1200 }, Row { 196620, 32767, 1 }, Row { 300000, 32767, 1 }, Row { 2000000000, 32767, 1 } }) {
        EXPECT_EQ(paging::scrollMax(row.pictures), row.scrollMax) << row.pictures;
        EXPECT_EQ(paging::rowUnit(row.pictures), row.unit) << row.pictures;
    }
    EXPECT_EQ(paging::firstEntry(32767, 196620) + 23, 196625); // the last row is reached
}

TEST(Paging, FirstEntryRoundsHalfToEven)
{
    const std::pair<int, int> rows[]
        = { { 0, 0 }, { 100, 0 }, { 300, 2 }, { 500, 2 }, { 700, 4 }, { 1200, 6 }, { 2400, 12 }, { 32400, 162 } };
    for (auto [position, first] : rows)
        EXPECT_EQ(paging::firstEntry(position, 185), first) << position;
}

TEST(Paging, PictureNamesAreMatchedWithCase)
{
    const std::pair<const char*, bool> rows[] = { { "a.bmp", true }, { "b.JPG", true }, { "c.Gif", false },
        { "d.ico", true }, { "e.ICO", true }, { "f.jPg", false }, { "g.png", false }, { "jpg", true }, { "pg", false },
        { "", false }, { "h.jpeg", false }, { "ijpg", true } };
    for (auto [name, accepted] : rows)
        EXPECT_EQ(paging::isPictureName(QString::fromLatin1(name)), accepted) << name;
}

TEST_F(Thumbnails, OnlyExactCaseExtensionsEnterTheListInFileListOrder)
{
    writePicture(dir, "a.bmp", 3, 3);
    writePicture(dir, "b.JPG", 3, 3);
    writeBytes(dir, "c.Gif", tinyGif());
    openFolder(dir.path());
    ASSERT_EQ(form->File1.ListCount(), 3);
    form->mnuCget->trigger();
    EXPECT_EQ(form->List1.ListCount(), 2);
    EXPECT_EQ(form->List1.List(0), dir.filePath("a.bmp"));
    EXPECT_EQ(form->List1.List(1), dir.filePath("b.JPG"));
}

TEST_F(Thumbnails, ATypedFolderTextIsThePrefixOfEveryPath)
{
    makePictures(3);
    openFolder(dir.path());
    form->Text1.setText(QStringLiteral("/typed/elsewhere/"));
    form->mnuCget->trigger();
    ASSERT_EQ(form->List1.ListCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(form->List1.List(i).startsWith(QStringLiteral("/typed/elsewhere/pic"))) << i;
    EXPECT_EQ(shownEntries(), entriesFrom(0, -1)) << "nothing there to load";
}

TEST_F(Thumbnails, AnEmptyFolderTextIsRefused)
{
    makePictures(3);
    form->File1.setPath(dir.path()); // the list shows pictures, but no folder was chosen
    form->mnuCget->trigger();
    EXPECT_EQ(seams.messages, QStringList { messages::NoFolder });
    EXPECT_EQ(form->List1.ListCount(), 0);
    EXPECT_TRUE(form->SB.SimpleText().isEmpty());
}

TEST_F(Thumbnails, ALoadWhileScrolledDownPagesThePreviousListFirst)
{
    makePictures(40);
    openFolder(dir.path());
    form->mnuCget->trigger();
    form->VScroll1.setValue(1200);
    EXPECT_EQ(shownEntries(), entriesFrom(6, 39));

    QDir other(dir.filePath("other"));
    dir.mkdir("other");
    writePicture(other, "only.bmp", 7, 7);
    openFolder(other.path());

    std::vector<int> listSizes;
    const Event page = form->VScroll1.Change;
    form->VScroll1.Change = [&] {
        listSizes.push_back(form->List1.ListCount());
        page();
    };
    form->mnuCget->trigger();
    EXPECT_EQ(listSizes, std::vector<int> { 40 }) << "one nested page, on the previous list";
    EXPECT_EQ(form->List1.ListCount(), 1);
    EXPECT_EQ(form->Image2[0].Picture().pixelWidth(), 7);
    EXPECT_EQ(form->SB.SimpleText(), AllShown);
    EXPECT_EQ(form->VScroll1.Max(), 0);
}

TEST_F(Thumbnails, AnEmptyFolderAfterALoadKeepsTheRange)
{
    makePictures(40);
    openFolder(dir.path());
    form->mnuCget->trigger();
    ASSERT_EQ(form->VScroll1.Max(), 3600);
    dir.mkdir("empty");
    openFolder(dir.filePath("empty"));
    form->mnuCget->trigger();
    EXPECT_EQ(form->List1.ListCount(), 0);
    EXPECT_EQ(shownEntries(), entriesFrom(0, -1));
    EXPECT_EQ(form->SB.SimpleText(), NoPictures);
    EXPECT_EQ(form->VScroll1.Max(), 3600);

    // Scrolling a list with no picture: blank cells, and the page is reported done.
    form->VScroll1.setValue(2400);
    EXPECT_EQ(shownEntries(), entriesFrom(0, -1));
    EXPECT_EQ(form->SB.SimpleText(), MoreToScroll);
}

TEST_F(Thumbnails, ScrollingPagesByWholeRows)
{
    struct Row {
        int pictures;
        int position;
        int first;
    };
    const Row rows[] = { { 30, 1200, 6 }, { 30, 2400, 12 }, { 25, 1200, 6 }, { 40, 300, 2 }, { 40, 0, 0 } };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pictures << " at " << row.position);
        QTemporaryDir folder;
        makePictures(row.pictures, row.pictures, folder.path());
        openFolder(folder.path());
        form->mnuCget->trigger();
        form->VScroll1.setValue(static_cast<Int16>(row.position));
        EXPECT_EQ(shownEntries(), entriesFrom(row.first, row.pictures - 1));
        EXPECT_EQ(form->SB.SimpleText(), MoreToScroll);
        EXPECT_EQ(form->PicturePath, form->List1.List(row.first + 23));
    }
}

// Each bad file leaves its cell blank, and the cell's tooltip names the file and says why.
TEST_F(Thumbnails, BadFilesLeaveTheirCellsBlankAndSayWhy)
{
    writePicture(dir, "01-good.bmp", 1, 1);
    writeBytes(dir, "02-zero-bytes.jpg", {});
    writeBytes(dir, "03-not-a-picture.gif", "GIF? no, plain text");
    const QString truncated = writePicture(dir, "04-truncated.jpg", 300, 200);
    QFile::resize(truncated, 200);
    writeBytes(dir, "05-corrupted.bmp", QByteArray("BM") + QByteArray(60, '\xff'));
    writePicture(dir, "06-good.jpg", 6, 1);
    // A BMP header that claims 60000 x 60000 pixels and holds none of them: damaged before it is large.
    QByteArray huge("BM");
    huge += QByteArray::fromHex("36000000000000003600000028000000"
                                "60ea000060ea0000010018000000000000000000130b0000130b00000000000000000000");
    writeBytes(dir, "07-absurd-size.bmp", huge);
    writePicture(dir, "08-removed.bmp", 8, 8);
    writePicture(dir, "09-unreadable.bmp", 9, 9);
    writePicture(dir, "10-folder-later.jpg", 10, 10);
    writePicture(dir, "11-good.bmp", 11, 1);
    // A GIF whose screen is 65535 x 65535 pixels: every frame is drawn on a picture of that size.
    QByteArray hugeScreen = tinyGif();
    hugeScreen.replace(6, 4, QByteArray(4, '\xff'));
    writeBytes(dir, "12-huge-screen.gif", hugeScreen);
    openFolder(dir.path());
    ASSERT_EQ(form->File1.ListCount(), 12);
    QFile::remove(dir.filePath("08-removed.bmp"));
    ::chmod(QFile::encodeName(dir.filePath("09-unreadable.bmp")).constData(), 0);
    QFile::remove(dir.filePath("10-folder-later.jpg"));
    dir.mkdir("10-folder-later.jpg");

    QLoggingCategory::setFilterRules(QStringLiteral("tessaline.*.debug=true"));
    const LogCapture log;
    form->mnuCget->trigger();
    QLoggingCategory::setFilterRules({});
    std::vector<int> widths;
    for (int k = 0; k < 12; ++k)
        widths.push_back(form->Image2[k].Picture().pixelWidth());
    const bool root = permissionsDoNotStopReading();
    EXPECT_EQ(widths, (std::vector<int> { 1, 0, 0, 0, 0, 6, 0, 0, root ? 9 : 0, 0, 11, 0 }));
    QStringList tips;
    for (int k = 0; k < 12; ++k)
        tips << form->Image2[k].widget()->toolTip();
    EXPECT_EQ(toStd(tips),
        toStd({ "01-good.bmp", "02-zero-bytes.jpg：画像ではありません", "03-not-a-picture.gif：画像ではありません",
            "04-truncated.jpg：画像ではありません", "05-corrupted.bmp：画像ではありません", "06-good.jpg",
            "07-absurd-size.bmp：画像ではありません", "08-removed.bmp：読み込めません",
            root ? "09-unreadable.bmp" : "09-unreadable.bmp：読み込めません", "10-folder-later.jpg：読み込めません",
            "11-good.bmp", "12-huge-screen.gif：大きすぎて表示できません" }));
    // Each bad file leaves a debug message that names it and says why; a refused one, at what cost.
    for (const QString bad : { "02-zero-bytes.jpg", "05-corrupted.bmp", "08-removed.bmp", "10-folder-later.jpg" })
        EXPECT_EQ(log.count(QtDebugMsg, { "tessaline.pictures", "tessaline.browser" }, { bad, " : " }), 1)
            << bad.toStdString();
    EXPECT_EQ(log.count(QtDebugMsg, { "tessaline.pictures" }, { "12-huge-screen.gif", "bytes, more than the" }), 1);
    EXPECT_EQ(form->SB.SimpleText(), AllShown);
    EXPECT_TRUE(seams.messages.isEmpty());
}

// The real user path: a click on the menu command, then the scroll bar's lower arrow and the wheel
// over the grid, which steps it a row a notch just as the arrow does.
TEST_F(Thumbnails, MenuClickArrowClicksAndTheWheelThroughRealInput)
{
    makePictures(30);
    openFolder(dir.path());
    QMenuBar* bar = form->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form->mnuCget).center());
    ASSERT_EQ(form->List1.ListCount(), 30);
    EXPECT_EQ(shownEntries(), entriesFrom(0, 29));

    const auto arrow = [this] {
        QTest::mouseClick(
            form->VScroll1.widget(), Qt::LeftButton, {}, partOf(form->VScroll1, QStyle::SC_ScrollBarAddLine));
    };
    // Wheel turns as the window system delivers them: to the window, at a point in `over`.
    const auto wheel = [this](QWidget* over, QPoint at, std::vector<int> turns) {
        return [this, over, at, turns] {
            for (int eighths : turns) {
                QWheelEvent event(over->mapTo(form, at), over->mapToGlobal(at), {}, QPoint(0, eighths), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
                QSpontaneKeyEvent::setSpontaneous(&event); // as QTest does; sendEvent would clear it
                qApp->notify(form->windowHandle(), &event);
            }
        };
    };
    QWidget* cell = form->Image2[7].widget();
    const QPoint centre = cell->rect().center();
    // The grid's last cells leave a strip of the box uncovered at its bottom right.
    QWidget* box = form->Picture1.inner();
    const QPoint uncovered = box->rect().bottomRight();
    ASSERT_EQ(box->childAt(uncovered), nullptr);
    struct Row {
        const char* what;
        std::function<void()> input;
        int value;
        int changes;
    };
    const Row rows[] = {
        { "the lower arrow", arrow, 1200, 1 },
        { "the lower arrow again", arrow, 2400, 1 },
        { "a notch up over a cell", wheel(cell, centre, { 120 }), 1200, 1 },
        { "a notch down over the picture box", wheel(box, uncovered, { -120 }), 2400, 1 },
        { "a notch down at the end", wheel(cell, centre, { -120 }), 2400, 0 },
        { "a touchpad's thirds of a notch up", wheel(cell, centre, { 40, 40, 40 }), 1200, 1 },
        { "a touchpad's turn back and forth", wheel(cell, centre, { 60, -60, 60 }), 1200, 0 },
        { "two notches up at once, past the top", wheel(cell, centre, { 240 }), 0, 1 },
    };
    int changes = 0;
    const Event page = form->VScroll1.Change;
    form->VScroll1.Change = [&] {
        ++changes;
        page();
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        changes = 0;
        row.input();
        EXPECT_EQ(form->VScroll1.Value(), row.value);
        EXPECT_EQ(changes, row.changes);
        EXPECT_EQ(shownEntries(), entriesFrom(row.value / 1200 * 6, 29));
        EXPECT_EQ(form->Image2[23].widget()->toolTip(), form->List1.List(row.value / 1200 * 6 + 23).section('/', -1))
            << "a cell past the end names nothing";
        EXPECT_EQ(form->SB.SimpleText(), MoreToScroll);
    }
}

} // namespace
