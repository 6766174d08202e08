#include "pictures/picturejob.h"

#include "platform/logging.h"

#include <exception>
#include <new>

namespace tl {

namespace {

    // What a stage gives, or the empty picture when loading failed. Anything else thrown is a bug: the
    // program ends here, and the terminate handler says what was thrown. Let through, it would leave
    // the job unfinished for whoever looks at it, and what became of the program would be up to Qt's pool.
    template <class Result, class Stage> Result guarded(const Stage& stage, const std::atomic<bool>* cancelled)
    {
        try {
            return stage(cancelled);
        } catch (const PictureError& error) {
            qCDebug(lcPictures) << error.what();
        } catch (const std::bad_alloc&) {
            qCWarning(lcPictures) << "out of memory making a picture";
        } catch (...) {
            std::terminate();
        }
        return {};
    }

} // namespace

std::shared_ptr<PictureJob> PictureJob::start(QThreadPool& pool, Maker make, int priority)
{
    auto job = std::make_shared<PictureJob>();
    pool.start([job, make = std::move(make)] { job->finish(guarded<StdPicture>(make, job->cancelFlag())); }, priority);
    return job;
}

std::shared_ptr<PictureJob> PictureJob::start(QThreadPool& io, QThreadPool& cpu, Reader read, int priority)
{
    auto job = std::make_shared<PictureJob>();
    io.start(
        [job, read = std::move(read), &cpu, priority] {
            // Given up while queued: not even the file's status is looked at, which may hang too.
            if (job->isCancelled()) {
                job->finish({});
                return;
            }
            PictureRead stage = guarded<PictureRead>(read, job->cancelFlag());
            if (!stage.decode || job->isCancelled()) {
                job->finish(job->isCancelled() ? StdPicture() : std::move(stage.picture));
                return;
            }
            cpu.start(
                [job, decode = std::move(stage.decode)] {
                    job->finish(job->isCancelled() ? StdPicture() : guarded<StdPicture>(decode, job->cancelFlag()));
                },
                priority);
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

} // namespace tl
