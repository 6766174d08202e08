// The view kept from one picture to the next and from one opening of the window to the next.

#include "viewer/viewmemory.h"

#include "viewer/frmPicture.h"

#include <QCloseEvent>

namespace tl {

ViewMemory& viewMemory()
{
    static ViewMemory memory;
    return memory;
}

void keepGeometry(const QWidget& window)
{
    ViewMemory& memory = viewMemory();
    memory.maximised = window.isMaximized();
    memory.geometry = window.isMaximized() || window.isFullScreen() ? window.normalGeometry() : window.geometry();
}

void restoreKeptGeometry(QWidget& window)
{
    const ViewMemory& memory = viewMemory();
    if (!memory.geometry.isValid())
        return;
    window.setGeometry(memory.geometry);
    if (memory.maximised)
        window.setWindowState(Qt::WindowMaximized);
}

void frmPicture::closeEvent(QCloseEvent* event)
{
    keepGeometry(*this);
    Form::closeEvent(event);
}

// A picture put in comes unturned at its natural size; the view the user chose last follows.
void frmPicture::showKeptView()
{
    const ViewMemory& memory = viewMemory();
    Image1.setZoom(memory.fitted ? fitZoom(*this) : memory.zoom);
    fitScrollRanges(*this);
    decodeFullWhenNeeded();
}

bool frmPicture::isFitting() const { return viewMemory().fitted; }

bool frmPicture::centresPicture() const { return isFitting() || Image1.Zoom() < 1 || isFullScreen(); }

} // namespace tl
