#include "platform/controls/image.h"

#include "platform/controls/imagemapping.h"
#include "platform/logging.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

namespace tl {

namespace {

    // What a picture cut short says of itself.
    const QString IncompleteText = QStringLiteral("一部が欠けています");

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

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const StdPicture& picture = owner_->picture_;
        if (picture.isEmpty() && !owner_->focusRing_)
            return;
        QPainter painter(this);
        if (!picture.isEmpty())
            drawPicture(painter, picture, event->rect());
        if (owner_->focusRing_)
            drawFocusRing(painter);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton;
        pressedAt_ = event->globalPosition().toPoint();
        draggedTo_ = pressedAt_;
        QWidget::mousePressEvent(event);
    }
    // The second press of a double click starts a click only when the first press was in this
    // window too. A double click on a thumbnail opens the picture window with its first click,
    // and its second press lands on the new window's picture, which must not close it at once.
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton && PressedWindows::instance().firstPressWentTo(window());
        pressedAt_ = event->globalPosition().toPoint();
        draggedTo_ = pressedAt_;
        event->ignore();
    }
    void mouseMoveEvent(QMouseEvent* event) override
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
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool clicked = pressed_ && !dragging_ && event->button() == Qt::LeftButton
            && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (dragging_) {
            dragging_ = false;
            unsetCursor();
        }
        if (clicked && owner_->Click)
            owner_->Click();
    }
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

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

    static QAccessibleInterface* accessibleImage(const QString&, QObject* object)
    {
        auto* image = dynamic_cast<ImageWidget*>(object);
        return image ? new Spoken(image) : nullptr;
    }

    void drawPicture(QPainter& painter, const StdPicture& picture, const QRect& area)
    {
        if (owner_->stretch_) {
            const QSize device = size() * devicePixelRatioF();
            painter.drawImage(rect(), picture.scaledCopy(device));
        } else if (owner_->shown_.isNull()) {
            drawPartial(painter);
        } else if (owner_->zoom_ >= 1) {
            drawSampled(painter, area);
        } else {
            drawReduced(painter, area);
        }
    }

    // The ring in the selection colour, with a light line inside it, so that it shows on dark and on
    // light pictures alike.
    void drawFocusRing(QPainter& painter)
    {
        constexpr int Width = 3;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(rect()).adjusted(Width / 2.0, Width / 2.0, -Width / 2.0, -Width / 2.0));
        painter.setPen(QPen(palette().color(QPalette::HighlightedText), 1));
        painter.drawRect(rect().adjusted(Width, Width, -Width - 1, -Width - 1));
    }

    // The source pixels under `area` at the zoom, sampled without smoothing: where a source pixel covers
    // several device pixels it is drawn as a block.
    void drawSampled(QPainter& painter, const QRect& area)
    {
        const QImage& image = owner_->shown_;
        const double ratio = devicePixelRatioF();
        const QTransform toLogical = owner_->toDevice() * QTransform::fromScale(1 / ratio, 1 / ratio);
        const QRect source = toLogical.inverted().mapRect(QRectF(area)).toAlignedRect() & image.rect();
        if (!owner_->turn_) {
            painter.drawImage(toLogical.mapRect(QRectF(source)), image, source);
            return;
        }
        // Turned, the painter turns the source pixels under the area as it draws them.
        painter.setTransform(toLogical);
        painter.drawImage(QRectF(source), image, source);
        painter.resetTransform();
    }

    // The part decoded so far, where it lies at the zoom; nothing of a turned picture.
    void drawPartial(QPainter& painter)
    {
        const QRect& where = owner_->partialWhere_;
        const double scale = owner_->zoom_ / devicePixelRatioF();
        if (!owner_->turn_ && !owner_->partial_.isNull())
            painter.drawImage(QRectF(where.topLeft() * scale, where.size() * scale), owner_->partial_);
    }

    QRect devicePixels(const QRect& r) const
    {
        const double ratio = devicePixelRatioF();
        return QRectF(r.topLeft() * ratio, r.size() * ratio).toAlignedRect();
    }
    QRect shownDevicePixels() const { return devicePixels(visibleRegion().boundingRect()) & devicePixels(rect()); }

    // A picture below 1 comes from its one reduced copy, made smooth for the part on the screen
    // (for a small enough picture, the whole of it). A new zoom makes it at once. While the picture
    // is panned past the copy, each step is drawn straight from the source, sampled, and the copy
    // is made again once the panning rests: smoothing the whole view on every step is what makes
    // panning a large photo zoomed out stutter.
    void drawReduced(QPainter& painter, const QRect& area)
    {
        const QRect shown = shownDevicePixels();
        if (!owner_->reducedArea_.contains(devicePixels(area) & shown)) {
            if (owner_->reduced_.isNull()) {
                reduce(shown);
            } else {
                drawSampled(painter, area);
                smoothing_.start();
                return;
            }
        }
        const double ratio = devicePixelRatioF();
        const QRect& copied = owner_->reducedArea_;
        painter.drawImage(QRectF(copied.topLeft() / ratio, copied.size() / ratio), owner_->reduced_);
    }

    // The device pixels `wanted` of the picture at its zoom, scaled smooth from the source pixels
    // under them without copying those first.
    void reduce(const QRect& wanted)
    {
        const QImage& image = owner_->shown_;
        const int turn = owner_->turn_;
        const QTransform toDevice = owner_->toDevice();
        const QRect source = toDevice.inverted().mapRect(QRectF(wanted)).toAlignedRect() & image.rect();
        const QRectF mapped = toDevice.mapRect(QRectF(source));
        const QRect area(mapped.topLeft().toPoint(), mapped.size().toSize());
        owner_->reduced_ = {};
        owner_->reducedArea_ = {};
        if (source.isEmpty() || area.isEmpty())
            return;
        const QImage part = image.depth() % 8
            ? image.copy(source)
            : QImage(image.constScanLine(source.y()) + source.x() * image.depth() / 8, source.width(), source.height(),
                image.bytesPerLine(), image.format());
        // Turned, the part is reduced first and only the reduced copy is turned.
        const QSize size = turn % 2 ? area.size().transposed() : area.size();
        const QImage reduced = part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        owner_->reduced_ = turn ? reduced.transformed(QTransform().rotate(90 * turn)) : reduced;
        owner_->reducedArea_ = area;
    }

    static constexpr std::chrono::milliseconds SmoothAfter { 150 };

    ImageControl* owner_;
    QTimer smoothing_;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressedAt_, draggedTo_; // global pixels
};

ImageControl::ImageControl()
    : Control(new ImageWidget(this))
{
}

// A picture read for viewing shows the image it holds, reduced or not.
void ImageControl::setPicture(const StdPicture& picture)
{
    setPicture(picture, stretch_ ? QImage() : picture.image().isNull() ? picture.fullImage() : picture.image());
}

void ImageControl::setPicture(const StdPicture& picture, const QImage& full, bool cutShort)
{
    const QString spoken = picture_.fileName();
    picture_ = picture;
    shown_ = stretch_ ? QImage() : full;
    partial_ = {};
    partialWhere_ = {};
    zoom_ = 1;
    turn_ = 0;
    if (!stretch_ && !picture_.isEmpty() && shown_.isNull())
        picture_ = {};
    fitToZoom();
    // A picture cut short says so, after what the window says of it; a screen reader reads the tooltip
    // as the control's description.
    QString tip = toolTipOf ? toolTipOf(picture_) : QString();
    if (picture_.incomplete() || (cutShort && !picture_.isEmpty()))
        tip += (tip.isEmpty() ? QString() : QStringLiteral("：")) + IncompleteText;
    widget()->setToolTip(tip);
    widget()->update();
    if (picture_.fileName() != spoken && QAccessible::isActive()) {
        QAccessibleEvent renamed(widget(), QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
}

void ImageControl::setPartial(const StdPicture& picture, const QImage& part, QRect where)
{
    if (stretch_ || picture.isEmpty() || part.isNull())
        return;
    picture_ = picture;
    shown_ = {};
    partial_ = part;
    partialWhere_ = where;
    turn_ = 0;
    fitToZoom();
    widget()->update();
}

void ImageControl::setFocusRing(bool shown)
{
    if (std::exchange(focusRing_, shown) != shown)
        widget()->update();
}

void ImageControl::setFrame(const QImage& frame)
{
    if (stretch_ || picture_.isEmpty() || frame.size() != shown_.size())
        return;
    shown_ = frame;
    reduced_ = {};
    reducedArea_ = {};
    widget()->update();
}

void ImageControl::setZoom(double zoom)
{
    zoom_ = zoom;
    fitToZoom();
    widget()->update();
}

void ImageControl::setTurn(int quarters)
{
    turn_ = (quarters % 4 + 4) % 4;
    fitToZoom();
    widget()->update();
}

QImage ImageControl::turnedImage() const
{
    return turn_ && !shown_.isNull() ? shown_.transformed(QTransform().rotate(90 * turn_)) : shown_;
}

QTransform ImageControl::toDevice() const
{
    return heldToDevice(shown_.size(), QSize(picture_.pixelWidth(), picture_.pixelHeight()), turn_, zoom_);
}

bool ImageControl::holdsReduced() const
{
    return !shown_.isNull() && shown_.size() != QSize(picture_.pixelWidth(), picture_.pixelHeight());
}

void ImageControl::swapInFull(const QImage& full)
{
    if (stretch_ || picture_.isEmpty() || full.size() != QSize(picture_.pixelWidth(), picture_.pixelHeight()))
        return;
    shown_ = full;
    reduced_ = {};
    reducedArea_ = {};
    widget()->update();
}

QSizeF ImageControl::naturalTwips() const
{
    const double perPixel = TwipsPerPixel / widget()->devicePixelRatioF();
    const QSizeF natural(picture_.pixelWidth() * perPixel, picture_.pixelHeight() * perPixel);
    return turn_ % 2 ? natural.transposed() : natural;
}

// A control that is not stretched takes the picture's size at its zoom, whole twips that cover it.
// A picture too large for that size to be held in twips shows as the empty one.
void ImageControl::fitToZoom()
{
    reduced_ = {};
    reducedArea_ = {};
    if (stretch_ || picture_.isEmpty())
        return;
    const QSizeF twips = naturalTwips() * zoom_;
    const double width = std::ceil(twips.width() - 1e-6);
    const double height = std::ceil(twips.height() - 1e-6);
    if (width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max()) {
        qCDebug(lcControls) << "not shown:" << picture_.fileName() << "is too large to place in twips at zoom" << zoom_;
        picture_ = {};
        shown_ = {};
        return;
    }
    Move(Left(), Top(), int(width), int(height));
}

QSize ImageControl::devicePixels() const { return widget()->size() * widget()->devicePixelRatioF(); }

void ImageControl::setStretch(bool stretch)
{
    stretch_ = stretch;
    shown_ = stretch_ ? QImage() : picture_.image().isNull() ? picture_.fullImage() : picture_.image();
    widget()->update();
}

} // namespace tl
