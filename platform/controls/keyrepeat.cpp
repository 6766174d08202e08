#include "platform/controls/keyrepeat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

namespace tl {

namespace {

    // Looks at every key event of the program before its widget or a shortcut takes it: a shortcut
    // is asked for with the key's ShortcutOverride, which carries the repeat as the press does.
    class KeyRepeatWatcher : public QObject {
    public:
        bool repeating = false;

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            switch (event->type()) {
            case QEvent::ShortcutOverride:
            case QEvent::KeyPress:
                repeating = static_cast<QKeyEvent*>(event)->isAutoRepeat();
                // It says so of this key alone: once its handlers have run, nothing repeats.
                if (repeating)
                    QMetaObject::invokeMethod(
                        this, [this] { repeating = false; }, Qt::QueuedConnection);
                break;
            default:
                break;
            }
            return false;
        }
    };

    // Made with the application, and gone with it.
    QPointer<KeyRepeatWatcher>& watcher()
    {
        static QPointer<KeyRepeatWatcher> shared;
        return shared;
    }

} // namespace

void watchKeyRepeat()
{
    if (watcher() || !qApp)
        return;
    watcher() = new KeyRepeatWatcher;
    watcher()->setParent(qApp);
    qApp->installEventFilter(watcher().data());
}

bool keyRepeating() { return watcher() && watcher()->repeating; }

} // namespace tl
