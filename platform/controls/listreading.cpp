#include "platform/controls/listreading.h"

#include "platform/pools.h"
#include "platform/task.h"

#include <utility>

namespace tl {

namespace {
    // Set while a ReadingDeadline lives; the window's thread is the only one that reads it.
    std::optional<std::chrono::steady_clock::time_point> activeDeadline;
} // namespace

ReadingDeadline::ReadingDeadline(Start start)
    : saved_(activeDeadline)
{
    if (start == Fresh || !activeDeadline)
        activeDeadline = std::chrono::steady_clock::now() + BoundedWait;
}

ReadingDeadline::~ReadingDeadline() { activeDeadline = saved_; }

std::chrono::steady_clock::time_point ReadingDeadline::current()
{
    return activeDeadline ? *activeDeadline : std::chrono::steady_clock::now() + BoundedWait;
}

ListReading::ListReading(QObject* context, const Event& readingChange)
    : context_(context)
    , readingChange_(readingChange)
{
}

ListReading::~ListReading()
{
    if (task_)
        task_->cancel();
}

bool ListReading::read(Work work)
{
    const ReadingDeadline deadline;
    start(std::move(work));
    return wait();
}

void ListReading::start(Work work)
{
    if (task_)
        task_->cancel();
    auto task = Task<PutIn>::start(ioPool(), [work = std::move(work)](const std::atomic<bool>* cancelled) -> PutIn {
        try {
            return work(cancelled);
        } catch (...) {
            return {}; // nothing read, nothing to put in
        }
    });
    task_ = task;
    task->whenDone(context_, [this, task](const PutIn& putIn) {
        if (task != task_)
            return; // put in already, or stale
        const ReadingDeadline deadline(ReadingDeadline::Fresh);
        finish(putIn, true);
    });
}

bool ListReading::wait()
{
    if (!task_)
        return true;
    const std::shared_ptr<Task<PutIn>> task = task_;
    if (task->waitUntil(ReadingDeadline::current())) {
        finish(task->result(), false);
        return true;
    }
    if (!std::exchange(late_, true) && readingChange_)
        readingChange_();
    return false;
}

// The list reads as done before the result goes in, so that what the result raises sees it so; it
// says it is no longer reading once the result is in, even when putting it in throws.
void ListReading::finish(const PutIn& putIn, bool late)
{
    task_.reset();
    const bool wasLate = std::exchange(late_, false);
    const auto tell = [&] {
        if (wasLate && readingChange_)
            readingChange_();
    };
    try {
        if (putIn)
            putIn(late);
    } catch (...) {
        tell();
        throw;
    }
    tell();
}

} // namespace tl
