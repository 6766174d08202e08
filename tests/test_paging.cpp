#include "browser/paging.h"
#include "windows_fixture.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

// A user drags the grid's bar to the bottom: the last picture is in the grid.
TEST(Paging, TheBarAtTheBottomShowsTheLastPicture)
{
    for (int pictures : { 186, 400, 40000, 196625, 196626, 196627, 1000000, 2000000000 }) {
        SCOPED_TRACE(pictures);
        const int first = paging::firstEntry(paging::scrollMax(pictures), pictures);
        const int last = pictures - 1;
        EXPECT_LE(first, last);
        EXPECT_GE(first + 23, last) << "the last picture is in the grid";
    }
}

// Up to 32767 rows a position shows what it always showed, halves going to the even entry; past
// them a position shows the first entry of its nearest row, and the last one the last row at the
// top, as the end of a short list does.
TEST(Paging, PositionsShowTheirFirstEntries)
{
    struct Row {
        int pictures, position, first;
    };
    const Row rows[] = {
        { 185, 300, 2 },
        { 185, 500, 2 },
        { 186, 585, 3 },
        { 186, 32760, 168 },
        { 400, 260, 3 },
        { 400, 390, 4 },
        { 400, 32760, 378 },
        { 40000, 2, 3 },
        { 40000, 26652, 39978 },
        { 196625, 1, 6 },
        { 196625, 16383, 98298 },
        { 196625, 32767, 196602 },
        { 196627, 16384, 98310 },
        { 1000000, 1, 30 },
        { 1000000, 32766, 999948 },
        { 1000000, 32767, 999978 },
        { 2000000000, 16384, 1000030506 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(paging::firstEntry(row.position, row.pictures), row.first)
            << row.pictures << " pictures at " << row.position;
}

// A folder one row longer than the bar's 16-bit range: End on the grid's bar brings the last
// picture into the grid. Only the last file is a picture that decodes; the rest are empty.
using GridBar = WindowsTest;

TEST_F(GridBar, EndOnAHugeFolderShowsItsLastPicture)
{
    const int pictures = 196627;
    for (int i = 0; i < pictures - 1; ++i)
        writeBytes(dir, QStringLiteral("p%1.bmp").arg(i, 6, 10, QLatin1Char('0')), {});
    writePicture(dir, QStringLiteral("p%1.bmp").arg(pictures - 1, 6, 10, QLatin1Char('0')), 7, 7);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    // On a busy machine the listing may outlast the window's wait; the load then follows it.
    form->mnuCget->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->List1.ListCount() == pictures; }, 120000));

    form->VScroll1.widget()->setFocus();
    QTest::keyClick(form->VScroll1.widget(), Qt::Key_End);
    EXPECT_EQ(form->VScroll1.Value(), 32767);
    int shown = 0;
    for (const ImageControl& cell : form->Image2)
        shown += cell.Picture().pixelWidth() == 7;
    EXPECT_EQ(shown, 1);
}

} // namespace
