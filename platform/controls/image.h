#pragma once

#include "pictures/picture.h"
#include "platform/controls/control.h"

namespace tl {

class ImageControl : public Control {
public:
    ImageControl();

    const StdPicture& Picture() const { return picture_; }
    // A control that is not stretched takes the picture's natural size and holds the full image
    // while it shows the picture. A picture too large to decode in full, or too large for its size
    // in twips to be held, shows as the empty one.
    void setPicture(const StdPicture& picture);
    // The same, with the picture's full image decoded beforehand, off the window's thread.
    void setPicture(const StdPicture& picture, const QImage& full);
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    // What a control that is not stretched draws: the picture at its natural size.
    const QImage& shownImage() const { return shown_; }
    // The size a stretched control draws its picture at, in device pixels.
    QSize devicePixels() const;

    Event Click;
    // When set, the control's tooltip is what it says of each picture the control is given.
    std::function<QString(const StdPicture&)> toolTipOf;

private:
    friend class ImageWidget;
    StdPicture picture_;
    QImage shown_;
    bool stretch_ = false;
};

// A picture box used as a clipping container; its own picture is drawn at its natural size.
class PictureBox : public Control {
public:
    PictureBox();
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& picture);
    // Client area for child controls (inside the border).
    QWidget* inner() const;

    // The wheel turned over the box or a control inside it. Without a handler the wheel is left
    // to the window.
    WheelEvent MouseWheel;

private:
    friend class PictureBoxWidget;
    StdPicture picture_;
    int wheelEighths_ = 0; // a turn short of a notch, kept for the next one
};

} // namespace tl
