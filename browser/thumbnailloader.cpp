#include "browser/thumbnailloader.h"

#include "platform/threadpriority.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace tl {

namespace {
    // Room for a page, the rows prefetched around it and a few steps back.
    constexpr int CachedPictures = 64;
    constexpr qsizetype CachedBytes = qsizetype(512) << 20;
} // namespace

struct ThumbnailLoader::Job {
    explicit Job(ThumbnailKey k)
        : key(std::move(k))
    {
    }
    const ThumbnailKey key;
    std::atomic<bool> cancelled = false;
    bool takenOver = false; // by a page; guarded by the loader's mutex
    QFuture<StdPicture> picture;
};

ThumbnailLoader::ThumbnailLoader()
    : cache_(CachedPictures, CachedBytes)
{
    prefetchPool_.setThreadPriority(QThread::LowestPriority);
}

ThumbnailLoader::~ThumbnailLoader()
{
    {
        QMutexLocker lock(&mutex_);
        for (const std::shared_ptr<Job>& job : std::as_const(prefetches_))
            job->cancelled = true;
    }
    waitForPrefetch();
}

QFuture<StdPicture> ThumbnailLoader::request(const QString& path, QSize cellSize)
{
    const std::optional<ThumbnailKey> key = ThumbnailKey::of(path, cellSize);
    if (!key)
        return QtFuture::makeReadyFuture(StdPicture());
    {
        // A prefetch of this very file is taken over rather than started again. The cache is
        // looked at afterwards: a finished prefetch fills it before it leaves the running ones.
        QMutexLocker lock(&mutex_);
        const std::shared_ptr<Job> job = prefetches_.value(path);
        if (job && job->key == *key && !job->cancelled) {
            job->takenOver = true;
            return job->picture;
        }
    }
    if (const std::optional<StdPicture> kept = cache_.find(*key))
        return QtFuture::makeReadyFuture(*kept);
    return QtConcurrent::run([this, key = *key, decoder = decode] { return decodeAndKeep(key, decoder, nullptr); });
}

void ThumbnailLoader::prefetch(const QStringList& paths, QSize cellSize)
{
    for (const QString& path : paths) {
        const std::optional<ThumbnailKey> key = ThumbnailKey::of(path, cellSize);
        if (!key || cache_.find(*key))
            continue;
        QMutexLocker lock(&mutex_);
        if (const std::shared_ptr<Job> running = prefetches_.value(path); running && running->key == *key)
            continue;
        auto job = std::make_shared<Job>(*key);
        prefetches_.insert(path, job);
        // Under the lock, so that the job cannot finish before its future is stored.
        job->picture = QtConcurrent::run(&prefetchPool_, [this, job, decoder = decode] {
            settleLowPriority();
            StdPicture picture = decodeAndKeep(job->key, decoder, &job->cancelled);
            finish(job);
            return picture;
        });
    }
}

void ThumbnailLoader::cancelPrefetch()
{
    QMutexLocker lock(&mutex_);
    for (auto it = prefetches_.begin(); it != prefetches_.end();) {
        if ((*it)->takenOver) {
            ++it;
            continue;
        }
        (*it)->cancelled = true;
        it = prefetches_.erase(it);
    }
}

void ThumbnailLoader::waitForPrefetch() { prefetchPool_.waitForDone(); }

// A picture goes into the cache only when it is whole and the file did not change while it was read.
StdPicture ThumbnailLoader::decodeAndKeep(
    const ThumbnailKey& key, const CellDecoder& decoder, const std::atomic<bool>* cancelled)
{
    StdPicture picture = decoder(key.path, key.cellSize, cancelled);
    const bool whole = !picture.isEmpty() && !(cancelled && cancelled->load());
    if (whole && ThumbnailKey::of(key.path, key.cellSize) == key)
        cache_.insert(key, picture);
    return picture;
}

void ThumbnailLoader::finish(const std::shared_ptr<Job>& job)
{
    QMutexLocker lock(&mutex_);
    const auto it = prefetches_.constFind(job->key.path);
    if (it != prefetches_.cend() && *it == job)
        prefetches_.erase(it);
}

} // namespace tl
