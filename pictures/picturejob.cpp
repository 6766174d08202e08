#include "pictures/picturejob.h"

#include "platform/logging.h"

#include <exception>
#include <new>

namespace tl {

std::shared_ptr<PictureJob> PictureJob::start(QThreadPool& pool, Maker make, int priority)
{
    auto job = std::make_shared<PictureJob>();
    pool.start(
        [job, make = std::move(make)] {
            StdPicture picture;
            try {
                picture = make(job->cancelFlag());
            } catch (const PictureError& error) {
                qCDebug(lcPictures) << error.what();
            } catch (const std::bad_alloc&) {
                qCWarning(lcPictures) << "out of memory making a picture";
            } catch (...) {
                // Anything else is a bug: the program ends here, and the terminate handler says what
                // was thrown. Let through, it would leave the job unfinished for whoever looks at it,
                // and what became of the program would be up to Qt's pool.
                std::terminate();
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
