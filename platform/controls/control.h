#pragma once

// Small control classes whose state is the authority: geometry in twips, 16-bit scroll values,
// pictures, list entries. Each owns a Qt widget that shows that state and takes the user's input.
// Setting a property that raises an event runs the handler at once, before the setter returns.

#include "platform/twips.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tl {

using Event = std::function<void()>;
// Raised with the key's code (a Qt::Key) when a key is pressed in a control.
using KeyEvent = std::function<void(int KeyCode)>;

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // Puts the control's widget inside `parent` (the window's client area or a container).
    void attach(QWidget* parent);
    QWidget* widget() const { return widget_; }

protected:
    explicit Control(QWidget* widget);

private:
    void applyGeometry();

    QPointer<QWidget> widget_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

} // namespace tl
