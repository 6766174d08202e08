// Full screen: the picture alone on a dark ground, the bars still there for a picture that
// overhangs.

#include "viewer/frmPicture.h"

#include <QMenuBar>

namespace tl {

namespace {
    const QColor FullScreenBackColor(0x20, 0x20, 0x20);
} // namespace

// The view stays as it was: a fit is fitted again to the screen, and a picture smaller than the
// screen is centred. Leaving gives the window back its geometry from before.
void frmPicture::toggleFullScreen()
{
    const bool entering = !isFullScreen();
    setWindowState(windowState() ^ Qt::WindowFullScreen);
    menuBar()->setVisible(!entering);
    Picture1.setBackColor(entering ? FullScreenBackColor : QColor());
    fitScrollRanges(*this);
}

void frmPicture::leaveFullScreenOrClose()
{
    if (isFullScreen())
        toggleFullScreen();
    else
        mnuBack_Click();
}

} // namespace tl
