#pragma once

#include "controls/control.h"

namespace tl {

// Hands each key pressed in `widget` to `keyDown` before the widget handles it. The watcher lives
// as long as the widget; `keyDown` must live as long (it is the control's own KeyDown).
void watchKeys(QWidget* widget, const KeyEvent& keyDown);

} // namespace tl
