#pragma once

#include "browser/thumbnailcache.h"

#include <QFuture>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

namespace tl {

// Decodes one file for a cell; a set cancel flag may end it early with the empty picture.
using CellDecoder = std::function<StdPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)>;

// Where the grid gets its cell pictures: from the cache when the file is unchanged since it was
// decoded, from a prefetch of that file under way, or from a decode on all cores. Prefetches run
// on their own threads at low priority and only ever fill the cache.
class ThumbnailLoader {
public:
    ThumbnailLoader();
    // Stops the prefetch and waits for what is still running.
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // Decodes every cell picture; tests count decodes through it. Set it only while nothing loads.
    CellDecoder decode = loadCellPicture;

    // The picture for a cell showing `path`. A path that is empty or names no regular file gives
    // the empty picture at once.
    QFuture<StdPicture> request(const QString& path, QSize cellSize);

    // Decodes these files into the cache in the background, leaving out what is kept or under way.
    void prefetch(const QStringList& paths, QSize cellSize);
    // Stops every prefetch that no page has taken over, at once: none of them is waited for.
    void cancelPrefetch();
    // Blocks until no prefetch is running (the end of the program, tests, benchmarks).
    void waitForPrefetch();

    ThumbnailCache& cache() { return cache_; }

private:
    struct Job;
    StdPicture decodeAndKeep(const ThumbnailKey& key, const CellDecoder& decoder, const std::atomic<bool>* cancelled);
    void finish(const std::shared_ptr<Job>& job);

    ThumbnailCache cache_;
    QThreadPool prefetchPool_;
    QMutex mutex_;
    QHash<QString, std::shared_ptr<Job>> prefetches_; // by path, while running
};

} // namespace tl
