#include "platform/controls/control.h"

#include <algorithm>

namespace tl {

// The control owns its widget and deletes it with itself. Once attached, the widget is also a child
// in its window's widget tree; a window destroyed first deletes it with its children, and the
// QPointer then holds nothing to delete.
Control::Control(QWidget* widget)
    : widget_(widget)
{
}

Control::~Control() { delete widget_.data(); }

void Control::setLeft(int twips) { Move(twips, top_, width_, height_); }
void Control::setTop(int twips) { Move(left_, twips, width_, height_); }
void Control::setWidth(int twips) { Move(left_, top_, twips, height_); }
void Control::setHeight(int twips) { Move(left_, top_, width_, twips); }

void Control::Move(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    applyGeometry();
}

void Control::setVisible(bool visible)
{
    visible_ = visible;
    if (widget_ && widget_->parentWidget())
        widget_->setVisible(visible);
}

void Control::attach(QWidget* parent)
{
    widget_->setParent(parent);
    applyGeometry();
    widget_->setVisible(visible_);
}

void Control::applyGeometry()
{
    if (widget_)
        widget_->setGeometry(toPixels(left_), toPixels(top_), toPixels(width_), toPixels(height_));
}

} // namespace tl
