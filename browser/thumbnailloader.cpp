#include "browser/thumbnailloader.h"

#include "platform/logging.h"
#include "platform/pools.h"
#include "platform/processend.h"
#include "platform/threadpriority.h"

#include <QHash>
#include <QMutex>
#include <optional>
#include <thread>

namespace tl {

namespace {
    // Room for a page, the rows prefetched around it and a few steps back.
    constexpr int CachedPictures = 64;
    constexpr qsizetype CachedBytes = qsizetype(512) << 20;
    // Pictures the window waits for go ahead of cells still queued.
    constexpr int WaitedForPriority = 1;
    // How often a job waiting for another one looks at its own cancel flag.
    constexpr std::chrono::milliseconds LookAgain { 20 };

    // A path that names no regular file (any more) leaves its cell blank without reading anything.
    StdPicture noFile(const QString& path)
    {
        qCDebug(lcBrowser) << "cannot read" << path << ": no regular file by that name";
        return StdPicture::failed(path, PictureFailure::Unreadable);
    }
} // namespace

// A read under way, which a later request for the same file takes over.
struct ThumbnailLoader::Running {
    QString path;
    QSize cellSize;
    bool prefetch = false;
    std::shared_ptr<PictureJob> job;
    // Guarded by the shared mutex: the version the job read, once it has looked at the file, and
    // whether a page took the job over (a prefetch a page waits for is not cancelled with the others).
    std::optional<ThumbnailKey> key;
    bool takenOver = false;
};

// What the jobs share with the loader; they never touch the loader itself, which may be gone first.
struct ThumbnailLoader::Shared {
    Shared()
        : cache(CachedPictures, CachedBytes)
        , stopAtEnd([this] { stop(); })
    {
    }

    void stop()
    {
        QMutexLocker lock(&mutex);
        for (const std::shared_ptr<Running>& running : std::as_const(runningReads))
            running->job->cancel();
        runningReads.clear();
        for (const std::weak_ptr<PictureJob>& waited : std::as_const(waitedFor))
            if (const std::shared_ptr<PictureJob> job = waited.lock())
                job->cancel();
    }

    // Takes a read out of the running ones when it ends, however it ends.
    struct Leaving {
        std::shared_ptr<Shared> shared;
        std::shared_ptr<Running> running;
        ~Leaving()
        {
            QMutexLocker lock(&shared->mutex);
            const auto it = shared->runningReads.constFind(running->path);
            if (it != shared->runningReads.cend() && *it == running)
                shared->runningReads.erase(it);
        }
    };

    ThumbnailCache cache;
    QMutex mutex;
    QHash<QString, std::shared_ptr<Running>> runningReads; // by path
    std::vector<std::weak_ptr<PictureJob>> waitedFor; // what run() started, to stop at the end
    StopAtEnd stopAtEnd;
};

ThumbnailLoader::ThumbnailLoader()
    : shared_(std::make_shared<Shared>())
{
}

ThumbnailLoader::~ThumbnailLoader() { stop(); }

std::shared_ptr<PictureJob> ThumbnailLoader::request(const QString& path, QSize cellSize)
{
    if (path.isEmpty())
        return PictureJob::ready({});
    std::shared_ptr<Running> theirs;
    {
        QMutexLocker lock(&shared_->mutex);
        theirs = shared_->runningReads.value(path);
        // A read already done is not taken over: the file may have changed since, and the cache
        // holds its picture for the version it read.
        if (!theirs || theirs->cellSize != cellSize || theirs->job->isCancelled() || theirs->job->isDone())
            theirs = nullptr;
        else
            theirs->takenOver = true;
    }
    if (!theirs)
        return startRead(path, cellSize, false);
    // A page's read of this file, asked for a moment ago, is taken over as it is: a page after it that
    // shows the same entry keeps it going.
    if (!theirs->prefetch)
        return theirs->job;
    // A prefetch is taken over when it reads the version there is now; looking at the file is left to
    // the job, like every other file system call.
    return PictureJob::start(ioPool(), cpuPool(),
        [shared = shared_, theirs, path, cellSize, read = read](const std::atomic<bool>* cancelled) -> PictureRead {
            const std::optional<ThumbnailKey> key = ThumbnailKey::of(path, cellSize);
            if (!key)
                return noFile(path);
            bool same;
            {
                QMutexLocker lock(&shared->mutex);
                same = !theirs->key || *theirs->key == *key;
            }
            if (same) {
                while (!theirs->job->waitUntil(PictureJob::Clock::now() + LookAgain))
                    if (isCancelled(cancelled))
                        return {};
                if (!theirs->job->isCancelled())
                    return theirs->job->picture();
            }
            return read(path, cellSize, cancelled);
        });
}

std::shared_ptr<PictureJob> ThumbnailLoader::run(PictureJob::Reader read)
{
    std::shared_ptr<PictureJob> job = PictureJob::start(ioPool(), cpuPool(), std::move(read), WaitedForPriority);
    QMutexLocker lock(&shared_->mutex);
    std::erase_if(shared_->waitedFor, [](const std::weak_ptr<PictureJob>& earlier) { return earlier.expired(); });
    shared_->waitedFor.push_back(job);
    return job;
}

void ThumbnailLoader::prefetch(const QStringList& paths, QSize cellSize)
{
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        QMutexLocker lock(&shared_->mutex);
        if (const std::shared_ptr<Running> running = shared_->runningReads.value(path);
            running && running->cellSize == cellSize && !running->job->isCancelled())
            continue;
        lock.unlock();
        startRead(path, cellSize, true);
    }
}

// Looks at the file, takes its picture from the cache when this version is kept, else reads and
// decodes it. A picture goes into the cache only when it is whole and the file did not change while it
// was read.
std::shared_ptr<PictureJob> ThumbnailLoader::startRead(const QString& path, QSize cellSize, bool prefetch)
{
    auto running = std::make_shared<Running>(Running { path, cellSize, prefetch, nullptr, std::nullopt, !prefetch });
    auto leaving = std::make_shared<Shared::Leaving>(Shared::Leaving { shared_, running });
    const auto readFile
        = [shared = shared_, running, leaving, read = read](const std::atomic<bool>* cancelled) -> PictureRead {
        if (running->prefetch)
            settleLowPriority();
        const std::optional<ThumbnailKey> key = ThumbnailKey::of(running->path, running->cellSize);
        if (!key)
            return noFile(running->path);
        {
            QMutexLocker lock(&shared->mutex);
            running->key = key;
        }
        if (const std::optional<StdPicture> kept = shared->cache.find(*key))
            return *kept;
        PictureRead stage = read(running->path, running->cellSize, cancelled);
        const bool unchanged = !isCancelled(cancelled) && ThumbnailKey::of(running->path, running->cellSize) == key;
        const auto keep
            = [shared, key = *key, unchanged](const StdPicture& picture, const std::atomic<bool>* cancelled) {
                  if (unchanged && !picture.isEmpty() && !isCancelled(cancelled))
                      shared->cache.insert(key, picture);
              };
        if (!stage.decode) {
            keep(stage.picture, cancelled);
            return stage.picture;
        }
        return PictureRead([decode = std::move(stage.decode), keep, leaving](const std::atomic<bool>* cancelled) {
            StdPicture picture = decode(cancelled);
            keep(picture, cancelled);
            return picture;
        });
    };
    QThreadPool& first = prefetch ? prefetchPool() : ioPool();
    QThreadPool& second = prefetch ? prefetchPool() : cpuPool();
    // Under the lock, so that the job cannot end before it is listed.
    QMutexLocker lock(&shared_->mutex);
    running->job = PictureJob::start(first, second, readFile);
    shared_->runningReads.insert(path, running);
    return running->job;
}

void ThumbnailLoader::cancelPrefetch()
{
    QMutexLocker lock(&shared_->mutex);
    for (auto it = shared_->runningReads.begin(); it != shared_->runningReads.end();) {
        if ((*it)->takenOver) {
            ++it;
            continue;
        }
        (*it)->job->cancel();
        it = shared_->runningReads.erase(it);
    }
}

void ThumbnailLoader::waitForPrefetch() { prefetchPool().waitForDone(); }

void ThumbnailLoader::waitForAll()
{
    prefetchPool().waitForDone();
    ioPool().waitForDone();
    cpuPool().waitForDone();
}

void ThumbnailLoader::stop() { shared_->stop(); }

ThumbnailCache& ThumbnailLoader::cache() { return shared_->cache; }

} // namespace tl
