#include "forms/menukeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>

namespace tl {

namespace {

    class MenuBarKeys : public QObject {
    public:
        explicit MenuBarKeys(QMenuBar* bar)
            : QObject(bar)
            , bar_(bar)
        {
            auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar->window(), nullptr, nullptr, Qt::WindowShortcut);
            connect(f10, &QShortcut::activated, this, [this] { bar_->hasFocus() ? giveBack() : take(); });
            bar->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::FocusOut) {
                bar_->setActiveAction(nullptr);
                return false;
            }
            if (event->type() != QEvent::KeyPress)
                return false;
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
                choose();
                return true;
            case Qt::Key_Escape:
                giveBack();
                return true;
            default:
                return false; // the bar itself moves along with the arrow keys
            }
        }

    private:
        void take()
        {
            const QList<QAction*> commands = bar_->actions();
            if (commands.isEmpty())
                return;
            previous_ = QApplication::focusWidget();
            bar_->setFocus(Qt::MenuBarFocusReason);
            bar_->setActiveAction(commands.first());
        }

        void giveBack()
        {
            bar_->setActiveAction(nullptr);
            if (previous_)
                previous_->setFocus(Qt::MenuBarFocusReason);
            else
                bar_->clearFocus();
        }

        // The keyboard goes back first: the command may open a window or end the program.
        void choose()
        {
            QAction* command = bar_->activeAction();
            giveBack();
            if (command)
                command->trigger();
        }

        QMenuBar* bar_;
        QPointer<QWidget> previous_;
    };

} // namespace

void reachMenuBarWithF10(QMenuBar* bar) { new MenuBarKeys(bar); }

} // namespace tl
