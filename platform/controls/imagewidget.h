#pragma once

// The widget an ImageControl shows its picture in: its drawing (sampled, reduced or partial), and the
// presses, clicks and drags it turns into the control's events, and what a screen reader is told of
// it. For the image control's own files alone.

#include "platform/controls/image.h"

#include <QTimer>
#include <QWidget>
#include <chrono>

class QAccessibleInterface;

namespace tl {

class ImageWidget : public QWidget {
public:
    explicit ImageWidget(ImageControl* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click starts a click only when the first press was in this
    // window too. A double click on a thumbnail opens the picture window with its first click,
    // and its second press lands on the new window's picture, which must not close it at once.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // A screen reader meets an image control as a picture, named by the file of the picture it
    // shows unless the window gave the control a name of its own.
    class Spoken;
    static QAccessibleInterface* accessibleImage(const QString&, QObject* object);

    void drawPicture(QPainter& painter, const StdPicture& picture, const QRect& area);
    // The ring in the selection colour, with a light line inside it, so that it shows on dark and on
    // light pictures alike.
    void drawFocusRing(QPainter& painter);
    // The source pixels under `area` at the zoom, sampled without smoothing: where a source pixel covers
    // several device pixels it is drawn as a block.
    void drawSampled(QPainter& painter, const QRect& area);
    // The part decoded so far, where it lies at the zoom; nothing of a turned picture.
    void drawPartial(QPainter& painter);
    QRect devicePixels(const QRect& r) const;
    QRect shownDevicePixels() const;
    // A picture below 1 comes from its one reduced copy, made smooth for the part on the screen
    // (for a small enough picture, the whole of it). A new zoom makes it at once. While the picture
    // is panned past the copy, each step is drawn straight from the source, sampled, and the copy
    // is made again once the panning rests: smoothing the whole view on every step is what makes
    // panning a large photo zoomed out stutter.
    void drawReduced(QPainter& painter, const QRect& area);
    // The device pixels `wanted` of the picture at its zoom, scaled smooth from the source pixels
    // under them without copying those first.
    void reduce(const QRect& wanted);

    static constexpr std::chrono::milliseconds SmoothAfter { 150 };

    ImageControl* owner_;
    QTimer smoothing_;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressedAt_, draggedTo_; // global pixels
};

} // namespace tl
