#pragma once

#include "pictures/animation.h"
#include "pictures/decodebudget.h"
#include "pictures/picture.h"
#include "platform/task.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace tl {

// The clock an animation plays by: the time now, and one call at a time some time from now.
class Ticker {
public:
    virtual ~Ticker() = default;
    virtual std::chrono::milliseconds now() const = 0;
    // Calls `due` on the window's thread `delay` from now, in place of a call still waiting.
    virtual void callIn(std::chrono::milliseconds delay, std::function<void()> due) = 0;
    virtual void cancel() = 0;
};

// The clock on the wall, through a timer of the window's thread.
class TimerTicker : public Ticker {
public:
    TimerTicker();
    std::chrono::milliseconds now() const override;
    void callIn(std::chrono::milliseconds delay, std::function<void()> due) override;
    void cancel() override;

private:
    QTimer timer_;
    std::function<void()> due_;
};

// Plays an animated GIF or WebP in a window whose control shows its first frame already. The frames are
// decoded one ahead on the program's decoding pool, never on the window's thread, and each is shown
// when the one before has shown for its delay; one decoded late shows when it comes. The animation
// pauses while the window is hidden or minimised and goes on from where it was when it shows again;
// after the last play it stays on the last frame. A frame decoded for an animation that has been
// stopped since, or replaced, is dropped. What it keeps between frames counts in the decode budget
// with the picture on show: an animation it has no room for stays on its first frame.
class AnimationPlayer : public QObject {
public:
    using ShowFrame = std::function<void(const QImage& frame)>;

    // `show` puts a frame into the window's control; without a `ticker` the animation plays by the wall
    // clock.
    AnimationPlayer(QWidget& window, ShowFrame show, std::unique_ptr<Ticker> ticker = {});
    ~AnimationPlayer() override;

    // Plays `picture` when it is a GIF or WebP of more than one frame, read again from the bytes or the file it
    // was read from; stops what played before either way.
    void play(const StdPicture& picture);
    void stop();

    // Whether an animation is playing (paused or not), not yet played out or stopped.
    bool isPlaying() const { return frames_ != nullptr; }
    bool isPaused() const { return paused_; }
    // The frames shown since play, the first frame (shown by the window) counting as 1.
    int framesShown() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Opened {
        std::shared_ptr<AnimationFrames> frames;
        int firstDelay = 0;
    };
    void started(const Opened& opened);
    void decodeAhead();
    void arrived(const AnimationFrame& frame);
    void due();
    void showAhead();
    void wait(std::chrono::milliseconds delay);
    void setPaused(bool paused);

    QPointer<QWidget> window_;
    ShowFrame show_;
    std::unique_ptr<Ticker> ticker_;
    std::shared_ptr<AnimationFrames> frames_;
    std::unique_ptr<BudgetHold> held_; // what it keeps between frames: the canvas and the frame ahead
    std::shared_ptr<Task<AnimationFrame>> decoding_;
    std::shared_ptr<Task<Opened>> opening_;
    std::function<void()> readCancel_; // cancels the read of a file being opened
    AnimationFrame ahead_;
    bool aheadReady_ = false;
    bool overdue_ = false; // the frame on show has had its time; the next one shows as it comes
    bool paused_ = false;
    std::chrono::milliseconds dueAt_ { 0 }; // when the frame on show has had its time
    std::chrono::milliseconds left_ { 0 }; // what was left of it when the window was hidden
    std::chrono::milliseconds openedAt_ { 0 }; // when the animation was put in
    int generation_ = 0;
    int shown_ = 0;
};

} // namespace tl
