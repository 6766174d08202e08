#pragma once

#include "pictures/picture.h"

#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace tl {

// One picture being made on a pool of the program's own. Whoever holds the job may wait for it a
// bounded time, never longer: a decode of a costly file goes on without holding up the window, and
// whoever still wants its picture looks again later. Nobody runs a job on their own thread.
class PictureJob {
public:
    using Clock = std::chrono::steady_clock;
    using Maker = std::function<StdPicture(const std::atomic<bool>* cancelled)>;

    // Starts `make` on `pool`. PictureError or std::bad_alloc from `make` gives the empty picture;
    // anything else it throws ends the program (std::terminate).
    static std::shared_ptr<PictureJob> start(QThreadPool& pool, Maker make, int priority = 0);
    // A job that is done already.
    static std::shared_ptr<PictureJob> ready(StdPicture picture);

    // Waits until the picture is made or `deadline` has passed; whether it is made.
    bool waitUntil(Clock::time_point deadline) const;
    bool isDone() const;
    // The picture once made; the empty one before.
    StdPicture picture() const;

    // Asks the job to give up early; a job that does gives the empty picture.
    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }
    const std::atomic<bool>* cancelFlag() const { return &cancelled_; }

private:
    void finish(StdPicture picture);

    mutable std::mutex mutex_;
    mutable std::condition_variable done_;
    bool finished_ = false;
    StdPicture picture_;
    std::atomic<bool> cancelled_ = false;
};

// How long a handler waits for the pictures it shows before it shows the rest as they come.
constexpr std::chrono::milliseconds PictureWait { 1000 };

} // namespace tl
