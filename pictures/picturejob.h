#pragma once

#include "pictures/picture.h"
#include "platform/task.h"

#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace tl {

// One picture being made on the program's own pools. Whoever holds the job may wait for it a bounded
// time, never longer: a decode of a costly file, or a read of a hanging disk, goes on without holding
// up the window, and whoever still wants its picture looks again later. Nobody runs a job on their own
// thread.
class PictureJob : public Task<StdPicture> {
public:
    using Maker = std::function<StdPicture(const std::atomic<bool>* cancelled)>;
    using Reader = std::function<PictureRead(const std::atomic<bool>* cancelled)>;

    // Starts `make` on `pool`. PictureError or std::bad_alloc from `make` gives the empty picture;
    // anything else it throws ends the program (std::terminate).
    static std::shared_ptr<PictureJob> start(QThreadPool& pool, Maker make, int priority = 0);
    // Reads on `io`, then decodes what was read on `cpu`, so that a read that hangs holds no decoding
    // thread; both stages at `priority`, and failing as `make` does. A job cancelled between the stages
    // gives the empty picture without decoding.
    static std::shared_ptr<PictureJob> start(QThreadPool& io, QThreadPool& cpu, Reader read, int priority = 0);
    // A job that is done already.
    static std::shared_ptr<PictureJob> ready(StdPicture picture);

    // The picture once made; the empty one before.
    StdPicture picture() const { return result(); }
};

// How long a handler waits for the pictures it shows before it shows the rest as they come.
constexpr std::chrono::milliseconds PictureWait = BoundedWait;

} // namespace tl
