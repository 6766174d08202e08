// The image control's drawing: the picture stretched, sampled at a zoom of 1 or more, from its
// reduced copy below 1, or the part decoded so far; and the focus ring over it.

#include "platform/controls/imagewidget.h"

#include <QPaintEvent>
#include <QPainter>

namespace tl {

void ImageWidget::paintEvent(QPaintEvent* event)
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

void ImageWidget::drawPicture(QPainter& painter, const StdPicture& picture, const QRect& area)
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

void ImageWidget::drawFocusRing(QPainter& painter)
{
    constexpr int Width = 3;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(rect()).adjusted(Width / 2.0, Width / 2.0, -Width / 2.0, -Width / 2.0));
    painter.setPen(QPen(palette().color(QPalette::HighlightedText), 1));
    painter.drawRect(rect().adjusted(Width, Width, -Width - 1, -Width - 1));
}

void ImageWidget::drawSampled(QPainter& painter, const QRect& area)
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

void ImageWidget::drawPartial(QPainter& painter)
{
    const QRect& where = owner_->partialWhere_;
    const double scale = owner_->zoom_ / devicePixelRatioF();
    if (!owner_->turn_ && !owner_->partial_.isNull())
        painter.drawImage(QRectF(where.topLeft() * scale, where.size() * scale), owner_->partial_);
}

QRect ImageWidget::devicePixels(const QRect& r) const
{
    const double ratio = devicePixelRatioF();
    return QRectF(r.topLeft() * ratio, r.size() * ratio).toAlignedRect();
}

QRect ImageWidget::shownDevicePixels() const
{
    return devicePixels(visibleRegion().boundingRect()) & devicePixels(rect());
}

void ImageWidget::drawReduced(QPainter& painter, const QRect& area)
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

void ImageWidget::reduce(const QRect& wanted)
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
    const QImage part = image.depth() % 8 ? image.copy(source)
                                          : QImage(image.constScanLine(source.y()) + source.x() * image.depth() / 8,
                                              source.width(), source.height(), image.bytesPerLine(), image.format());
    // Turned, the part is reduced first and only the reduced copy is turned.
    const QSize size = turn % 2 ? area.size().transposed() : area.size();
    // A picture decoded at the size it shows (or a pixel more, from the rounding of its last one) is
    // drawn as it is, a pixel to a device pixel: it covers what the control shows.
    const QSize off = part.size() - size;
    const bool asItIs = off.width() >= 0 && off.width() <= 1 && off.height() >= 0 && off.height() <= 1;
    // The whole picture as it is is the picture itself, shared rather than copied.
    const QImage reduced = !asItIs ? part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        : source == image.rect()   ? image
                                   : part.copy();
    owner_->reduced_ = turn ? reduced.transformed(QTransform().rotate(90 * turn)) : reduced;
    owner_->reducedArea_ = QRect(area.topLeft(), owner_->reduced_.size());
}

} // namespace tl
