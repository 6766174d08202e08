#pragma once

#include "pictures/picture.h"
#include "platform/controls/control.h"

#include <QColor>
#include <QPointF>
#include <QTransform>

namespace tl {

// A turn of the wheel, or a touchpad's scroll, over a control. A turn with Shift held and no
// sideways part of its own counts as sideways.
struct WheelTurn {
    QPointF notches; // wheel notches, positive away from the user and to the left
    QPointF lines; // what the platform scrolls a view for that, in lines
    QPoint twips; // the device's own distance when it gives one, else 0, 0
    QPoint position; // the pointer, in twips of the area the control's children show in
    Qt::KeyboardModifiers Shift;
};

class ImageControl : public Control {
public:
    ImageControl();

    const StdPicture& Picture() const { return picture_; }
    // A control that is not stretched takes the picture's natural size and holds the image the picture
    // holds (a picture read for viewing may hold it reduced), else its full image. A picture too large
    // to decode in full, or too large for its size in twips to be held, shows as the empty one.
    void setPicture(const StdPicture& picture);
    // The same, with the picture's image decoded beforehand, off the window's thread: the full image,
    // or one reduced for the view (fewer pixels in the picture's shape); `cutShort` when that decode
    // found the file cut short, whatever the picture found when it was made.
    void setPicture(const StdPicture& picture, const QImage& full, bool cutShort = false);
    // Whether the image drawn from holds fewer pixels than the picture's natural size.
    bool holdsReduced() const;
    // Draws the picture on show from `full`, its image at its natural size, in place of the reduced one:
    // the control's size, zoom, turn and place stay as they are. An image of another size is left aside.
    void swapInFull(const QImage& full);
    // Shows `frame` in place of the full image of the picture on show, at the same zoom and place: the
    // next frame of an animation. A frame of another size than the picture, and a stretched control,
    // are left as they are.
    void setFrame(const QImage& frame);
    // Shows `part`, the part at `where` (in picture pixels) of `picture`, whose full image is still
    // being decoded: a control that is not stretched takes the picture's natural size at its zoom, as
    // for the full image, and draws the part alone, unturned, until a picture is put in.
    void setPartial(const StdPicture& picture, const QImage& part, QRect where);
    // The part shown meanwhile; null once a picture is put in.
    const QImage& partialImage() const { return partial_; }
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    // What a control that is not stretched draws from: the picture at its natural size, or reduced.
    const QImage& shownImage() const { return shown_; }
    // Device pixels to a picture pixel. At 1 the picture shows at its natural size: one picture
    // pixel to a device pixel, so its size in twips is 15 / devicePixelRatio a pixel. The size of a
    // control that is not stretched follows; each picture put in starts at 1.
    double Zoom() const { return zoom_; }
    void setZoom(double zoom);
    // Quarter turns clockwise the picture shows at, 0 to 3: the view only, the picture stays as it
    // is. The control's size and what it draws follow the turned picture; each picture put in starts
    // unturned.
    int Turn() const { return turn_; }
    void setTurn(int quarters);
    // The picture as a control that is not stretched shows it, from the image it draws from: turned, a
    // copy; else that image.
    QImage turnedImage() const;
    // The picture's size in twips at zoom 1, unrounded, turned as it shows.
    QSizeF naturalTwips() const;
    // The picture reduced for a zoom below 1, if one is held: only the part on the screen, or the
    // whole picture when it is that small.
    const QImage& reducedCopy() const { return reduced_; }
    // The size a stretched control draws its picture at, in device pixels.
    QSize devicePixels() const;
    // A ring drawn round the control, over its picture: the keyboard's place in a grid of images.
    // A screen reader is told the control has the focus while the ring shows.
    bool FocusRing() const { return focusRing_; }
    void setFocusRing(bool shown);

    // A press and release of the left button that did not drag.
    Event Click;
    // Raised while the left button drags the picture, with the pointer's move since the last time,
    // in twips. A drag is a move of more than the platform's drag distance; it is no click.
    std::function<void(int x, int y)> Drag;
    // When set, the control's tooltip is what it says of each picture the control is given.
    std::function<QString(const StdPicture&)> toolTipOf;

private:
    friend class ImageWidget;
    void fitToZoom();
    // Pixels of the image drawn from to device pixels of the control.
    QTransform toDevice() const;

    StdPicture picture_;
    QImage shown_;
    bool stretch_ = false;
    bool focusRing_ = false;
    double zoom_ = 1;
    int turn_ = 0;
    QImage reduced_;
    QRect reducedArea_; // where reduced_ lies, in device pixels of the control
    QImage partial_; // drawn while the full image is being decoded
    QRect partialWhere_; // where partial_ lies in the picture, in its pixels
};

// A picture box used as a clipping container; its own picture is drawn at its natural size.
class PictureBox : public Control {
public:
    PictureBox();
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& picture);
    // Client area for child controls: inside the border, short of the covered edges.
    QWidget* inner() const;
    // Strips along the right and bottom edges that other controls lie over, in twips: the children
    // show only in the rest, so none of them is hidden under those controls.
    void setCovered(int right, int bottom);
    // The colour behind the children; an invalid colour gives back the style's own.
    void setBackColor(const QColor& colour);
    QColor BackColor() const;
    // The client area's size, in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;

    // A key pressed while the box has the focus. The handler sets KeyCode to 0 for a key it took;
    // the others go on to the window.
    std::function<void(int& KeyCode, Qt::KeyboardModifiers Shift)> KeyDown;
    // The wheel turned over the box or over a child that does not take the wheel itself. Without a
    // handler the wheel is left to the window.
    std::function<void(const WheelTurn& turn)> MouseWheel;
    // The box gained or lost the keyboard focus.
    Event GotFocus;
    Event LostFocus;
    // The child a screen reader is told has the focus while the box has it (none: the box itself).
    void setFocusedChild(const Control* child);

private:
    friend class PictureBoxWidget;
    StdPicture picture_;
    QSize covered_; // pixels
    QPointer<QWidget> focusedChild_;
};

} // namespace tl
