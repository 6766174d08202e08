#pragma once

#include "forms/form.h"
#include "pictures/decodebudget.h"
#include "pictures/picturejob.h"
#include "pictures/viewscale.h"
#include "platform/controls/controls.h"
#include "viewer/animationplayer.h"
#include "viewer/viewmemory.h"

#include <functional>

namespace tl {

// The picture window: one picture inside a viewport, at its natural size until it is fitted or
// zoomed, panned by two scroll bars. The wheel, a drag and the keys pan it too, by setting the bars:
// the bars stay the one model of the offset. The main window shows it and puts the picture in; the
// window only asks it for the next or the previous picture, through Step.
class frmPicture : public Form {
public:
    frmPicture();

    // Controls, named as in the layout.
    PictureBox Picture1;
    ImageControl Image1;
    ScrollBar VScroll1 { Qt::Vertical };
    ScrollBar HScroll1 { Qt::Horizontal };
    QAction* mnuBack;

    // How many twips of overhang each bar's range stands for. Up to Int16Max a step of the bar is
    // a twip; a larger overhang is spread over the bar's 16-bit range so that its far edge stays
    // reachable. Set together with the ranges by fitScrollRanges.
    int hReach = 0;
    int vReach = 0;

    // Handlers.
    void Form_Load() override;
    void Form_Resize() override;
    void HScroll1_Change();
    void VScroll1_Change();
    void Image1_Click();
    void Image1_Drag(int x, int y);
    void Picture1_KeyDown(int& KeyCode, Qt::KeyboardModifiers Shift);
    void Picture1_MouseWheel(const WheelTurn& turn);
    void mnuBack_Click();
    // Asked for the next picture (+1) or the previous one (-1): Space and BackSpace, the mouse's
    // forward and back buttons; `repeated` while the key is held down and repeats. Whoever shows the
    // window sets it; unset, they do nothing.
    std::function<void(int direction, bool repeated)> Step;

    // Key commands, wherever the focus is in the window.
    void fitToWindow(); // F
    void showNaturalSize(); // 1, Ctrl+0
    void zoomIn(); // Ctrl++
    void zoomOut(); // Ctrl+-
    void toggleFullScreen(); // F11
    void leaveFullScreenOrClose(); // Esc
    void turnClockwise(); // R
    void turnBack(); // Shift+R
    void copyPicture(); // Ctrl+C

    // Puts a picture in, unturned, in the view the user chose last (natural size, fitted, or a zoom
    // level), and fits the bars' ranges to it: the one way a picture comes into the window. The
    // second form takes the picture's image decoded beforehand, off the window's thread, and
    // whether that decode found the file cut short. An animated GIF or WebP plays from its first frame.
    // The image may be reduced, decoded for keptView(): when the view comes to need more pixels than
    // it holds (a zoom, the natural size, a larger window), the full picture is decoded on the pools
    // and swapped in where the view then stands; the reduced one shows, scaled up, meanwhile. The
    // picture counts in the decode budget while it shows.
    void showPicture(const StdPicture& picture);
    void showPicture(const StdPicture& picture, const QImage& full, bool cutShort = false);

    // Whether the picture is kept fitted to the window as it is resized, and each picture put in
    // fitted: from F until the user zooms.
    bool isFitting() const;
    // Whether a picture smaller than the viewport is centred in it rather than kept in its corner:
    // fitted, zoomed out, or full screen.
    bool centresPicture() const;
    const AnimationPlayer& animation() const { return animation_; }
    // The view the next picture put in shows in: the viewport (the screen's, full screen), the screen's
    // pixel ratio, and the view the user chose last, unturned. What a picture is read for viewing at.
    ShownView keptView() const;
    // The decode of the full picture on show for the view, while one has been started for it; null else.
    const std::shared_ptr<PictureJob>& fullDecode() const { return fullDecode_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void step(int direction, bool repeated = false);
    void showKeptView();
    void turnBy(int quarters);
    void zoomAround(double zoom, QPoint at);
    void stepBar(ScrollBar& bar, int steps);
    void panBy(ScrollBar& bar, int reach, double twips);
    void decodeFullWhenNeeded();
    void forgetFullDecode();

    double wheelZoom_ = 0; // notches of a Ctrl+wheel not yet zoomed by
    std::unique_ptr<BudgetHold> held_; // the decode budget's share of the picture on show
    std::shared_ptr<PictureJob> fullDecode_;
    int copies_ = 0; // Ctrl+C pressed so far: only the last one's picture goes to the clipboard
    AnimationPlayer animation_ { *this, [this](const QImage& frame) { Image1.setFrame(frame); } };
};

// The zoom one step from `zoom`: the steps are the powers of the square root of 2 from 1/32 to 8,
// and `direction` is +1 for the next larger, -1 for the next smaller.
double zoomStep(double zoom, int direction);

// The zoom that shows the whole of the window's picture in its viewport; never above 1, so that a
// picture smaller than the window stays at its natural size.
double fitZoom(const frmPicture& form);

// Where the picture's top-left corner lies in the viewport, in twips, when the bars are at 0: half
// of what the viewport has to spare in each direction while the window centres its picture, else 0.
QPoint centringMargin(const frmPicture& form);

// The pan offset, in twips, for a bar's value when its range stands for `reach` twips.
int panOffset(Int16 value, int reach);
// The bar's value for a pan offset in twips: the nearest one, within 0..Int16Max.
Int16 barValue(double offset, int reach);

// Sets both scroll ranges of the picture window to the picture's overhang beyond the part of the
// viewport the bars leave visible, 0 where the picture is the smaller. The bars keep their values unless a range falls
// below one, and the picture follows its bars.
void fitScrollRanges(frmPicture& form);

} // namespace tl
