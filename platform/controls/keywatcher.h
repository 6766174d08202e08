#pragma once

#include "platform/controls/control.h"

#include <QObject>

namespace tl {

// Hands each key pressed in a widget to a control's KeyDown before the widget handles it, for as
// long as the watcher lives. The control owns its watcher and declares it after its KeyDown, so
// that the watcher goes first: the widget outlives both, and a key it takes while it is being
// destroyed reaches nothing.
class KeyWatcher : public QObject {
public:
    KeyWatcher(QWidget* widget, const KeyEvent& keyDown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const KeyEvent& keyDown_;
};

} // namespace tl
