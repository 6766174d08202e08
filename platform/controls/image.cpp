#include "platform/controls/image.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <limits>

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
    };

} // namespace

class ImageWidget : public QWidget {
public:
    explicit ImageWidget(ImageControl* owner)
        : owner_(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        PressedWindows::instance();
        static const bool spoken = (QAccessible::installFactory(accessibleImage), true);
        (void)spoken;
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const StdPicture& picture = owner_->picture_;
        if (picture.isEmpty())
            return;
        QPainter painter(this);
        if (owner_->stretch_) {
            const QSize device = size() * devicePixelRatioF();
            painter.drawImage(rect(), picture.scaledCopy(device));
        } else {
            const QRect area = event->rect();
            painter.drawImage(area, owner_->shown_, area);
        }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton;
        QWidget::mousePressEvent(event);
    }
    // The second press of a double click starts a click only when the first press was in this
    // window too. A double click on a thumbnail opens the picture window with its first click,
    // and its second press lands on the new window's picture, which must not close it at once.
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton && PressedWindows::instance().firstPressWentTo(window());
        event->ignore();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool clicked
            = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (clicked && owner_->Click)
            owner_->Click();
    }

private:
    // A screen reader meets an image control as a picture, named by the file of the picture it
    // shows unless the window gave the control a name of its own.
    class Spoken : public QAccessibleWidget {
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

    private:
        const ImageControl* owner_;
    };

    static QAccessibleInterface* accessibleImage(const QString&, QObject* object)
    {
        auto* image = dynamic_cast<ImageWidget*>(object);
        return image ? new Spoken(image) : nullptr;
    }

    ImageControl* owner_;
    bool pressed_ = false;
};

ImageControl::ImageControl()
    : Control(new ImageWidget(this))
{
}

void ImageControl::setPicture(const StdPicture& picture)
{
    setPicture(picture, stretch_ ? QImage() : picture.fullImage());
}

void ImageControl::setPicture(const StdPicture& picture, const QImage& full)
{
    const QString spoken = picture_.fileName();
    picture_ = picture;
    shown_ = stretch_ ? QImage() : full;
    if (!stretch_ && !picture_.isEmpty()) {
        const qint64 width = qint64(picture_.pixelWidth()) * TwipsPerPixel;
        const qint64 height = qint64(picture_.pixelHeight()) * TwipsPerPixel;
        if (shown_.isNull() || width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max()) {
            picture_ = {};
            shown_ = {};
        } else {
            Move(Left(), Top(), int(width), int(height));
        }
    }
    if (toolTipOf)
        widget()->setToolTip(toolTipOf(picture_));
    widget()->update();
    if (picture_.fileName() != spoken && QAccessible::isActive()) {
        QAccessibleEvent renamed(widget(), QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
}

QSize ImageControl::devicePixels() const { return widget()->size() * widget()->devicePixelRatioF(); }

void ImageControl::setStretch(bool stretch)
{
    stretch_ = stretch;
    shown_ = stretch_ ? QImage() : picture_.fullImage();
    widget()->update();
}

} // namespace tl
