#include "platform/controls/scrollbar.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <limits>
#include <utility>

namespace tl {

// Keys move the bar by what they mean on screen: left, up and page up towards the top or left
// end, right, down and page down towards the other, Home and End to the ends. QScrollBar's own
// mapping depends on invertedControls, which no single setting gets right for every key.
class ScrollBarWidget : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    bool repeating = false; // an arrow or the trough held down steps the bar again

protected:
    // The steps after the first of an arrow held down come from the bar's timer.
    void timerEvent(QTimerEvent* event) override
    {
        const bool was = std::exchange(repeating, true);
        QScrollBar::timerEvent(event);
        repeating = was;
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        SliderAction action;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            action = SliderSingleStepSub;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            action = SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = SliderToMinimum;
            break;
        case Qt::Key_End:
            action = SliderToMaximum;
            break;
        default:
            QScrollBar::keyPressEvent(event);
            return;
        }
        // A bar shown reversed has its largest value at the top or left end.
        if (invertedAppearance())
            action = reversed(action);
        triggerAction(action);
        event->accept();
    }

private:
    static SliderAction reversed(SliderAction action)
    {
        switch (action) {
        case SliderSingleStepAdd:
            return SliderSingleStepSub;
        case SliderSingleStepSub:
            return SliderSingleStepAdd;
        case SliderPageStepAdd:
            return SliderPageStepSub;
        case SliderPageStepSub:
            return SliderPageStepAdd;
        case SliderToMinimum:
            return SliderToMaximum;
        case SliderToMaximum:
            return SliderToMinimum;
        default:
            return action;
        }
    }
};

ScrollBar::ScrollBar(Qt::Orientation orientation)
    : Control(new ScrollBarWidget(orientation))
    , bar_(static_cast<QScrollBar*>(widget()))
{
    // Without tracking a dragged thumb changes the value once, when it is released.
    bar_->setTracking(false);
    bar_->setFocusPolicy(Qt::StrongFocus);
    showState();
    QObject::connect(bar_, &QScrollBar::valueChanged, bar_, [this](int value) { moveValue(value); });
}

void ScrollBar::setMin(Int16 min)
{
    min_ = min;
    moveValue(value_);
}

void ScrollBar::setMax(Int16 max)
{
    max_ = max;
    moveValue(value_);
}

void ScrollBar::setValue(Int16 value) { moveValue(value); }

bool ScrollBar::Repeating() const { return static_cast<const ScrollBarWidget*>(bar_)->repeating; }

void ScrollBar::setSmallChange(Int16 step)
{
    small_ = step;
    showState();
}

void ScrollBar::setLargeChange(Int16 step)
{
    large_ = step;
    showState();
}

void ScrollBar::stepBy(int steps)
{
    const qint64 target = qint64(value_) + qint64(steps) * small_;
    moveValue(int(std::clamp<qint64>(target, std::numeric_limits<Int16>::min(), std::numeric_limits<Int16>::max())));
}

void ScrollBar::moveValue(int value)
{
    const int low = std::min<int>(min_, max_);
    const int high = std::max<int>(min_, max_);
    const auto kept = static_cast<Int16>(std::clamp(value, low, high));
    const bool changed = kept != value_;
    value_ = kept;
    showState();
    if (changed && Change)
        Change();
}

// QScrollBar cannot hold a maximum below its minimum: it shows the bounds in order, reversed.
void ScrollBar::showState()
{
    // Showing the state is no move of the user's.
    const QSignalBlocker blocker(bar_);
    const bool reversed = max_ < min_;
    bar_->setInvertedAppearance(reversed);
    // The wheel scrolls down or right towards the bottom or right end of the bar as shown.
    bar_->setInvertedControls(!reversed);
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    bar_->setSingleStep(small_);
    bar_->setPageStep(large_);
    bar_->setValue(value_);
    bar_->setSliderPosition(value_);
}

} // namespace tl
