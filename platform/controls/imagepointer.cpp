// The image control's widget made and met by the pointer and by a screen reader: presses, clicks and
// drags turned into the control's events, and the picture it names to a screen reader.

#include "platform/controls/imagewidget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWindow>
#include <mutex>

namespace tl {

namespace {

    // The windows that the last two mouse presses of the program went to, whichever control
    // took them.
    class PressedWindows : public QObject {
    public:
        static PressedWindows& instance()
        {
            static PressedWindows* const windows = new PressedWindows(qApp);
            return *windows;
        }
        // Whether the press before the one being delivered now went to the window of `widget`.
        bool firstPressWentTo(const QWidget* widget) const
        {
            return previous_ && previous_ == widget->window()->windowHandle();
        }
        // A click on an image control of `widget`'s window, at `time` (the event's, in milliseconds).
        void clicked(const QWidget* widget, quint64 time)
        {
            clickedIn_ = widget->window()->windowHandle();
            clickedAt_ = time;
        }
        // Whether a press at `time` on `widget` is the second half of a slow double click whose first
        // click was taken by another window (which it may have closed): within the system's double-click
        // interval of that click.
        bool followsAClickElsewhere(const QWidget* widget, quint64 time) const
        {
            const quint64 interval = quint64(QGuiApplication::styleHints()->mouseDoubleClickInterval());
            return clickedAt_ && clickedIn_ != widget->window()->windowHandle() && time >= clickedAt_
                && time - clickedAt_ <= interval;
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            // A window is told of every press, the second press of a double click included.
            const QEvent::Type type = event->type();
            if (type == QEvent::MouseButtonPress && watched->isWindowType()) {
                previous_ = latest_;
                latest_ = static_cast<QWindow*>(watched);
            }
            return false;
        }

    private:
        explicit PressedWindows(QObject* application)
            : QObject(application)
        {
            application->installEventFilter(this);
        }
        QPointer<QWindow> previous_;
        QPointer<QWindow> latest_;
        QPointer<QWindow> clickedIn_; // null once that window has gone, which makes it another
        quint64 clickedAt_ = 0;
    };

} // namespace

class ImageWidget::Spoken : public QAccessibleWidget {
public:
    explicit Spoken(ImageWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Graphic)
        , owner_(widget->owner_)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return owner_->Picture().fileName();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (owner_->FocusRing()) {
            state.focusable = true;
            state.focused = true;
        }
        return state;
    }

private:
    const ImageControl* owner_;
};

QAccessibleInterface* ImageWidget::accessibleImage(const QString&, QObject* object)
{
    auto* image = dynamic_cast<ImageWidget*>(object);
    return image ? new Spoken(image) : nullptr;
}

ImageWidget::ImageWidget(ImageControl* owner)
    : owner_(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    smoothing_.setSingleShot(true);
    smoothing_.setInterval(SmoothAfter);
    connect(&smoothing_, &QTimer::timeout, this, [this] {
        reduce(shownDevicePixels());
        update();
    });
    PressedWindows::instance();
    static std::once_flag spoken;
    std::call_once(spoken, [] { QAccessible::installFactory(accessibleImage); });
}

void ImageWidget::mousePressEvent(QMouseEvent* event)
{
    // The second click of a slow double click whose first closed the window above is not a click here.
    pressed_ = event->button() == Qt::LeftButton
        && !PressedWindows::instance().followsAClickElsewhere(this, event->timestamp());
    pressedAt_ = event->globalPosition().toPoint();
    draggedTo_ = pressedAt_;
    QWidget::mousePressEvent(event);
}

void ImageWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton && PressedWindows::instance().firstPressWentTo(window());
    pressedAt_ = event->globalPosition().toPoint();
    draggedTo_ = pressedAt_;
    event->ignore();
}

void ImageWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->globalPosition().toPoint();
    if (!pressed_ || !(event->buttons() & Qt::LeftButton))
        return;
    if (!dragging_ && (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        setCursor(Qt::ClosedHandCursor);
    }
    if (!dragging_)
        return;
    const QPoint moved = at - draggedTo_;
    draggedTo_ = at;
    if (owner_->Drag && !moved.isNull())
        owner_->Drag(moved.x() * TwipsPerPixel, moved.y() * TwipsPerPixel);
}

void ImageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const bool clicked
        = pressed_ && !dragging_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (dragging_) {
        dragging_ = false;
        unsetCursor();
    }
    if (clicked)
        PressedWindows::instance().clicked(this, event->timestamp());
    if (clicked && owner_->Click)
        owner_->Click();
}

void ImageWidget::wheelEvent(QWheelEvent* event) { event->ignore(); }

} // namespace tl
