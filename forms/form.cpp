#include "forms/form.h"

#include "forms/menukeys.h"
#include "platform/controls/keyrepeat.h"
#include "platform/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>

namespace tl {

namespace {
    // The inner area tells its window when its size changes.
    class ClientArea : public QWidget {
    public:
        explicit ClientArea(Form* form)
            : QWidget(form)
            , form_(form)
        {
        }

    protected:
        void resizeEvent(QResizeEvent* event) override
        {
            QWidget::resizeEvent(event);
            form_->Form_Resize();
        }

    private:
        Form* form_;
    };
} // namespace

Form::Form()
    : client_(new ClientArea(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(client_);
    watchKeyRepeat();
}

// A window gets its menu bar with its first menu command; one without commands has none, so its
// inner area starts at the top of the window.
int Form::menuBarHeight() const
{
    const QWidget* bar = menuWidget();
    return bar ? bar->sizeHint().height() : 0;
}

void Form::Unload() { close(); }

void Form::closeEvent(QCloseEvent* event)
{
    unloaded_ = true;
    event->accept();
}

int Form::ScaleWidth() const { return client_->width() * TwipsPerPixel; }
int Form::ScaleHeight() const { return client_->height() * TwipsPerPixel; }

void Form::setInnerSize(int width, int height) { resize(toPixels(width), toPixels(height) + menuBarHeight()); }

void Form::setInnerPosition(int left, int top)
{
    // The geometry of a top-level window is that of its area inside the frame, menu bar included.
    setGeometry(QRect(QPoint(toPixels(left), toPixels(top) - menuBarHeight()), size()));
}

void Form::layOut(std::initializer_list<LayoutRow> rows)
{
    QWidget* previous = nullptr;
    for (const LayoutRow& row : rows) {
        row.control.attach(client_);
        row.control.Move(row.left, row.top, row.width, row.height);
        QWidget* widget = row.control.widget();
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, widget);
        else
            widget->setFocus();
        previous = widget;
    }
}

void Form::nameForScreenReaders(std::initializer_list<SpokenName> names)
{
    for (const SpokenName& spoken : names)
        spoken.control.widget()->setAccessibleName(spoken.name);
}

QAction* Form::addMenuCommand(const QString& caption, std::function<void()> handler)
{
    if (!menuWidget()) {
        menuBar()->setNativeMenuBar(false);
        reachMenuBarWithF10(menuBar());
    }
    QAction* action = menuBar()->addAction(caption);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return action;
}

void Form::addKeyCommand(const QList<QKeySequence>& keys, std::function<void()> handler)
{
    auto* action = new QAction(this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

} // namespace tl
