#include "pictures/picturejob.h"

#include <exception>

namespace tl {

std::shared_ptr<PictureJob> PictureJob::start(QThreadPool& pool, Maker make, int priority)
{
    auto job = std::make_shared<PictureJob>();
    pool.start(
        [job, make = std::move(make)] {
            StdPicture picture;
            try {
                picture = make(job->cancelFlag());
            } catch (const std::exception&) {
                // Out of memory, or a decoder that gave up in a way of its own: no picture. What
                // the maker held is released as it unwinds.
            }
            job->finish(std::move(picture));
        },
        priority);
    return job;
}

std::shared_ptr<PictureJob> PictureJob::ready(StdPicture picture)
{
    auto job = std::make_shared<PictureJob>();
    job->finish(std::move(picture));
    return job;
}

bool PictureJob::waitUntil(Clock::time_point deadline) const
{
    std::unique_lock lock(mutex_);
    return done_.wait_until(lock, deadline, [this] { return finished_; });
}

bool PictureJob::isDone() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

StdPicture PictureJob::picture() const
{
    std::lock_guard lock(mutex_);
    return picture_;
}

void PictureJob::finish(StdPicture picture)
{
    {
        std::lock_guard lock(mutex_);
        picture_ = std::move(picture);
        finished_ = true;
    }
    done_.notify_all();
}

} // namespace tl
