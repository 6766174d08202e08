#pragma once

#include "browser/thumbnailcache.h"
#include "pictures/picturejob.h"

#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace tl {

// Reads one file for a cell, in the two stages of readCellPicture; a set cancel flag may end it early
// with the empty picture.
using CellReader = std::function<PictureRead(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)>;

// Where the grid gets its cell pictures: from the cache when the file is unchanged since it was
// decoded, from a decode of that file already under way, or from a new one. Nothing here touches the
// file system on the caller's thread: the file's status, which keys the cache, is looked at on the
// program's I/O pool with the read, and the decode runs on its CPU pool, so that a file that hangs
// holds up its own cell only. Prefetches run on a pool of their own at low priority and only ever fill
// the cache.
class ThumbnailLoader {
public:
    ThumbnailLoader();
    // Stops every job, waiting for none: a job never touches the loader, only what it shares with it.
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // Reads every cell picture; tests count reads through it. Set it only while nothing loads.
    CellReader read = readCellPicture;

    // The picture for a cell showing `path`. An empty path gives the empty picture at once, and a path
    // that names no regular file the failed one.
    std::shared_ptr<PictureJob> request(const QString& path, QSize cellSize);
    // Makes a picture the window waits for (a full picture for the picture window, the preview), on the
    // same pools as the cells but ahead of them.
    std::shared_ptr<PictureJob> run(PictureJob::Reader read);

    // Reads and decodes these files into the cache in the background, leaving out what is kept or
    // under way.
    void prefetch(const QStringList& paths, QSize cellSize);
    // Stops every prefetch that no page has taken over, at once: none of them is waited for.
    void cancelPrefetch();
    // Blocks until no prefetch is running (tests, benchmarks).
    void waitForPrefetch();
    // Blocks until no job of any kind is running (fuzzing, benchmarks).
    void waitForAll();
    // Stops every job, waiting for none (the end of the program).
    void stop();

    ThumbnailCache& cache();

private:
    struct Shared;
    struct Running;
    std::shared_ptr<PictureJob> startRead(const QString& path, QSize cellSize, bool prefetch);

    std::shared_ptr<Shared> shared_;
};

} // namespace tl
