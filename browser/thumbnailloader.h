#pragma once

#include "browser/thumbnailcache.h"
#include "pictures/picturejob.h"

#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace tl {

// Decodes one file for a cell; a set cancel flag may end it early with the empty picture.
using CellDecoder = std::function<StdPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)>;

// Where the grid gets its cell pictures: from the cache when the file is unchanged since it was
// decoded, from a decode of that file already under way, or from a new decode. Every decode runs on
// the loader's own pools, never on Qt's global one (Qt's smooth scaling hands its strips to that
// pool, and a decode waiting for them must find it free) and never on the window's thread.
// Prefetches run on a pool of their own at low priority and only ever fill the cache.
class ThumbnailLoader {
public:
    ThumbnailLoader();
    // Stops every decode and waits for what is still running.
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // Decodes every cell picture; tests count decodes through it. Set it only while nothing loads.
    CellDecoder decode = loadCellPicture;

    // The picture for a cell showing `path`. An empty path gives the empty picture at once, and a
    // path that names no regular file the failed one.
    std::shared_ptr<PictureJob> request(const QString& path, QSize cellSize);
    // Makes a picture the window waits for (a full picture for the picture window, the preview),
    // on the same pool as the cells but ahead of them.
    std::shared_ptr<PictureJob> run(PictureJob::Maker make);

    // Decodes these files into the cache in the background, leaving out what is kept or under way.
    void prefetch(const QStringList& paths, QSize cellSize);
    // Stops every prefetch that no page has taken over, at once: none of them is waited for.
    void cancelPrefetch();
    // Blocks until no prefetch is running (tests, benchmarks).
    void waitForPrefetch();
    // Blocks until no decode of any kind is running (fuzzing).
    void waitForAll();
    // Stops every decode and waits for them (the end of the program).
    void stop();

    ThumbnailCache& cache() { return cache_; }

private:
    struct Running;
    StdPicture decodeAndKeep(const ThumbnailKey& key, const CellDecoder& decoder, const std::atomic<bool>* cancelled);
    std::shared_ptr<PictureJob> startDecode(const ThumbnailKey& key, bool prefetch);

    ThumbnailCache cache_;
    QThreadPool pool_;
    QThreadPool prefetchPool_;
    QMutex mutex_;
    QHash<QString, std::shared_ptr<Running>> running_; // by path, while decoding
    std::vector<std::weak_ptr<PictureJob>> waitedFor_; // what run() started, to stop at the end
};

} // namespace tl
