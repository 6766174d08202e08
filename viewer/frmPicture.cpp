#include "viewer/frmPicture.h"

#include <QIcon>
#include <QMenuBar>
#include <algorithm>
#include <cmath>
#include <limits>

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
    constexpr int LargestRange = std::numeric_limits<Int16>::max();
    constexpr int SmallestRange = std::numeric_limits<Int16>::min();
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
    // The bars lie over the viewport's right and bottom edges.
    VScroll1.widget()->raise();
    HScroll1.widget()->raise();

    for (ScrollBar* bar : { &VScroll1, &HScroll1 }) {
        bar->setSmallChange(ArrowStep);
        bar->setLargeChange(PageStep);
    }

    HScroll1.Change = [this] { HScroll1_Change(); };
    VScroll1.Change = [this] { VScroll1_Change(); };
    Image1.Click = [this] { Image1_Click(); };
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
}

void frmPicture::HScroll1_Change() { Image1.setLeft(-panOffset(HScroll1.Value(), hReach)); }

void frmPicture::VScroll1_Change() { Image1.setTop(-panOffset(VScroll1.Value(), vReach)); }

void frmPicture::Image1_Click() { Unload(); }

void frmPicture::mnuBack_Click() { Unload(); }

int panOffset(Int16 value, int reach)
{
    if (reach <= LargestRange)
        return value;
    return static_cast<int>(std::nearbyint(static_cast<double>(value) * reach / LargestRange));
}

namespace {
    // One bar's range from the overhang in its direction. An overhang that a 16-bit range cannot
    // hold is either a picture smaller than the viewport (range 0) or one larger than the range:
    // then the whole range stands for the whole overhang.
    void fitBar(ScrollBar& bar, int& reach, int overhang)
    {
        reach = std::max(overhang, 0);
        if (overhang > LargestRange) {
            bar.setMax(static_cast<Int16>(LargestRange));
        } else if (overhang < SmallestRange) {
            bar.setMax(0);
        } else {
            bar.setMax(toInt16(overhang));
            if (bar.Max() < 0)
                bar.setMax(0);
        }
    }
} // namespace

void fitScrollRanges(frmPicture& form)
{
    fitBar(form.VScroll1, form.vReach, form.Image1.Height() - form.Picture1.Height());
    fitBar(form.HScroll1, form.hReach, form.Image1.Width() - form.Picture1.Width());
    // A bar whose value stayed may now stand for a different offset: the picture follows.
    form.VScroll1_Change();
    form.HScroll1_Change();
}

} // namespace tl
