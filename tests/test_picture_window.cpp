#include "browser/latepictures.h"
#include "tests/picture_files.h"
#include "windows_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSemaphore>
#include <QStyleOptionSlider>
#include <QTest>
#include <QThread>

using namespace tl;
using namespace tl::test;

namespace {

int pictureWindows()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += dynamic_cast<frmPicture*>(w) && !static_cast<Form*>(w)->isUnloaded();
    return count;
}

class PictureWindow : public WindowsTest {
protected:
    // Opens a picture of the given size from a thumbnail cell, as a click on it does.
    frmPicture& openCell(int width, int height, int cell = 0)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        form->Image2[cell].setPicture(StdPicture(image));
        form->Image2_Click(cell);
        return *Window<frmPicture>().Instance();
    }
    // Opens a file through the two texts and the open command.
    frmPicture& openFile(const QString& folder, const QString& name)
    {
        form->Text1.setText(folder);
        form->Text2.setText(name);
        form->Command1_Click();
        return *Window<frmPicture>().Instance();
    }
    static void press(frmPicture& w, QKeyCombination keys, int times = 1)
    {
        QApplication::setActiveWindow(&w);
        for (int i = 0; i < times; ++i)
            QTest::keyClick(w.Picture1.widget(), keys.key(), keys.keyboardModifiers());
    }
    static void expectPan(const frmPicture& w, int hValue, int vValue, int left, int top)
    {
        EXPECT_EQ(w.HScroll1.Value(), hValue);
        EXPECT_EQ(w.VScroll1.Value(), vValue);
        EXPECT_EQ(w.Image1.Left(), left);
        EXPECT_EQ(w.Image1.Top(), top);
    }
};

TEST_F(PictureWindow, IsCreatedAsDesignedAndLaidOutToItsInnerArea)
{
    frmPicture& w = Window<frmPicture>().Show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ScrolePicture"));
    EXPECT_FALSE(w.windowIcon().isNull());
    for (Qt::WindowType box : { Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint })
        EXPECT_TRUE(w.windowFlags() & box) << box;
    EXPECT_NE(w.minimumSize(), w.maximumSize()) << "sizable";
    ASSERT_EQ(w.menuBar()->actions().size(), 1);
    EXPECT_EQ(w.mnuBack->text(), QStringLiteral("戻る"));
    EXPECT_EQ(w.mnuBack->menu(), nullptr);
    EXPECT_EQ(w.client()->mapToGlobal(QPoint(0, 0)), QPoint(94, 42));

    EXPECT_EQ(w.ScaleWidth(), 8280);
    EXPECT_EQ(w.ScaleHeight(), 6300);
    const auto twips = [](const Control& c) { return QRect(c.Left(), c.Top(), c.Width(), c.Height()); };
    EXPECT_EQ(twips(w.Picture1), QRect(0, 0, 8280, 6300));
    EXPECT_EQ(twips(w.VScroll1), QRect(8025, 0, 252, 6045));
    EXPECT_EQ(twips(w.HScroll1), QRect(0, 6045, 8025, 252));
    EXPECT_EQ(twips(w.Image1), QRect(0, 0, 4932, 3252)) << "Form_Load moved it to the corner";
    // The bars lie in front of the viewport.
    const QObjectList& stack = w.client()->children();
    EXPECT_GT(stack.indexOf(w.VScroll1.widget()), stack.indexOf(w.Picture1.widget()));
    EXPECT_GT(stack.indexOf(w.HScroll1.widget()), stack.indexOf(w.Picture1.widget()));
    EXPECT_EQ(w.Image1.widget()->parentWidget(), w.Picture1.inner());
    EXPECT_FALSE(w.Image1.Stretch());
}

TEST_F(PictureWindow, ViewportHasTheFocusFirstThenTheBars)
{
    frmPicture& w = openCell(2000, 2000);
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), w.Picture1.widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.VScroll1.widget());
    // A bar with the focus steps by its arrow and page amounts.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    expectPan(w, 0, 300, 0, -300);
}

TEST_F(PictureWindow, RangesAreTheOverhangAndTheFarEdgesAreReachable)
{
    struct Row {
        const char* name;
        int width, height; // pixels
        int hMax, vMax;
    };
    const Row rows[] = {
        { "small", 100, 80, 0, 0 },
        { "exactly the part the bars leave visible", 533, 401, 0, 0 },
        { "the viewport with the bars' strips", 552, 420, 285, 285 },
        { "wide, flat", 1000, 100, 7005, 0 },
        { "tall", 100, 1000, 0, 8985 },
        { "largest plain range", 2717, 2585, 32760, 32760 },
        { "a pixel past it", 2718, 2586, 32767, 32767 },
        { "photo", 6000, 4000, 32767, 32767 },
        { "panorama", 20000, 300, 32767, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        frmPicture& w = openCell(row.width, row.height);
        EXPECT_EQ(w.Image1.Width(), row.width * 15);
        EXPECT_EQ(w.Image1.Height(), row.height * 15);
        EXPECT_EQ(w.HScroll1.Max(), row.hMax);
        EXPECT_EQ(w.VScroll1.Max(), row.vMax);
        expectPan(w, 0, 0, 0, 0);

        w.HScroll1.setValue(w.HScroll1.Max());
        w.VScroll1.setValue(w.VScroll1.Max());
        // The far edge meets the viewport's far edge; a picture that fits stays in the corner.
        EXPECT_EQ(-w.Image1.Left(), std::max(w.Image1.Width() - w.Picture1.ScaleWidth(), 0));
        EXPECT_EQ(-w.Image1.Top(), std::max(w.Image1.Height() - w.Picture1.ScaleHeight(), 0));
        unload<frmPicture>();
    }
}

TEST_F(PictureWindow, AnOverhangPastTheBarsRangeSpreadsOverIt)
{
    frmPicture& w = openCell(6000, 4000); // overhangs of 82005 and 53985 twips
    struct Row {
        int value, left;
    };
    for (Row row : { Row { 100, -250 }, Row { 16384, -41004 }, Row { 32766, -82002 }, Row { 0, 0 } }) {
        w.HScroll1.setValue(static_cast<Int16>(row.value));
        EXPECT_EQ(w.Image1.Left(), row.left) << row.value;
    }
    // A value kept across a new picture stands for that picture's own offset.
    w.HScroll1.setValue(32767);
    w.VScroll1.setValue(10000);
    openCell(3000, 4000, 1); // 37005 wide overhang
    expectPan(w, 32767, 10000, -37005, -16475);
    openCell(1000, 4000, 2); // 7005: back to one twip a step
    expectPan(w, 7005, 10000, -7005, -16475);
}

TEST_F(PictureWindow, ASecondSmallerPictureSnapsOnlyWhereItsRangeFellBelowTheOffset)
{
    frmPicture& first = openCell(1500, 1500); // ranges 14505, 16485
    first.HScroll1.setValue(10000);
    first.VScroll1.setValue(3000);
    frmPicture& second = openCell(1000, 1000, 1); // ranges 7005, 8985
    EXPECT_EQ(&second, &first) << "the same window";
    EXPECT_EQ(pictureWindows(), 1);
    expectPan(second, 7005, 3000, -7005, -3000);
    openCell(100, 100, 2);
    expectPan(second, 0, 0, 0, 0);
}

TEST_F(PictureWindow, ResizingRecomputesRangesAndKeepsTheOffset)
{
    frmPicture& w = openCell(1500, 1500);
    w.HScroll1.setValue(5000);
    w.VScroll1.setValue(7000);
    w.setInnerSize(10005, 7005);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScaleWidth() == 10005; }));
    EXPECT_EQ(w.Picture1.Width(), 10005);
    EXPECT_EQ(w.Picture1.Height(), 7005);
    EXPECT_EQ(w.VScroll1.Left(), 9750);
    EXPECT_EQ(w.VScroll1.Height(), 6750);
    EXPECT_EQ(w.HScroll1.Top(), 6750);
    EXPECT_EQ(w.HScroll1.Width(), 9750);
    EXPECT_EQ(w.HScroll1.Max(), 22500 - 9720);
    EXPECT_EQ(w.VScroll1.Max(), 22500 - 6720);
    expectPan(w, 5000, 7000, -5000, -7000);

    // Lower than the inset: the layout waits for a usable size.
    w.setInnerSize(10005, 150);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScaleHeight() == 150; }));
    EXPECT_EQ(w.Picture1.Height(), 7005);
    EXPECT_EQ(w.HScroll1.Top(), 6750);
    expectPan(w, 5000, 7000, -5000, -7000);
}

TEST_F(PictureWindow, AViewportFarLargerThanThePictureGivesRangeZero)
{
    frmPicture& w = Window<frmPicture>().Show();
    w.setInnerSize(40005, 6300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScaleWidth() == 40005; }));
    openCell(1, 1);
    EXPECT_EQ(w.HScroll1.Max(), 0);
    EXPECT_EQ(w.VScroll1.Max(), 0);
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(PictureWindow, EachWayOfClosingDestroysItAndTheNextShowStartsAfresh)
{
    const std::pair<const char*, std::function<void(frmPicture&)>> ways[] = {
        { "戻る",
            [](frmPicture& w) {
                QMenuBar* bar = w.menuBar();
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(w.mnuBack).center());
            } },
        { "a click on the picture",
            [](frmPicture& w) {
                // A point of the picture that the viewport shows.
                QTest::mouseClick(w.Image1.widget(), Qt::LeftButton, {}, QPoint(20, 20) - w.Image1.widget()->pos());
            } },
        { "the close box", [](frmPicture& w) { w.close(); } },
        { "Esc",
            [](frmPicture& w) {
                QApplication::setActiveWindow(&w);
                QTest::keyClick(w.HScroll1.widget(), Qt::Key_Escape);
            } },
        { "a click that moves less than the drag distance",
            [](frmPicture& w) {
                QWidget* picture = w.Image1.widget();
                const QPoint at = QPoint(20, 20) - picture->pos();
                QTest::mousePress(picture, Qt::LeftButton, {}, at);
                QTest::mouseMove(picture, at + QPoint(QApplication::startDragDistance() - 1, 0));
                QTest::mouseRelease(picture, Qt::LeftButton, {}, at + QPoint(QApplication::startDragDistance() - 1, 0));
            } },
    };
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        frmPicture& w = openCell(1500, 1500);
        w.HScroll1.setValue(1000);
        w.VScroll1.setValue(2000);
        QPointer<frmPicture> closed = &w;
        close(w);
        EXPECT_FALSE(Window<frmPicture>().Loaded());
        flushDeletes();
        EXPECT_TRUE(closed.isNull()) << "destroyed";

        frmPicture& again = Window<frmPicture>().Show();
        EXPECT_EQ(again.Image1.Left(), 0) << "Form_Load ran again";
        EXPECT_TRUE(again.Image1.Picture().isEmpty());
        openCell(1500, 1500);
        expectPan(again, 0, 0, 0, 0);
        EXPECT_EQ(pictureWindows(), 1);
        unload<frmPicture>();
    }
}

// Every gesture that pans sets the bars, from the middle of a picture whose overhang the bars hold
// twip for twip.
TEST_F(PictureWindow, EachGesturePansTheBarsByItsAmount)
{
    const int lines = QApplication::wheelScrollLines() * 100;
    const auto wheel = [](QPoint angle, QPoint pixels = {}, Qt::KeyboardModifiers keys = {}) {
        return [=](frmPicture& w) {
            QWidget* view = w.Picture1.widget();
            QWheelEvent turn(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), pixels, angle, Qt::NoButton, keys,
                Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &turn);
        };
    };
    const auto key = [](Qt::Key key) { return [=](frmPicture& w) { QTest::keyClick(w.Picture1.widget(), key); }; };
    struct Row {
        const char* name;
        std::function<void(frmPicture&)> gesture;
        int hValue, vValue;
    };
    const Row rows[] = {
        { "turns the wheel a notch down", wheel({ 0, -120 }), 10000, 10000 + lines },
        { "turns it up with Shift", wheel({ 0, 120 }, {}, Qt::ShiftModifier), 10000 - lines, 10000 },
        { "turns a sideways wheel", wheel({ -120, 0 }), 10000 + lines, 10000 },
        { "scrolls a touchpad 10 pixels", wheel({ 0, -30 }, { 4, -10 }), 10000 - 60, 10150 },
        { "presses →", key(Qt::Key_Right), 10100, 10000 },
        { "presses ←", key(Qt::Key_Left), 9900, 10000 },
        { "presses ↓", key(Qt::Key_Down), 10000, 10100 },
        { "presses ↑", key(Qt::Key_Up), 10000, 9900 },
        { "presses Page Down", key(Qt::Key_PageDown), 10000, 10000 + 6015 },
        { "presses Page Up", key(Qt::Key_PageUp), 10000, 10000 - 6015 },
        { "presses Home", key(Qt::Key_Home), 10000, 0 },
        { "presses End", key(Qt::Key_End), 10000, 30000 - 6015 },
        { "drags the picture 40 pixels left and 30 up",
            [](frmPicture& w) {
                // The pointer's own places: the picture moves under it.
                QWidget* picture = w.Image1.widget();
                const QPoint start = w.Picture1.widget()->mapToGlobal(QPoint(200, 200));
                const auto to = [&](QPoint moved) { return picture->mapFromGlobal(start + moved); };
                QTest::mousePress(picture, Qt::LeftButton, {}, to({}));
                QTest::mouseMove(picture, to({ -20, -10 }));
                EXPECT_EQ(picture->cursor().shape(), Qt::ClosedHandCursor);
                QTest::mouseMove(picture, to({ -40, -30 }));
                QTest::mouseRelease(picture, Qt::LeftButton, {}, to({ -40, -30 }));
                EXPECT_EQ(picture->cursor().shape(), Qt::ArrowCursor);
            },
            10600, 10450 },
    };
    frmPicture& w = openCell(2000, 2000);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.HScroll1.setValue(10000);
        w.VScroll1.setValue(10000);
        row.gesture(w);
        expectPan(w, row.hValue, row.vValue, -row.hValue, -row.vValue);
        EXPECT_TRUE(Window<frmPicture>().Loaded());
    }
}

// The picture's last column and row, marked in their own colours, can be brought into view.
TEST_F(PictureWindow, TheFarColumnAndRowShowAtTheLargestOffsetsBeforeAndAfterShrinking)
{
    QImage image(1000, 800, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.setPixelColor(999, 790, Qt::red);
    image.setPixelColor(990, 799, Qt::blue);
    form->Image2[0].setPicture(StdPicture(image));
    form->Image2_Click(0);
    frmPicture& w = *Window<frmPicture>().Instance();
    for (QSize inner : { QSize(8280, 6300), QSize(6000, 4500) }) {
        w.setInnerSize(inner.width(), inner.height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScaleWidth() == inner.width(); }));
        w.HScroll1.setValue(w.HScroll1.Max());
        w.VScroll1.setValue(w.VScroll1.Max());
        const QImage shown = w.Picture1.inner()->grab().toImage();
        EXPECT_EQ(shown.pixelColor(shown.width() - 1, 790 + w.Image1.widget()->y()), QColor(Qt::red));
        EXPECT_EQ(shown.pixelColor(990 + w.Image1.widget()->x(), shown.height() - 1), QColor(Qt::blue));
        // The square between the bars' ends shows no picture.
        const QImage window = w.client()->grab().toImage();
        EXPECT_NE(window.pixelColor(window.width() - 4, window.height() - 4), QColor(Qt::darkCyan));
    }
}

// F fits, the steps go by the square root of 2 up to 8 and down to 1/32, 1 goes back; a new picture
// starts at 1. Ranges follow each zoom, and what is drawn stays the picture.
TEST_F(PictureWindow, FitZoomStepsAndNaturalSizeGiveTheirScaleAndRanges)
{
    frmPicture& w = openCell(4000, 3000);
    QApplication::setActiveWindow(&w);
    const auto press
        = [&](QKeyCombination keys) { QTest::keyClick(w.Picture1.widget(), keys.key(), keys.keyboardModifiers()); };
    struct Row {
        const char* name;
        QKeyCombination keys;
        int presses;
        double zoom;
        int hMax, vMax;
    };
    const Row rows[] = {
        { "F", Qt::Key_F, 1, 7995 / 60000.0, 0, 0 },
        { "Ctrl++ from the fit", Qt::CTRL | Qt::Key_Plus, 1, std::exp2(-2.5), 10607 - 7995, 7955 - 6015 },
        { "Ctrl+-", Qt::CTRL | Qt::Key_Minus, 1, 0.125, 0, 0 },
        { "1", Qt::Key_1, 1, 1, 32767, 32767 },
        { "Ctrl++ past 8", Qt::CTRL | Qt::Key_Plus, 7, 8, 32767, 32767 },
        { "Ctrl+0", Qt::CTRL | Qt::Key_0, 1, 1, 32767, 32767 },
        { "Ctrl+- past 1/32", Qt::CTRL | Qt::Key_Minus, 11, 1 / 32.0, 0, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int i = 0; i < row.presses; ++i)
            press(row.keys);
        EXPECT_DOUBLE_EQ(w.Image1.Zoom(), row.zoom);
        EXPECT_EQ(w.HScroll1.Max(), row.hMax);
        EXPECT_EQ(w.VScroll1.Max(), row.vMax);
        const QImage shown = w.Picture1.inner()->grab().toImage();
        EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::darkCyan));
        EXPECT_LE(w.Image1.reducedCopy().sizeInBytes(), shown.sizeInBytes()) << "one copy, no larger than the viewport";
    }
    // The fit holds while the window is resized, until the zoom changes.
    press(Qt::Key_F);
    w.setInnerSize(6000, 6000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScaleWidth() == 6000; }));
    EXPECT_DOUBLE_EQ(w.Image1.Zoom(), (6000 - 255 - 30) / 60000.0);
    openCell(100, 80, 1);
    EXPECT_EQ(w.Image1.Zoom(), 1) << "a picture smaller than the window is not enlarged by the fit it keeps";
}

TEST_F(PictureWindow, CtrlWheelZoomsAroundThePointer)
{
    frmPicture& w = openCell(1500, 1500);
    w.HScroll1.setValue(3000);
    w.VScroll1.setValue(1500);
    QWidget* view = w.Picture1.widget();
    const QPointF at(102, 62); // 1500 and 900 twips into the client area
    for (int notch : { 120, -120 }) {
        QWheelEvent turn(
            at, view->mapToGlobal(at), {}, { 0, notch }, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &turn);
    }
    EXPECT_DOUBLE_EQ(w.Image1.Zoom(), 1);
    expectPan(w, 3000, 1500, -3000, -1500);
    QWheelEvent turn(
        at, view->mapToGlobal(at), {}, { 0, 120 }, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &turn);
    EXPECT_DOUBLE_EQ(w.Image1.Zoom(), std::sqrt(2));
    // The picture's point under the pointer, 4500 and 2400 twips into it, stays there.
    EXPECT_EQ(w.HScroll1.Value(), std::lround(4500 * std::sqrt(2)) - 1500);
    EXPECT_EQ(w.VScroll1.Value(), std::lround(2400 * std::sqrt(2)) - 900);
}

// The view chosen last (F, 1, a zoom) carries to the next picture put in and to the next opening,
// which also keeps the size and place the window was given, even when it was closed full screen.
TEST_F(PictureWindow, TheViewChosenCarriesToTheNextPictureAndTheNextOpening)
{
    const std::pair<std::vector<QKeyCombination>, double> rows[] = {
        { { Qt::Key_F }, 7995 / 30000.0 }, // the zoom of a 2000 x 1500 picture put in afterwards
        { { Qt::CTRL | Qt::Key_Minus }, std::sqrt(0.5) },
        { { Qt::CTRL | Qt::Key_Minus, Qt::Key_1 }, 1 },
    };
    const QRect given(120, 90, 700, 500);
    for (const auto& [keys, zoom] : rows) {
        SCOPED_TRACE(zoom);
        viewMemory() = {};
        frmPicture& w = openCell(4000, 3000);
        for (QKeyCombination key : keys)
            press(w, key);
        openCell(2000, 1500, 1);
        EXPECT_DOUBLE_EQ(w.Image1.Zoom(), zoom);
        w.setGeometry(given);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() == given; }));
        press(w, Qt::Key_F11);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() != given; }));
        unload<frmPicture>();
        frmPicture& again = openCell(2000, 1500, 1);
        EXPECT_EQ(again.geometry(), given);
        EXPECT_FALSE(again.isFullScreen());
        EXPECT_DOUBLE_EQ(again.Image1.Zoom(), again.isFitting() ? fitZoom(again) : zoom);
        unload<frmPicture>();
    }
}

// A picture smaller than the viewport is centred while fitted, zoomed out or full screen, and stays
// in the corner at or above its natural size in the window.
TEST_F(PictureWindow, APictureSmallerThanTheViewportIsCentredOnlyFittedZoomedOutOrFullScreen)
{
    const std::tuple<QSize, QKeyCombination, QPoint> rows[] = {
        // the picture, the key, its corner in twips
        { { 100, 80 }, Qt::Key_1, { 0, 0 } }, { { 100, 80 }, Qt::CTRL | Qt::Key_Plus, { 0, 0 } },
        { { 100, 80 }, Qt::Key_F, { (7995 - 1500) / 2, (6015 - 1200) / 2 } },
        { { 4000, 3000 }, Qt::Key_F, { 0, (6015 - 5997) / 2 } },
        { { 400, 300 }, Qt::CTRL | Qt::Key_Minus, { (7995 - 4243) / 2, (6015 - 3182) / 2 } },
        { { 100, 80 }, Qt::Key_F11, { -1, -1 } }, // centred on the screen
    };
    for (const auto& [pixels, keys, expected] : rows) {
        SCOPED_TRACE(keys.key());
        viewMemory() = {};
        frmPicture& w = openCell(pixels.width(), pixels.height());
        press(w, keys);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isFullScreen() || w.geometry() == w.screen()->geometry(); }));
        const QPoint spare(w.Picture1.ScaleWidth() - w.Image1.Width(), w.Picture1.ScaleHeight() - w.Image1.Height());
        const QPoint corner = expected.x() < 0 ? QPoint(spare.x() / 2, spare.y() / 2) : expected;
        expectPan(w, 0, 0, corner.x(), corner.y());
        unload<frmPicture>();
    }
}

// Esc leaves full screen before it closes the window. Full screen is dark, with the bars, keeps the fit
// (fitted again to the screen), and gives the window back its geometry.
TEST_F(PictureWindow, F11TogglesFullScreenAndEscLeavesItBeforeClosing)
{
    const std::pair<std::vector<Qt::Key>, int> rows[] = {
        // 0 closed, 1 in the window, 2 full screen
        { { Qt::Key_F11 }, 2 },
        { { Qt::Key_F11, Qt::Key_F11 }, 1 },
        { { Qt::Key_F11, Qt::Key_Escape }, 1 },
        { { Qt::Key_F11, Qt::Key_Escape, Qt::Key_Escape }, 0 },
        { { Qt::Key_Escape }, 0 },
    };
    for (const auto& [keys, state] : rows) {
        SCOPED_TRACE(keys.size());
        frmPicture& w = openCell(4000, 3000);
        press(w, Qt::Key_F);
        const QRect normal = w.geometry();
        const double fitted = w.Image1.Zoom();
        for (Qt::Key key : keys)
            press(w, key);
        ASSERT_EQ(Window<frmPicture>().Loaded(), state > 0);
        if (!state)
            continue;
        const bool full = state == 2;
        EXPECT_EQ(w.isFullScreen(), full);
        EXPECT_EQ(w.menuBar()->isVisible(), !full);
        ASSERT_TRUE(QTest::qWaitFor([&] { return (w.geometry() == normal) != full; }));
        EXPECT_EQ(w.Image1.Zoom() > fitted, full) << "fitted again to the screen";
        EXPECT_TRUE(w.VScroll1.widget()->isVisible());
        const QImage shown = w.Picture1.widget()->grab().toImage();
        EXPECT_EQ(shown.pixelColor(shown.width() - 4, shown.height() - 4) == QColor(0x20, 0x20, 0x20), full);
        unload<frmPicture>();
    }
}

// R turns the view a quarter clockwise and Shift+R a quarter back: the picture's size, its ranges and
// what is drawn follow; a fit is fitted again; a new picture comes unturned.
TEST_F(PictureWindow, RAndShiftRTurnTheViewAQuarter)
{
    QImage image(600, 120, QImage::Format_RGB32); // 9000 x 1800 twips, its top-left corner red
    image.fill(Qt::darkCyan);
    QPainter(&image).fillRect(0, 0, 10, 10, Qt::red);
    form->Image2[0].setPicture(StdPicture(image));
    form->Image2_Click(0);
    frmPicture& w = *Window<frmPicture>().Instance();
    const std::tuple<QKeyCombination, int, QPoint> rows[] = {
        // the key, the turn, a pixel of the red corner
        { Qt::Key_R, 1, { 115, 5 } },
        { Qt::Key_R, 2, { 595, 115 } },
        { Qt::SHIFT | Qt::Key_R, 1, { 115, 5 } },
        { Qt::SHIFT | Qt::Key_R, 0, { 5, 5 } },
        { Qt::SHIFT | Qt::Key_R, 3, { 5, 595 } },
    };
    for (const auto& [keys, turn, red] : rows) {
        SCOPED_TRACE(turn);
        press(w, keys);
        EXPECT_EQ(w.Image1.Turn(), turn);
        const bool tall = turn % 2;
        EXPECT_EQ(QSize(w.Image1.Width(), w.Image1.Height()), tall ? QSize(1800, 9000) : QSize(9000, 1800));
        EXPECT_EQ(QPoint(w.HScroll1.Max(), w.VScroll1.Max()), tall ? QPoint(0, 9000 - 6015) : QPoint(9000 - 7995, 0));
        const QImage shown = w.Image1.widget()->grab().toImage();
        EXPECT_EQ(shown.pixelColor(red), QColor(Qt::red));
    }
    // Zoomed out, the reduced copy turns as well.
    press(w, Qt::Key_R, 2);
    press(w, Qt::CTRL | Qt::Key_Minus, 2);
    const QImage reduced = w.Picture1.inner()->grab().toImage();
    EXPECT_EQ(reduced.pixelColor(w.Image1.widget()->x() + 57, w.Image1.widget()->y() + 2), QColor(Qt::red));
    press(w, Qt::Key_F);
    EXPECT_DOUBLE_EQ(w.Image1.Zoom(), 6015 / 9000.0);
    press(w, Qt::Key_R);
    EXPECT_DOUBLE_EQ(w.Image1.Zoom(), 7995 / 9000.0);
    openCell(600, 120, 1);
    EXPECT_EQ(w.Image1.Turn(), 0);
}

// Ctrl+C copies the picture as it shows, turned, with its file's address; the empty picture copies
// nothing.
TEST_F(PictureWindow, CtrlCCopiesThePictureAsItShowsWithItsFile)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    image.setPixelColor(0, 0, Qt::red);
    ASSERT_TRUE(image.save(dir.filePath("marked.bmp")));
    QClipboard* clipboard = QGuiApplication::clipboard();
    frmPicture& w = openFile(dir.path() + QLatin1Char('/'), QStringLiteral("marked.bmp"));
    press(w, Qt::Key_R);
    press(w, Qt::CTRL | Qt::Key_C);
    const QMimeData* copied = clipboard->mimeData();
    ASSERT_TRUE(copied && copied->hasImage());
    const QImage picture = qvariant_cast<QImage>(copied->imageData());
    EXPECT_EQ(picture.size(), QSize(20, 30));
    EXPECT_EQ(picture.pixelColor(19, 0), QColor(Qt::red));
    EXPECT_EQ(copied->urls(), QList<QUrl> { QUrl::fromLocalFile(dir.filePath("marked.bmp")) });
    clipboard->setText(QStringLiteral("kept"));
    press(openFile({}, {}), Qt::CTRL | Qt::Key_C);
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
}

// Run with QT_SCALE_FACTOR=2 by its own CTest entry: one picture pixel to a device pixel.
TEST_F(PictureWindow, OnAScaledScreenAPicturePixelIsADevicePixel)
{
    frmPicture& w = openCell(200, 100);
    const double ratio = w.devicePixelRatioF();
    if (ratio != 2)
        GTEST_SKIP() << "not a 2x screen";
    EXPECT_EQ(w.Image1.Width(), 1500);
    const QImage shown = w.Image1.widget()->grab().toImage();
    EXPECT_EQ(shown.size(), QSize(200, 100));
    EXPECT_EQ(shown.pixelColor(199, 99), QColor(Qt::darkCyan));
    EXPECT_EQ(w.HScroll1.Max(), 0);
    press(w, Qt::Key_R);
    const QImage turned = w.Image1.widget()->grab().toImage();
    EXPECT_EQ(turned.size(), QSize(100, 200));
    EXPECT_EQ(turned.pixelColor(99, 199), QColor(Qt::darkCyan));
}

// The whole road through real input: a click on a thumbnail, clicks and a drag on the bars, a
// click on the picture.
TEST_F(PictureWindow, RealInputOpensPansAndCloses)
{
    writePicture(dir, "a.bmp", 40, 30);
    writePicture(dir, "b.bmp", 1500, 1200, Qt::blue);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->mnuCget->trigger();
    ASSERT_EQ(form->List1.ListCount(), 2);
    // The thumbnail's own picture opens, even after its file is gone.
    ASSERT_TRUE(QFile::remove(dir.filePath("b.bmp")));
    QTest::mouseClick(form->Image2[1].widget(), Qt::LeftButton);
    ASSERT_TRUE(Window<frmPicture>().Loaded());
    frmPicture& w = *Window<frmPicture>().Instance();
    EXPECT_TRUE(w.Image1.Picture().sameObject(form->Image2[1].Picture()));
    EXPECT_EQ(w.HScroll1.Max(), 14505);
    EXPECT_EQ(w.VScroll1.Max(), 11985);
    EXPECT_EQ(form->List1.ListCount(), 2) << "the main window stays as it was";

    struct Part {
        QStyle::SubControl part;
        int step;
    };
    for (ScrollBar* bar : { &w.HScroll1, &w.VScroll1 }) {
        for (Part p : { Part { QStyle::SC_ScrollBarAddLine, 100 }, Part { QStyle::SC_ScrollBarAddPage, 200 },
                 Part { QStyle::SC_ScrollBarSubLine, -100 } }) {
            const int before = bar->Value();
            QTest::mouseClick(bar->widget(), Qt::LeftButton, {}, partOf(*bar, p.part));
            EXPECT_EQ(bar->Value(), before + p.step) << p.part;
        }
    }
    expectPan(w, 200, 200, -200, -200);

    // Dragging the thumb moves nothing until it is let go.
    const QPoint thumb = partOf(w.HScroll1, QStyle::SC_ScrollBarSlider);
    QTest::mousePress(w.HScroll1.widget(), Qt::LeftButton, {}, thumb);
    QTest::mouseMove(w.HScroll1.widget(), thumb + QPoint(150, 0));
    EXPECT_EQ(w.Image1.Left(), -200);
    EXPECT_EQ(w.HScroll1.Value(), 200);
    QTest::mouseRelease(w.HScroll1.widget(), Qt::LeftButton, {}, thumb + QPoint(150, 0));
    EXPECT_GT(w.HScroll1.Value(), 200);
    EXPECT_EQ(w.Image1.Left(), -w.HScroll1.Value());

    QTest::mouseClick(w.Image1.widget(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_FALSE(Window<frmPicture>().Loaded());
}

// A double click as the window system delivers it: each press goes to the window on top at the
// point, and the second press comes as a double click when it follows the first closely.
TEST_F(PictureWindow, DoubleClickOpensThePictureWindowAndLeavesItOpen)
{
    writePicture(dir, "big.bmp", 1500, 1200, Qt::blue);
    const QString folder = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    form->mnuCget->trigger();
    const auto previewShown = [&] {
        for (int i = 0; i < 6; ++i)
            if (form->Image1[i].Visible())
                return i;
        return -1;
    };

    struct Row {
        const char* name;
        QWidget* target;
        bool pictureWindowOpen;
        int previewShown;
    };
    const Row rows[] = {
        { "a thumbnail", form->Image2[0].widget(), true, 0 },
        { "開く", form->Command1.widget(), true, 0 },
        { "the preview, which steps twice", form->Image1[0].widget(), false, 2 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        form->Text1.setText(folder);
        form->Text2.setText(QStringLiteral("big.bmp"));
        const QPoint point = row.target->mapToGlobal(row.target->rect().center());
        const auto windowOnTop = [&]() -> QWidget* {
            frmPicture* picture = Window<frmPicture>().Instance();
            if (picture && picture->geometry().contains(point))
                return picture;
            return form;
        };
        const auto send = [&](QEvent::Type type, int time) {
            QWindow* window = windowOnTop()->windowHandle();
            const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            qt_handleMouseEvent(
                window, window->mapFromGlobal(QPointF(point)), QPointF(point), held, Qt::LeftButton, type, {}, time);
            QCoreApplication::processEvents();
        };
        const int start = QTest::lastMouseTimestamp += 10000;
        send(QEvent::MouseButtonPress, start);
        send(QEvent::MouseButtonRelease, start + 60);
        if (row.pictureWindowOpen) {
            ASSERT_TRUE(Window<frmPicture>().Loaded());
            const QWidget* picture = Window<frmPicture>().Instance()->Image1.widget();
            ASSERT_TRUE(picture->rect().contains(picture->mapFromGlobal(point))) << "the second click hits the picture";
        }
        send(QEvent::MouseButtonPress, start + 120);
        send(QEvent::MouseButtonRelease, start + 180);
        EXPECT_EQ(Window<frmPicture>().Loaded(), row.pictureWindowOpen);
        EXPECT_EQ(previewShown(), row.previewShown);

        // A click of its own, later, still closes the picture window; a second click 400 ms after it is
        // a slow double click, not a click on the cell that lay under the picture.
        send(QEvent::MouseButtonPress, start + 5000);
        send(QEvent::MouseButtonRelease, start + 5060);
        EXPECT_FALSE(Window<frmPicture>().Loaded());
        if (row.target == form->Image2[0].widget()) {
            send(QEvent::MouseButtonPress, start + 5400);
            send(QEvent::MouseButtonRelease, start + 5460);
            EXPECT_FALSE(Window<frmPicture>().Loaded());
        }
        QTest::lastMouseTimestamp = start + 10000;
        flushDeletes();
        for (int i = 0; i < 6; ++i)
            form->Image1[i].setVisible(i == 0);
    }
}

TEST_F(PictureWindow, PreviewStepsThroughItsSixImages)
{
    writePicture(dir, "chosen.bmp", 12, 12);
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    const auto visible = [&] {
        std::vector<int> shown;
        for (int i = 0; i < 6; ++i)
            if (form->Image1[i].Visible() && form->Image1[i].widget()->isVisible())
                shown.push_back(i);
        return shown;
    };
    for (int click = 1; click <= 7; ++click) {
        QTest::mouseClick(form->Image1[visible().at(0)].widget(), Qt::LeftButton);
        EXPECT_EQ(visible(), std::vector<int> { click % 6 }) << click;
        if (click == 3) {
            // A file chosen meanwhile still goes into the first member.
            form->File1.setListIndex(0);
            EXPECT_EQ(form->Image1[0].Picture().pixelWidth(), 12);
            EXPECT_EQ(visible(), std::vector<int> { 3 });
        }
    }
    EXPECT_EQ(form->Image1[1].Picture().pixelWidth(), 352) << "pictures stay where they are";
    EXPECT_FALSE(Window<frmPicture>().Loaded());
}

TEST_F(PictureWindow, OpenCommandShowsWhateverFailsAsTheEmptyPictureWithoutAWord)
{
    const QString folder = dir.path() + QLatin1Char('/');
    writePicture(dir, "wide.bmp", 1000, 100);
    writeBytes(dir, "broken.jpg", "not a picture");
    dir.mkdir("folder.bmp");

    // Both texts empty: the window opens with no picture.
    frmPicture& w = openFile({}, {});
    EXPECT_TRUE(w.Image1.Picture().isEmpty());
    EXPECT_EQ(w.HScroll1.Max(), 0);
    EXPECT_EQ(w.VScroll1.Max(), 0);
    EXPECT_TRUE(form->PicturePath.isEmpty());

    openFile(folder, QStringLiteral("wide.bmp"));
    const StdPicture wide = w.Image1.Picture();
    ASSERT_EQ(wide.pixelWidth(), 1000);
    struct Failing {
        const char* name;
        const char* why;
    };
    for (const auto& [name, why] : { Failing { "missing.bmp", "missing.bmp：読み込めません" },
             Failing { "broken.jpg", "broken.jpg：画像ではありません" },
             Failing { "folder.bmp", "folder.bmp：読み込めません" }, Failing { "", "" } }) {
        SCOPED_TRACE(name);
        openFile(folder, QStringLiteral("wide.bmp"));
        w.HScroll1.setValue(5000);
        openFile(folder, QLatin1String(name));
        EXPECT_EQ(form->PicturePath, folder + QLatin1String(name)) << "the path tried is kept";
        EXPECT_TRUE(w.Image1.Picture().isEmpty()) << "the previous picture is gone";
        if (*name) {
            EXPECT_EQ(w.Image1.widget()->toolTip(), QString::fromUtf8(why));
        }
        EXPECT_EQ(w.HScroll1.Max(), 0);
        expectPan(w, 0, 0, 0, 0);
    }
    // A full path typed into the folder text, with no file name.
    writePicture(dir, "small.jpg", 200, 100);
    openFile(dir.filePath("small.jpg"), {});
    EXPECT_EQ(w.Image1.Picture().pixelWidth(), 200);
    expectPan(w, 0, 0, 0, 0);
    EXPECT_EQ(pictureWindows(), 1);
    EXPECT_TRUE(seams.messages.isEmpty());
    EXPECT_EQ(seams.ends, 0);
}

// With the decoders busy, a picture not made within the wait shows the window with the empty
// picture meanwhile; it is put in with its ranges when it is made, unless a newer one was asked for.
TEST_F(PictureWindow, APictureMadeLateIsPutInUnlessANewerOneWasAskedFor)
{
    const QString folder = dir.path() + QLatin1Char('/');
    writePicture(dir, "wide.bmp", 6000, 3000); // ends well after the newer one
    writePicture(dir, "tall.bmp", 100, 1000);
    HeldDecoders decoders(form->thumbnails);
    // The window closed while its picture is late: the picture made later goes nowhere.
    decoders.hold();
    openFile(folder, QStringLiteral("tall.bmp"));
    unload<frmPicture>();
    decoders.release();
    QTest::qWait(1000);
    EXPECT_EQ(pictureWindows(), 0);

    decoders.hold();
    frmPicture& w = openFile(folder, QStringLiteral("wide.bmp"));
    EXPECT_TRUE(w.Image1.Picture().isEmpty());
    EXPECT_EQ(w.HScroll1.Max(), 0);
    openFile(folder, QStringLiteral("tall.bmp"));
    decoders.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Image1.Picture().isEmpty(); }, 10000));
    QTest::qWait(1000);
    EXPECT_EQ(w.Image1.Picture().pixelHeight(), 1000) << "the newer picture";
    EXPECT_EQ(w.HScroll1.Max(), 0);
    EXPECT_EQ(w.VScroll1.Max(), 15000 - w.Picture1.ScaleHeight());
}

// A newer picture asked for gives up the job of the one before, which may be reading a hanging disk.
TEST(LatestPictures, ANewerRequestCancelsTheJobBefore)
{
    QThreadPool pool;
    LatePictures late;
    LatestPicture latest(late);
    std::atomic<bool> sawCancel = false;
    const auto older = PictureJob::start(pool, [&](const std::atomic<bool>* cancelled) {
        for (int i = 0; i < 1000 && !cancelled->load(); ++i)
            QThread::msleep(10);
        sawCancel = cancelled->load();
        return StdPicture();
    });
    const auto nothing = [](const StdPicture&) {};
    latest.show(older, nothing, [] {});
    latest.show(PictureJob::ready({}), nothing, [] {});
    pool.waitForDone();
    EXPECT_TRUE(sawCancel.load());
}

// Both texts emptied after a picture was opened: the empty path gives the empty picture, and the
// viewport no longer shows the old one.
TEST_F(PictureWindow, OpenWithBothTextsEmptyClearsThePictureShown)
{
    writePicture(dir, "blue.bmp", 300, 200, Qt::blue);
    frmPicture& w = openFile(dir.path() + QLatin1Char('/'), QStringLiteral("blue.bmp"));
    const auto shownColour = [&] { return w.Picture1.widget()->grab().toImage().pixelColor(20, 20); };
    ASSERT_EQ(shownColour(), QColor(Qt::blue));

    openFile({}, {});
    EXPECT_TRUE(form->PicturePath.isEmpty());
    EXPECT_TRUE(w.Image1.Picture().isEmpty());
    EXPECT_NE(shownColour(), QColor(Qt::blue));
    EXPECT_EQ(pictureWindows(), 1);
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(PictureWindow, OpenCommandPansAPhotoOverItsWholeExtent)
{
    writePicture(dir, "photo.jpg", 6000, 4000);
    frmPicture& w = openFile(dir.path() + QLatin1Char('/'), QStringLiteral("photo.jpg"));
    // Its first screen may come first, with the whole picture's size.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Image1.Width() == 90000; }, 5000)) << w.Image1.Width();
    EXPECT_EQ(w.HScroll1.Max(), 32767);
    EXPECT_EQ(w.VScroll1.Max(), 32767);
    w.HScroll1.setValue(32767);
    w.VScroll1.setValue(32767);
    EXPECT_EQ(w.Image1.Left(), 7995 - 90000);
    EXPECT_EQ(w.Image1.Top(), 6015 - 60000);
}

// A photo opened fitted holds only the eighths its fit shows and looks as the full picture does fitted,
// turned or not. A zoom that needs more swaps the full picture in where the view stands by the time it
// is decoded, and Ctrl+C meanwhile copies the full picture; a swap that comes after another picture was
// put in is left aside.
TEST_F(PictureWindow, APhotoIsReadAtItsFitAndSwappedToFullWhereTheViewStands)
{
    QImage photo(2000, 1500, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 2000, y * 255 / 1500, x < 500 && y < 500 ? 200 : 40));
    const QString path = dir.filePath(QStringLiteral("gradient.jpg"));
    ASSERT_TRUE(photo.save(path, "JPEG", 95));
    const QImage full = LoadPicture(path).image();
    viewMemory().fitted = true;
    frmPicture& w = openFile(dir.path() + QLatin1Char('/'), QStringLiteral("gradient.jpg"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Image1.Picture().isEmpty(); }));
    EXPECT_TRUE(w.Image1.holdsReduced());
    for (int turn : { 0, 1 }) {
        SCOPED_TRACE(turn);
        if (turn)
            press(w, Qt::Key_R);
        const QImage shown = w.Image1.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = full.transformed(QTransform().rotate(90 * turn))
                                    .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(largestChannelDifference(shown, expected), 24) << "a sharp edge may differ a little, no more";
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    press(w, Qt::Key_1);
    press(w, Qt::CTRL | Qt::Key_C);
    w.HScroll1.setValue(2000);
    w.VScroll1.setValue(1500);
    ASSERT_TRUE(w.Image1.holdsReduced()) << "nothing is swapped in before the window's thread takes it";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Image1.holdsReduced(); }));
    EXPECT_EQ(w.Image1.shownImage(), full);
    EXPECT_EQ(w.Image1.Turn(), 1);
    EXPECT_EQ(w.Image1.Zoom(), 1);
    expectPan(w, 2000, 1500, -2000, -1500);
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::clipboard()->mimeData()->hasImage(); }));
    const QImage copied = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(copied, full.transformed(QTransform().rotate(90)));

    w.showPicture(readPictureForView(path, QSize(500, 375)).finish(nullptr));
    ASSERT_TRUE(w.fullDecode());
    ASSERT_TRUE(w.fullDecode()->waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(30)));
    QImage blue(2000, 1500, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    w.showPicture(StdPicture(blue));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(w.Image1.shownImage(), blue);
}

} // namespace
