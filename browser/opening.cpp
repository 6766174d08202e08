// Opening pictures from the main window: a thumbnail, the preview stack, the open command.

#include "browser/frmBmpGet.h"
#include "browser/layout.h"
#include "viewer/frmPicture.h"

#include <exception>

namespace tl {

// The cell's own picture goes to the picture window: the file is not read again.
void frmBmpGet::Image2_Click(int Index)
{
    frmPicture& window = Window<frmPicture>().Show();
    window.Image1.setPicture(Image2[Index].Picture());
    fitScrollRanges(window);
}

// The preview stack shows its next member; the pictures stay where they are.
void frmBmpGet::Image1_Click(int)
{
    for (int i = 0; i < layout::PreviewCount; ++i) {
        if (Image1[i].Visible()) {
            Image1[i].setVisible(false);
            Image1[(i + 1) % layout::PreviewCount].setVisible(true);
            return;
        }
    }
}

// Opens the file the two texts name. Nothing here is reported: a file that cannot be loaded
// leaves the window's previous picture in place, and the ranges are fitted to what it shows.
void frmBmpGet::Command1_Click()
{
    frmPicture& window = Window<frmPicture>().Show();
    PicturePath = Text1.Text() + Text2.Text();
    try {
        window.Image1.setPicture(LoadPicture(PicturePath));
    } catch (const std::exception&) {
        // Unreadable, not a picture, or too large to hold in memory: keep the previous picture.
    }
    fitScrollRanges(window);
}

} // namespace tl
