#include "platform/controls/keywatcher.h"

#include <QKeyEvent>

namespace tl {

KeyWatcher::KeyWatcher(QWidget* widget, const KeyEvent& keyDown)
    : keyDown_(keyDown)
{
    // A watcher destroyed first is taken off the widget's filters by Qt.
    widget->installEventFilter(this);
}

bool KeyWatcher::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && keyDown_)
        keyDown_(static_cast<QKeyEvent*>(event)->key());
    return false;
}

} // namespace tl
