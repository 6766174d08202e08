#include "browser/paging.h"
#include "pictures/decodebudget.h"
#include "windows_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QSemaphore>
#include <QTest>
#include <QThread>

using namespace tl;
using namespace tl::test;

namespace {

// Thirty pictures, entry i 10 + i pixels wide; entry 5 is no picture.
class Stepping : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        for (int i = 0; i < 30; ++i)
            if (i != 5)
                writePicture(dir, QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 10 + i, 5);
        writeBytes(dir, "p05.jpg", "not a picture");
        dir.mkdir("sub");
        writePicture(QDir(dir.filePath("sub")), "outside.bmp", 7, 5);
        ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
        form->mnuCget->trigger();
        ASSERT_EQ(form->List1.ListCount(), 30);
    }
    frmPicture& window() { return *Window<frmPicture>().Instance(); }
    std::function<void()> cell(int k)
    {
        return [this, k] { form->Image2_Click(k); };
    }
    std::function<void()> open(const QString& name)
    {
        return [this, name] {
            form->Text1.setText(dir.path() + QLatin1Char('/'));
            form->Text2.setText(name);
            form->Command1_Click();
        };
    }
};

using Gesture = std::function<void(frmPicture&)>;
const Gesture Space = [](frmPicture& w) { QTest::keyClick(w.Picture1.widget(), Qt::Key_Space); };
const Gesture BackSpace = [](frmPicture& w) { QTest::keyClick(w.Picture1.widget(), Qt::Key_Backspace); };
Gesture button(Qt::MouseButton which)
{
    return [which](frmPicture& w) {
        QTest::mousePress(w.Image1.widget(), which, {}, QPoint(2, 2));
        QTest::mouseRelease(w.Image1.widget(), which, {}, QPoint(2, 2));
    };
}

TEST_F(Stepping, KeysAndButtonsStepThroughTheListAndTheGridFollows)
{
    struct Row {
        const char* name;
        std::function<void()> open;
        std::vector<Gesture> gestures;
        int width; // of the picture on show; 0 for the one that cannot be shown
        int bar; // the grid's bar afterwards
    };
    const Row rows[] = {
        { "Space", cell(0), { Space }, 11, 0 },
        { "BackSpace", cell(3), { BackSpace }, 12, 0 },
        { "the forward button", cell(0), { button(Qt::ForwardButton) }, 11, 0 },
        { "the back button, twice", cell(3), { button(Qt::BackButton), button(Qt::BackButton) }, 11, 0 },
        { "at the start", cell(0), { BackSpace, button(Qt::BackButton) }, 10, 0 },
        { "at the end, the grid following", open("p29.bmp"), { Space, button(Qt::ForwardButton) }, 39, 1200 },
        { "onto a file that cannot be shown", cell(4), { Space }, 0, 0 },
        { "past the page", cell(23), { Space }, 34, 1200 },
        { "from a cell of a page scrolled, back above it",
            [&] {
                form->VScroll1.setValue(1200);
                form->Image2_Click(1);
            },
            { BackSpace, BackSpace }, 0, 0 },
        { "not after a new 画像読み込み",
            [&] {
                form->Image2_Click(0);
                form->mnuCget->trigger();
            },
            { Space }, 10, 0 },
        { "from 開く inside the list", open("p10.bmp"), { Space, Space, BackSpace }, 21, 0 },
        { "not from 開く outside it", open("sub/outside.bmp"), { Space, BackSpace }, 7, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        form->VScroll1.setValue(0);
        row.open();
        frmPicture& w = window();
        QApplication::setActiveWindow(&w);
        for (const Gesture& gesture : row.gestures)
            gesture(w);
        const StdPicture& shown = w.Image1.Picture();
        EXPECT_EQ(shown.pixelWidth(), row.width);
        EXPECT_EQ(form->VScroll1.Value(), row.bar);
        const int first = paging::firstEntry(row.bar, 30);
        EXPECT_EQ(form->Image2[0].Picture().fileName(), QFileInfo(form->List1.List(first)).fileName());
        if (row.width > 10) {
            EXPECT_EQ(form->focusedEntry(), row.width - 10);
        }
        if (row.width == 0) {
            EXPECT_EQ(w.Image1.widget()->toolTip(), QStringLiteral("p05.jpg：画像ではありません"));
            EXPECT_EQ(QAccessible::queryAccessibleInterface(w.Image1.widget())->text(QAccessible::Description),
                QStringLiteral("p05.jpg：画像ではありません"));
        } else {
            EXPECT_EQ(w.Image1.widget()->toolTip(), QString());
        }
        EXPECT_LE(form->stepPicturesHeld(), 3);
        unload<frmPicture>();
    }
    EXPECT_TRUE(seams.messages.isEmpty());
}

// The window keeps the picture on show and one each side. With the decoders held, a step made late
// is given up when a newer step shows a picture kept at hand; a closed window keeps nothing.
TEST_F(Stepping, ALatePictureNeverComesInOverANewerStep)
{
    form->Image2_Click(0);
    frmPicture& w = window();
    for (int direction : { 1, 1, -1 })
        w.Step(direction, false);
    form->thumbnails.waitForAll();
    EXPECT_EQ(form->stepPicturesHeld(), 3);
    HeldDecoders decoders(form->thumbnails);
    decoders.hold();
    w.Step(1, false); // entry 2, kept
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 12);
    w.Step(1, false); // entry 3: late, the picture left showing until the usual wait has passed
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 12);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Image1.Picture().isEmpty(); }, 3000));
    w.Step(-1, false);
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 12);
    decoders.release();
    QTest::qWait(1500);
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 12);
    unload<frmPicture>();
    EXPECT_EQ(form->stepPicturesHeld(), 0);
}

// Space held down never waits for a picture, nor does a step while another's picture is to come: with
// the decoders held the window keeps the picture it shows through a burst of steps, then shows the
// newest step's picture alone, with the grid's ring on it.
TEST_F(Stepping, AKeyHeldDownMovesTheTargetWithoutWaiting)
{
    form->Image2_Click(0);
    frmPicture& w = window();
    QApplication::setActiveWindow(&w);
    form->thumbnails.waitForAll();
    HeldDecoders decoders(form->thumbnails);
    decoders.hold();
    for (int i = 0; i < 3; ++i)
        QTest::simulateEvent(w.Picture1.widget(), true, Qt::Key_Space, {}, QStringLiteral(" "), true);
    // A step pressed while another's picture is still to come does not wait either.
    w.Step(1, false);
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 11) << "entry 1, read ahead, then nothing waited for";
    EXPECT_EQ(form->focusedEntry(), 1);
    decoders.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Image1.Picture().pixelWidth() == 14; }, 5000));
    EXPECT_EQ(form->focusedEntry(), 4);
    EXPECT_LE(form->stepPicturesHeld(), 3);
}

// A step whose picture waits for room that only the window's own pictures take (the one on show, the
// one kept for a step back) makes the window let go of them: it never waits for ever behind them.
TEST_F(Stepping, AStepWaitingForRoomTheWindowHoldsGetsIt)
{
    QDir large(dir.filePath("large"));
    ASSERT_TRUE(dir.mkdir("large"));
    writePicture(large, "a.bmp", 1700, 1700); // 11.6 MB
    writePicture(large, "b.bmp", 1000, 1000); // 4 MB
    writePicture(large, "c.bmp", 1000, 1000);
    ASSERT_TRUE(form->Dir1.openFolder(large.path()));
    form->mnuCget->trigger();
    form->Image2_Click(0);
    form->thumbnails.waitForAll();
    frmPicture& w = window();
    w.Step(1, false); // b, read ahead; c is read ahead
    form->thumbnails.waitForAll();
    ASSERT_EQ(w.Image1.Picture().fileName(), QStringLiteral("b.bmp"));
    // 5 MB left: b is kept for the step back, c given up, and a fits only once both b's are let go.
    const BudgetHold elsewhere(DecodeBudget - budgetInUse() - (qint64(5) << 20));
    w.Step(-1, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Image1.Picture().fileName() == QStringLiteral("a.bmp"); }, 5000));
}

// Fitted, a step reads a photo only as large as its fit shows it: the picture read ahead holds a reduced
// image and the window shows it at the photo's natural size fitted. Its cell opens it so too.
TEST_F(Stepping, AStepReadsAPhotoAtTheViewKept)
{
    writePicture(dir, "p30.jpg", 4000, 3000);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->mnuCget->trigger();
    ASSERT_EQ(form->List1.ListCount(), 31);
    viewMemory().fitted = true;
    open(QStringLiteral("p29.bmp"))();
    window().Step(1, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().Image1.Picture().pixelWidth() == 4000; }));
    EXPECT_TRUE(window().Image1.Picture().isReduced());
    EXPECT_DOUBLE_EQ(window().Image1.Zoom(), fitZoom(window()));
    // Its cell opens it at the same size.
    const auto cell = std::find_if(form->Image2.begin(), form->Image2.end(),
        [](const ImageControl& c) { return c.Picture().fileName() == QStringLiteral("p30.jpg"); });
    ASSERT_NE(cell, form->Image2.end());
    form->Image2_Click(int(cell - form->Image2.begin()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().Image1.Picture().sameObject(cell->Picture()); }));
    EXPECT_TRUE(window().Image1.holdsReduced());
}

// The position whose page shows an entry, moving the least, whatever the bar's unit.
TEST(Paging, APositionShowsTheEntryAskedFor)
{
    struct Row {
        int pictures, entry, from, position;
    };
    const Row rows[] = {
        { 30, 24, 0, 1200 }, // below: its row comes in at the bottom
        { 30, 5, 1200, 0 }, // above: at the top
        { 30, 10, 1200, 1200 }, // on the page: nothing moves
        { 400, 399, 0, 32760 }, { 1000000, 999999, 0, 32767 }, { 1000000, 30, 0, 1 },
        { 1000000, 24, 0, 0 }, // a row no page begins with, and none shows: the nearest page
    };
    for (const Row& row : rows)
        EXPECT_EQ(paging::positionShowing(row.entry, row.pictures, row.from), row.position)
            << row.pictures << " pictures, entry " << row.entry;
    for (int pictures : { 30, 400, 40000, 196625, 196627 })
        for (int entry = 0; entry < pictures; entry += pictures / 97 + 1)
            for (int from : { 0, paging::scrollMax(pictures) }) {
                const int first = paging::firstEntry(paging::positionShowing(entry, pictures, from), pictures);
                EXPECT_TRUE(entry >= first && entry < first + 24) << pictures << " pictures, entry " << entry;
            }
}

} // namespace
