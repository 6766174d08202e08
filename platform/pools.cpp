#include "platform/pools.h"

#include <QThread>
#include <algorithm>

namespace tl {

namespace {
    // Enough that a few hanging reads leave the rest of a page, the preview and the picture window
    // reading on.
    constexpr int IoThreads = 16;

    QThreadPool* made(int threads, QThread::Priority priority = QThread::InheritPriority)
    {
        auto* pool = new QThreadPool; // never deleted: see the header
        pool->setMaxThreadCount(threads);
        pool->setThreadPriority(priority);
        return pool;
    }

    int cores() { return std::max(1, QThread::idealThreadCount()); }
} // namespace

QThreadPool& ioPool()
{
    static QThreadPool* const pool = made(IoThreads);
    return *pool;
}

QThreadPool& cpuPool()
{
    static QThreadPool* const pool = made(cores());
    return *pool;
}

QThreadPool& prefetchPool()
{
    static QThreadPool* const pool = made(cores(), QThread::LowestPriority);
    return *pool;
}

bool drainPools(std::chrono::milliseconds grace)
{
    QThreadPool* const pools[] = { &prefetchPool(), &cpuPool(), &ioPool() };
    for (QThreadPool* pool : pools)
        pool->clear();
    const auto deadline = std::chrono::steady_clock::now() + grace;
    bool all = true;
    for (QThreadPool* pool : pools) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        all = pool->waitForDone(static_cast<int>(std::max<qint64>(0, left.count()))) && all;
    }
    return all;
}

} // namespace tl
