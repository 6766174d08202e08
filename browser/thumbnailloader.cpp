#include "browser/thumbnailloader.h"

#include "platform/logging.h"
#include "platform/threadpriority.h"

#include <QThread>

namespace tl {

namespace {
    // Room for a page, the rows prefetched around it and a few steps back.
    constexpr int CachedPictures = 64;
    constexpr qsizetype CachedBytes = qsizetype(512) << 20;
    // Pictures the window waits for go ahead of cells still queued.
    constexpr int WaitedForPriority = 1;
} // namespace

// A decode under way, which a later request for the same version of the file takes over.
struct ThumbnailLoader::Running {
    ThumbnailKey key;
    std::shared_ptr<PictureJob> job;
    bool prefetch = false;
    bool takenOver = false; // by a page; guarded by the loader's mutex
};

ThumbnailLoader::ThumbnailLoader()
    : cache_(CachedPictures, CachedBytes)
{
    prefetchPool_.setThreadPriority(QThread::LowestPriority);
}

ThumbnailLoader::~ThumbnailLoader() { stop(); }

std::shared_ptr<PictureJob> ThumbnailLoader::request(const QString& path, QSize cellSize)
{
    const std::optional<ThumbnailKey> key = ThumbnailKey::of(path, cellSize);
    if (!key) {
        if (path.isEmpty())
            return PictureJob::ready({});
        qCDebug(lcBrowser) << "cannot read" << path << ": no regular file by that name";
        return PictureJob::ready(StdPicture::failed(path, PictureFailure::Unreadable));
    }
    {
        // A decode of this very file is taken over rather than started again. The cache is looked
        // at afterwards: a finished decode fills it before it leaves the running ones.
        QMutexLocker lock(&mutex_);
        const std::shared_ptr<Running> running = running_.value(path);
        if (running && running->key == *key && !running->job->isCancelled()) {
            running->takenOver = true;
            return running->job;
        }
    }
    if (const std::optional<StdPicture> kept = cache_.find(*key))
        return PictureJob::ready(*kept);
    return startDecode(*key, false);
}

std::shared_ptr<PictureJob> ThumbnailLoader::run(PictureJob::Maker make)
{
    std::shared_ptr<PictureJob> job = PictureJob::start(pool_, std::move(make), WaitedForPriority);
    QMutexLocker lock(&mutex_);
    std::erase_if(waitedFor_, [](const std::weak_ptr<PictureJob>& earlier) { return earlier.expired(); });
    waitedFor_.push_back(job);
    return job;
}

void ThumbnailLoader::prefetch(const QStringList& paths, QSize cellSize)
{
    for (const QString& path : paths) {
        const std::optional<ThumbnailKey> key = ThumbnailKey::of(path, cellSize);
        if (key && !cache_.find(*key))
            startDecode(*key, true);
    }
}

std::shared_ptr<PictureJob> ThumbnailLoader::startDecode(const ThumbnailKey& key, bool prefetch)
{
    QMutexLocker lock(&mutex_);
    if (const std::shared_ptr<Running> running = running_.value(key.path);
        running && running->key == key && !running->job->isCancelled())
        return running->job;
    auto running = std::make_shared<Running>(Running { key, nullptr, prefetch, !prefetch });
    // Under the lock, so that the job cannot finish before it is listed.
    running->job = PictureJob::start(
        prefetch ? prefetchPool_ : pool_, [this, running, decoder = decode](const std::atomic<bool>* cancelled) {
            if (running->prefetch)
                settleLowPriority();
            StdPicture picture = decodeAndKeep(running->key, decoder, cancelled);
            QMutexLocker done(&mutex_);
            const auto it = running_.constFind(running->key.path);
            if (it != running_.cend() && *it == running)
                running_.erase(it);
            return picture;
        });
    running_.insert(key.path, running);
    return running->job;
}

void ThumbnailLoader::cancelPrefetch()
{
    QMutexLocker lock(&mutex_);
    for (auto it = running_.begin(); it != running_.end();) {
        if ((*it)->takenOver) {
            ++it;
            continue;
        }
        (*it)->job->cancel();
        it = running_.erase(it);
    }
}

void ThumbnailLoader::waitForPrefetch() { prefetchPool_.waitForDone(); }

void ThumbnailLoader::waitForAll()
{
    pool_.waitForDone();
    prefetchPool_.waitForDone();
}

void ThumbnailLoader::stop()
{
    {
        QMutexLocker lock(&mutex_);
        for (const std::shared_ptr<Running>& running : std::as_const(running_))
            running->job->cancel();
        running_.clear();
        for (const std::weak_ptr<PictureJob>& waited : std::as_const(waitedFor_))
            if (const std::shared_ptr<PictureJob> job = waited.lock())
                job->cancel();
    }
    prefetchPool_.waitForDone();
    pool_.waitForDone();
}

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

} // namespace tl
