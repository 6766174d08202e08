#include "viewer/frmPicture.h"

#include "platform/controls/keyrepeat.h"

#include <QIcon>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace tl {

namespace {
    // The window's created geometry, in twips.
    constexpr int InnerWidth = 8280;
    constexpr int InnerHeight = 6300;
    constexpr int InnerLeft = 1410;
    constexpr int InnerTop = 630;
    // Each bar ends this far short of the far corner, and sits this far in from the far edge.
    constexpr int Inset = 255;
    constexpr Int16 ArrowStep = 100;
    constexpr Int16 PageStep = 200;
} // namespace

frmPicture::frmPicture()
{
    setWindowTitle(QStringLiteral("ScrolePicture"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/picture.ico")));
    // A sizable border with minimise, maximise and close boxes.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    mnuBack = addMenuCommand(QStringLiteral("戻る"), [this] { mnuBack_Click(); });

    setInnerSize(InnerWidth, InnerHeight);
    setInnerPosition(InnerLeft, InnerTop);
    restoreKeptGeometry(*this);

    layOut({
        { Picture1, 0, 0, 7932, 5892 },
        { VScroll1, 8040, 0, 252, 6012 },
        { HScroll1, 0, 6000, 7932, 252 },
    });
    Image1.attach(Picture1.inner());
    Image1.Move(120, 0, 4932, 3252);
    // The picture itself says the name of its file.
    nameForScreenReaders({
        { Picture1, QStringLiteral("画像") },
        { VScroll1, QStringLiteral("上下のスクロール") },
        { HScroll1, QStringLiteral("左右のスクロール") },
    });
    // The bars lie over the viewport's right and bottom edges; the picture shows only in the rest,
    // and the square between the bars' ends shows the window's background.
    VScroll1.widget()->raise();
    HScroll1.widget()->raise();
    Picture1.setCovered(Inset, Inset);

    for (ScrollBar* bar : { &VScroll1, &HScroll1 }) {
        bar->setSmallChange(ArrowStep);
        bar->setLargeChange(PageStep);
    }

    HScroll1.Change = [this] { HScroll1_Change(); };
    VScroll1.Change = [this] { VScroll1_Change(); };
    Image1.Click = [this] { Image1_Click(); };
    Image1.Drag = [this](int x, int y) { Image1_Drag(x, y); };
    Picture1.KeyDown = [this](int& KeyCode, Qt::KeyboardModifiers Shift) { Picture1_KeyDown(KeyCode, Shift); };
    Picture1.MouseWheel = [this](const WheelTurn& turn) { Picture1_MouseWheel(turn); };
    addKeyCommand({ Qt::Key_Escape }, [this] { leaveFullScreenOrClose(); });
    addKeyCommand({ Qt::Key_F }, [this] { fitToWindow(); });
    addKeyCommand({ Qt::Key_1, Qt::CTRL | Qt::Key_0 }, [this] { showNaturalSize(); });
    addKeyCommand({ Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal }, [this] { zoomIn(); });
    addKeyCommand({ Qt::CTRL | Qt::Key_Minus }, [this] { zoomOut(); });
    addKeyCommand({ Qt::Key_Space }, [this] { step(1, keyRepeating()); });
    addKeyCommand({ Qt::Key_Backspace }, [this] { step(-1, keyRepeating()); });
    addKeyCommand({ Qt::Key_F11 }, [this] { toggleFullScreen(); });
    addKeyCommand({ Qt::Key_R }, [this] { turnClockwise(); });
    addKeyCommand({ Qt::SHIFT | Qt::Key_R }, [this] { turnBack(); });
    addKeyCommand({ Qt::CTRL | Qt::Key_C }, [this] { copyPicture(); });
}

void frmPicture::Form_Load()
{
    Image1.setTop(0);
    Image1.setLeft(0);
    VScroll1.setMin(0);
    HScroll1.setMin(0);
}

// The viewport fills the inner area and the bars follow its right and bottom edges. While the
// inner area is too small to hold the inset there is nothing sensible to lay out.
void frmPicture::Form_Resize()
{
    const int width = ScaleWidth();
    const int height = ScaleHeight();
    if (width < Inset || height < Inset)
        return;
    Picture1.Move(0, 0, width, height);
    VScroll1.setLeft(width - Inset);
    VScroll1.setHeight(height - Inset);
    HScroll1.setTop(height - Inset);
    HScroll1.setWidth(width - Inset);
    if (isFitting())
        fitToWindow();
    fitScrollRanges(*this);
}

void frmPicture::showPicture(const StdPicture& picture)
{
    held_.reset();
    forgetFullDecode();
    Image1.setPicture(picture);
    held_ = std::make_unique<BudgetHold>(Image1.shownImage().sizeInBytes());
    showKeptView();
    animation_.play(Image1.Picture());
}

void frmPicture::showPicture(const StdPicture& picture, const QImage& full, bool cutShort)
{
    held_.reset();
    forgetFullDecode();
    Image1.setPicture(picture, full, cutShort);
    held_ = std::make_unique<BudgetHold>(Image1.shownImage().sizeInBytes());
    showKeptView();
    animation_.play(Image1.Picture());
}

void frmPicture::HScroll1_Change() { Image1.setLeft(centringMargin(*this).x() - panOffset(HScroll1.Value(), hReach)); }

void frmPicture::VScroll1_Change() { Image1.setTop(centringMargin(*this).y() - panOffset(VScroll1.Value(), vReach)); }

void frmPicture::Image1_Click() { Unload(); }

// The picture follows the pointer: the bars move against the drag.
void frmPicture::Image1_Drag(int x, int y)
{
    panBy(HScroll1, hReach, -x);
    panBy(VScroll1, vReach, -y);
}

void frmPicture::Picture1_KeyDown(int& KeyCode, Qt::KeyboardModifiers)
{
    switch (KeyCode) {
    case Qt::Key_Left:
        stepBar(HScroll1, -1);
        break;
    case Qt::Key_Right:
        stepBar(HScroll1, 1);
        break;
    case Qt::Key_Up:
        stepBar(VScroll1, -1);
        break;
    case Qt::Key_Down:
        stepBar(VScroll1, 1);
        break;
    case Qt::Key_PageUp:
        panBy(VScroll1, vReach, -Picture1.ScaleHeight());
        break;
    case Qt::Key_PageDown:
        panBy(VScroll1, vReach, Picture1.ScaleHeight());
        break;
    case Qt::Key_Home:
        VScroll1.setValue(VScroll1.Min());
        break;
    case Qt::Key_End:
        VScroll1.setValue(VScroll1.Max());
        break;
    default:
        return;
    }
    KeyCode = 0;
}

// The wheel pans as it scrolls any view: the platform's lines, each an arrow step of the bars, or the
// touchpad's own distance. With Ctrl it zooms a step a notch, keeping the point under the pointer.
void frmPicture::Picture1_MouseWheel(const WheelTurn& turn)
{
    if (turn.Shift & Qt::ControlModifier) {
        for (wheelZoom_ += turn.notches.y(); wheelZoom_ >= 1; wheelZoom_ -= 1)
            zoomAround(zoomStep(Image1.Zoom(), 1), turn.position);
        for (; wheelZoom_ <= -1; wheelZoom_ += 1)
            zoomAround(zoomStep(Image1.Zoom(), -1), turn.position);
        return;
    }
    if (!turn.twips.isNull()) {
        panBy(HScroll1, hReach, -turn.twips.x());
        panBy(VScroll1, vReach, -turn.twips.y());
        return;
    }
    HScroll1.setValue(barValue(HScroll1.Value() - turn.lines.x() * HScroll1.SmallChange(), Int16Max));
    VScroll1.setValue(barValue(VScroll1.Value() - turn.lines.y() * VScroll1.SmallChange(), Int16Max));
}

void frmPicture::mnuBack_Click() { Unload(); }

// The picture and the viewport leave the mouse's forward and back buttons to the window.
void frmPicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::ForwardButton || event->button() == Qt::BackButton) {
        step(event->button() == Qt::ForwardButton ? 1 : -1);
        event->accept();
        return;
    }
    Form::mousePressEvent(event);
}

void frmPicture::step(int direction, bool repeated)
{
    if (Step)
        Step(direction, repeated);
}

void frmPicture::fitToWindow()
{
    viewMemory().fitted = true;
    Image1.setZoom(fitZoom(*this));
    fitScrollRanges(*this);
    decodeFullWhenNeeded();
}

void frmPicture::showNaturalSize() { zoomAround(1, QPoint(Picture1.ScaleWidth() / 2, Picture1.ScaleHeight() / 2)); }

void frmPicture::zoomIn()
{
    zoomAround(zoomStep(Image1.Zoom(), 1), QPoint(Picture1.ScaleWidth() / 2, Picture1.ScaleHeight() / 2));
}

void frmPicture::zoomOut()
{
    zoomAround(zoomStep(Image1.Zoom(), -1), QPoint(Picture1.ScaleWidth() / 2, Picture1.ScaleHeight() / 2));
}

// The point `at` of the viewport, in twips, shows the same point of the picture before and after.
void frmPicture::zoomAround(double zoom, QPoint at)
{
    const double ratio = zoom / Image1.Zoom();
    const QPoint margin = centringMargin(*this);
    const double left = (panOffset(HScroll1.Value(), hReach) + at.x() - margin.x()) * ratio - at.x();
    const double top = (panOffset(VScroll1.Value(), vReach) + at.y() - margin.y()) * ratio - at.y();
    viewMemory().fitted = false;
    viewMemory().zoom = zoom;
    Image1.setZoom(zoom);
    fitScrollRanges(*this);
    HScroll1.setValue(barValue(left, hReach));
    VScroll1.setValue(barValue(top, vReach));
    decodeFullWhenNeeded();
}

void frmPicture::stepBar(ScrollBar& bar, int steps)
{
    bar.setValue(barValue(bar.Value() + steps * bar.SmallChange(), Int16Max));
}

void frmPicture::panBy(ScrollBar& bar, int reach, double twips)
{
    bar.setValue(barValue(panOffset(bar.Value(), reach) + twips, reach));
}

} // namespace tl
