#pragma once

// How the drive, folder and file lists read the file system: off the window's thread, waited for a
// bounded time.

#include "platform/controls/control.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace tl {

template <class T> class Task;

// The deadline the lists wait for their readings by. While one lives, every reading waits no later
// than the same deadline, BoundedWait after the first of them was made: a handler that reads two
// lists, or reads one whose events read another, waits once, not once a list. Window's thread only.
class ReadingDeadline {
public:
    enum Start { Shared, Fresh };
    // Shared: joins the deadline already set, or sets one. Fresh: sets a new one for as long as it
    // lives, for work that is not part of the handler under way (a reading come in late).
    explicit ReadingDeadline(Start start = Shared);
    ~ReadingDeadline();
    ReadingDeadline(const ReadingDeadline&) = delete;
    ReadingDeadline& operator=(const ReadingDeadline&) = delete;

    static std::chrono::steady_clock::time_point current();

private:
    std::optional<std::chrono::steady_clock::time_point> saved_;
};

// One list's reading of the file system. The work runs on the I/O pool and gives back what puts its
// result into the list; the list waits for it up to the deadline. Done in time, it is put in at once,
// nested in the call that asked for it. Late, the list says so (its ReadingChange, raised again once
// the reading is put in) and it is put in on the window's thread when it ends, unless a newer reading
// was asked for meanwhile, which cancels it.
class ListReading {
public:
    // Puts the result in; `late` when that happens after the wait, outside the call that asked for it.
    using PutIn = std::function<void(bool late)>;
    using Work = std::function<PutIn(const std::atomic<bool>* cancelled)>;

    // `context` is the list's widget: nothing is put in once it is gone.
    ListReading(QObject* context, const Event& readingChange);
    ~ListReading();

    // Starts a reading and waits for it up to the current deadline; whether it was put in.
    bool read(Work work);
    // Starts a reading and does not wait for it.
    void start(Work work);
    // Waits for the reading under way up to the current deadline; whether it was put in (or there was none).
    bool wait();

    // A reading is under way, waited for or not.
    bool busy() const { return task_ != nullptr; }
    // A reading is under way that was not done within its wait.
    bool late() const { return late_; }

private:
    void finish(const PutIn& putIn, bool late);

    QObject* context_;
    const Event& readingChange_;
    std::shared_ptr<Task<PutIn>> task_;
    bool late_ = false;
};

} // namespace tl
