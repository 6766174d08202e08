#pragma once

class QMenuBar;

namespace tl {

// Lets the keyboard reach a window's menu bar, as F10 does in most desktop programs:
// F10 lights the first command and gives the bar the keyboard, Left and Right move along the bar,
// Enter or Space chooses the lit command, and Escape or F10 again gives the keyboard back to the
// control that had it.
void reachMenuBarWithF10(QMenuBar* bar);

} // namespace tl
