#pragma once

#include "platform/controls/control.h"

class QScrollBar;

namespace tl {

class ScrollBar : public Control {
public:
    explicit ScrollBar(Qt::Orientation orientation);

    Int16 Min() const { return min_; }
    Int16 Max() const { return max_; }
    Int16 Value() const { return value_; }
    Int16 SmallChange() const { return small_; }
    Int16 LargeChange() const { return large_; }
    // Max may lie below Min; Value is kept between the two, and a change of either bound
    // that moves Value raises Change.
    void setMin(Int16 min);
    void setMax(Int16 max);
    void setValue(Int16 value);
    void setSmallChange(Int16 step);
    void setLargeChange(Int16 step);
    // Moves Value by `steps` SmallChanges, towards Max when positive, as that many clicks on an
    // arrow do: kept between the bounds, Change raised once if it moved.
    void stepBy(int steps);

    // Whether the change being raised comes from an arrow or the trough held down, after its first
    // step: the bar steps again every 50 ms, so its handler does nothing that waits.
    bool Repeating() const;

    // Raised when Value changes: by code, by arrows, trough clicks and keys, and once when a
    // dragged thumb is released (never during the drag).
    Event Change;

private:
    void moveValue(int value);
    void showState();

    QScrollBar* bar_;
    Int16 min_ = 0, max_ = Int16Max, value_ = 0, small_ = 1, large_ = 1;
};

} // namespace tl
