#pragma once

#include <QRect>

class QWidget;

namespace tl {

// What the picture window keeps of the user's choices while the program runs, in memory only: the
// window is made afresh on each opening, so this outlives it. The first opening of a run finds it
// as it is made here: natural size, and the window where its layout puts it.
struct ViewMemory {
    bool fitted = false; // each picture fitted to the window, from F until the user zooms
    double zoom = 1; // else the zoom the user chose last (1 or Ctrl+0: the natural size)
    QRect geometry; // the window's normal geometry when it was last closed; null until then
    bool maximised = false;
};

// The one memory of the process.
ViewMemory& viewMemory();

// Keeps the window's normal geometry, and whether it is maximised, as it closes; full screen is
// not kept.
void keepGeometry(const QWidget& window);
// Gives a window being made the geometry kept, if one was.
void restoreKeptGeometry(QWidget& window);

} // namespace tl
