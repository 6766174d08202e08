#include "pictures/progressivebudget.h"

#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tl {

namespace {

    // What the progressive decodes in flight hold. Made once and never destroyed: decodes may still
    // wait on it while the process ends.
    struct Shared {
        std::mutex mutex;
        std::condition_variable free;
        qint64 used = 0;
        int waitingAhead = 0; // waiters that a prefetch lets go first
    };
    Shared& shared()
    {
        static Shared* const made = new Shared;
        return *made;
    }

    std::atomic<bool> takingTurns { true };

} // namespace

ProgressiveShare::ProgressiveShare(qint64 cost, const std::atomic<bool>* cancelled)
{
    if (cost <= 0 || !takingTurns.load(std::memory_order_relaxed))
        return;
    // The prefetch's threads run at the lowest priority: the page on screen goes first.
    const bool behind = QThread::currentThread()->priority() == QThread::LowestPriority;
    Shared& s = shared();
    const auto fits
        = [&] { return (s.used == 0 || s.used + cost <= ProgressiveBudget) && (!behind || s.waitingAhead == 0); };
    std::unique_lock lock(s.mutex);
    s.waitingAhead += behind ? 0 : 1;
    bool given = true;
    while (given && !s.free.wait_for(lock, std::chrono::milliseconds(20), fits))
        given = !(cancelled && cancelled->load());
    s.waitingAhead -= behind ? 0 : 1;
    if (given) {
        s.used += cost;
        cost_ = cost;
    }
    lock.unlock();
    if (!behind)
        s.free.notify_all(); // a prefetch may go now
}

ProgressiveShare::~ProgressiveShare()
{
    if (cost_ == 0)
        return;
    Shared& s = shared();
    {
        std::lock_guard lock(s.mutex);
        s.used -= cost_;
    }
    s.free.notify_all();
}

void setProgressiveDecodesForBenchmarks(bool asBefore) { takingTurns = !asBefore; }

} // namespace tl
