#include "platform/controls/image.h"

#include "platform/controls/imagemapping.h"
#include "platform/controls/imagewidget.h"
#include "platform/logging.h"

#include <QAccessible>
#include <cmath>
#include <limits>
#include <utility>

namespace tl {

namespace {

    // What a picture cut short says of itself.
    const QString IncompleteText = QStringLiteral("一部が欠けています");

} // namespace

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
