#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tl {

// How long the window's thread waits for work it handed to a pool (a decode, a folder listing, a
// file's status) before it shows what it has and lets the rest come in later.
constexpr std::chrono::milliseconds BoundedWait { 1000 };

// Whether work handed an optional cancel flag has been asked to give up.
inline bool isCancelled(const std::atomic<bool>* cancelled) { return cancelled && cancelled->load(); }

// One piece of work done on a pool of the program's own, giving a value of type T. Whoever holds
// the task may wait for it a bounded time, never longer, or be told on its own thread once it is
// done. A set cancel flag asks the work to give up early; work that does gives what it has.
template <class T> class Task {
public:
    using Clock = std::chrono::steady_clock;
    using Work = std::function<T(const std::atomic<bool>* cancelled)>;
    using Then = std::function<void(const T&)>;

    // Starts `work` on `pool`. The work must not throw.
    static std::shared_ptr<Task> start(QThreadPool& pool, Work work, int priority = 0)
    {
        auto task = std::make_shared<Task>();
        pool.start([task, work = std::move(work)] { task->finish(work(task->cancelFlag())); }, priority);
        return task;
    }
    // A task that is done already.
    static std::shared_ptr<Task> ready(T value)
    {
        auto task = std::make_shared<Task>();
        task->finish(std::move(value));
        return task;
    }

    // Waits until the value is made or `deadline` has passed; whether it is made.
    bool waitUntil(Clock::time_point deadline) const
    {
        std::unique_lock lock(mutex_);
        return done_.wait_until(lock, deadline, [this] { return finished_; });
    }
    bool isDone() const
    {
        std::lock_guard lock(mutex_);
        return finished_;
    }
    // The value once made; a default one before.
    T result() const
    {
        std::lock_guard lock(mutex_);
        return value_;
    }

    // Runs `then` with the value on the application's (the window's) thread once the value is made
    // (queued, also when it is made already), unless `context`, an object of that thread, is gone by
    // then.
    void whenDone(QObject* context, Then then)
    {
        std::unique_lock lock(mutex_);
        if (!finished_) {
            waiting_.push_back({ QPointer<QObject>(context), std::move(then) });
            return;
        }
        lock.unlock();
        post(QPointer<QObject>(context), std::move(then), result());
    }

    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }
    const std::atomic<bool>* cancelFlag() const { return &cancelled_; }

    // Ends the task with `value`: for work that hands itself on from one pool to another.
    void finish(T value)
    {
        std::vector<Waiting> waiting;
        {
            std::lock_guard lock(mutex_);
            value_ = std::move(value);
            finished_ = true;
            waiting.swap(waiting_);
        }
        done_.notify_all();
        for (Waiting& w : waiting)
            post(w.context, std::move(w.then), value_);
    }

private:
    struct Waiting {
        QPointer<QObject> context;
        Then then;
    };

    // The context is looked at on its own thread only: a worker cannot tell whether it still stands.
    static void post(QPointer<QObject> context, Then then, T value)
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [context, then = std::move(then), value = std::move(value)] {
                if (context)
                    then(value);
            },
            Qt::QueuedConnection);
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable done_;
    bool finished_ = false;
    T value_ {};
    std::vector<Waiting> waiting_;
    std::atomic<bool> cancelled_ = false;
};

} // namespace tl
