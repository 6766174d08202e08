#include "viewer/animationplayer.h"

#include "pictures/pictureformat.h"
#include "platform/pools.h"

#include <QEvent>
#include <QWidget>
#include <utility>

namespace tl {

TimerTicker::TimerTicker()
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (const auto due = std::move(due_))
            due();
    });
}

std::chrono::milliseconds TimerTicker::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

void TimerTicker::callIn(std::chrono::milliseconds delay, std::function<void()> due)
{
    due_ = std::move(due);
    timer_.start(delay);
}

void TimerTicker::cancel()
{
    timer_.stop();
    due_ = {};
}

AnimationPlayer::AnimationPlayer(QWidget& window, ShowFrame show, std::unique_ptr<Ticker> ticker)
    : window_(&window)
    , show_(std::move(show))
    , ticker_(ticker ? std::move(ticker) : std::make_unique<TimerTicker>())
    , paused_(window.isHidden() || window.isMinimized())
{
    window.installEventFilter(this);
}

AnimationPlayer::~AnimationPlayer() { stop(); }

void AnimationPlayer::play(const StdPicture& picture)
{
    stop();
    const QByteArray bytes = picture.keptBytes();
    const QString path = picture.keptPath();
    // Only a GIF or a WebP can play; a picture that keeps its path is told by the file's first bytes, off
    // this thread.
    const PictureFormat format = pictureFormatOf(bytes.left(FormatHeadBytes));
    if (!bytes.isNull() && format != PictureFormat::Gif && format != PictureFormat::Webp)
        return;
    if (bytes.isNull() && path.isEmpty())
        return;
    const int generation = generation_;
    openedAt_ = ticker_->now();
    const auto firstFrame = [](std::shared_ptr<AnimationFrames> frames, const std::atomic<bool>* cancelled) {
        // The window shows the first frame already: the decoder is moved past it for its delay.
        const AnimationFrame first
            = frames && frames->playing().animated() ? frames->next(cancelled) : AnimationFrame();
        return first.image.isNull() ? Opened() : Opened { std::move(frames), first.delay };
    };
    const auto whenOpened = [this, generation](const Opened& opened) {
        if (generation == generation_ && opened.frames)
            started(opened);
    };
    if (!bytes.isNull()) {
        opening_ = Task<Opened>::start(cpuPool(), [bytes, firstFrame](const std::atomic<bool>* cancelled) {
            return firstFrame(std::shared_ptr<AnimationFrames>(animationFrames(bytes)), cancelled);
        });
        opening_->whenDone(this, whenOpened);
        return;
    }
    // A file is read on the pool that may wait on a disk, then decoded on the decoding pool.
    using Read = Task<std::shared_ptr<AnimationFrames>>;
    const auto read = Read::start(ioPool(), [path](const std::atomic<bool>* cancelled) {
        return std::shared_ptr<AnimationFrames>(readAnimationFile(path, cancelled));
    });
    readCancel_ = [read] { read->cancel(); };
    read->whenDone(this, [this, generation, firstFrame, whenOpened](const std::shared_ptr<AnimationFrames>& frames) {
        if (generation != generation_)
            return;
        readCancel_ = {}; // the read, and the bytes it holds, are let go once the frames hold them
        if (!frames)
            return;
        opening_ = Task<Opened>::start(cpuPool(),
            [frames, firstFrame](const std::atomic<bool>* cancelled) { return firstFrame(frames, cancelled); });
        opening_->whenDone(this, whenOpened);
    });
}

void AnimationPlayer::stop()
{
    ++generation_;
    if (readCancel_)
        readCancel_();
    readCancel_ = {};
    if (opening_)
        opening_->cancel();
    opening_.reset();
    if (decoding_)
        decoding_->cancel();
    decoding_.reset();
    frames_.reset();
    held_.reset();
    ahead_ = {};
    aheadReady_ = false;
    overdue_ = false;
    shown_ = 0;
    ticker_->cancel();
}

void AnimationPlayer::started(const Opened& opened)
{
    opening_.reset();
    readCancel_ = {};
    held_ = BudgetHold::ifRoom(opened.frames->stepCost());
    if (!held_)
        return;
    frames_ = opened.frames;
    shown_ = 1;
    // The first frame has been on show since the animation was put in.
    wait(std::max(
        std::chrono::milliseconds(opened.firstDelay) - (ticker_->now() - openedAt_), std::chrono::milliseconds(0)));
    decodeAhead();
}

void AnimationPlayer::decodeAhead()
{
    if (!frames_ || decoding_ || aheadReady_)
        return;
    const int generation = generation_;
    decoding_ = Task<AnimationFrame>::start(
        cpuPool(), [frames = frames_](const std::atomic<bool>* cancelled) { return frames->next(cancelled); });
    decoding_->whenDone(this, [this, generation](const AnimationFrame& frame) {
        if (generation == generation_)
            arrived(frame);
    });
}

// A null frame is the end: the animation played out, or a frame could not be made. The frame on show
// stays.
void AnimationPlayer::arrived(const AnimationFrame& frame)
{
    decoding_.reset();
    if (frame.image.isNull()) {
        frames_.reset();
        ticker_->cancel();
        return;
    }
    ahead_ = frame;
    aheadReady_ = true;
    if (overdue_ && !paused_)
        showAhead();
}

void AnimationPlayer::due()
{
    if (aheadReady_)
        showAhead();
    else
        overdue_ = true;
}

void AnimationPlayer::showAhead()
{
    const AnimationFrame frame = std::exchange(ahead_, {});
    aheadReady_ = false;
    overdue_ = false;
    show_(frame.image);
    ++shown_;
    wait(std::chrono::milliseconds(frame.delay));
    decodeAhead();
}

// The frame on show has its time from now; while the window is hidden its time waits.
void AnimationPlayer::wait(std::chrono::milliseconds delay)
{
    left_ = delay;
    dueAt_ = ticker_->now() + delay;
    if (!paused_)
        ticker_->callIn(delay, [this] { due(); });
}

void AnimationPlayer::setPaused(bool paused)
{
    if (paused == paused_)
        return;
    paused_ = paused;
    if (paused) {
        left_ = std::max(dueAt_ - ticker_->now(), std::chrono::milliseconds(0));
        ticker_->cancel();
        return;
    }
    if (!frames_ || opening_)
        return;
    if (overdue_) {
        if (aheadReady_)
            showAhead();
        return;
    }
    dueAt_ = ticker_->now() + left_;
    ticker_->callIn(left_, [this] { due(); });
}

bool AnimationPlayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && !window_.isNull()) {
        switch (event->type()) {
        case QEvent::Hide:
            setPaused(true);
            break;
        case QEvent::Show:
        case QEvent::WindowStateChange:
            setPaused(window_->isHidden() || window_->isMinimized());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tl
