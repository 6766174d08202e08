#pragma once

#include "app/form.h"
#include "platform/controls.h"

namespace tl {

// The picture window: one picture at its natural size inside a viewport, panned by two scroll bars.
// The main window shows it and puts the picture in; the window never calls back.
class frmPicture : public Form {
public:
    frmPicture();

    // Controls, named as in the layout.
    PictureBox Picture1;
    ImageControl Image1;
    ScrollBar VScroll1 { Qt::Vertical };
    ScrollBar HScroll1 { Qt::Horizontal };
    QAction* mnuBack;

    // How many twips of overhang each bar's range stands for. Up to 32767 a step of the bar is
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
    void mnuBack_Click();
};

// The pan offset, in twips, for a bar's value when its range stands for `reach` twips.
int panOffset(Int16 value, int reach);

// Sets both scroll ranges of the picture window to the picture's overhang beyond the viewport,
// 0 where the picture is the smaller. The bars keep their values unless a range falls below
// one, and the picture follows its bars.
void fitScrollRanges(frmPicture& form);

} // namespace tl
