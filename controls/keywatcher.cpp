#include "controls/keywatcher.h"

#include <QKeyEvent>

namespace tl {

namespace {
    // Hands each key pressed in a list to its control's KeyDown, then lets the list handle it.
    class KeyWatcher : public QObject {
    public:
        KeyWatcher(QWidget* widget, const KeyEvent& keyDown)
            : QObject(widget)
            , keyDown_(keyDown)
        {
            widget->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::KeyPress && keyDown_)
                keyDown_(static_cast<QKeyEvent*>(event)->key());
            return false;
        }

    private:
        const KeyEvent& keyDown_;
    };
} // namespace

void watchKeys(QWidget* widget, const KeyEvent& keyDown) { new KeyWatcher(widget, keyDown); }

} // namespace tl
