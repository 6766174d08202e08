#include "browser/latepictures.h"

namespace tl {

namespace {
    constexpr std::chrono::milliseconds LookAgain { 50 };
}

LatePictures::LatePictures()
{
    timer_.setInterval(LookAgain);
    QObject::connect(&timer_, &QTimer::timeout, [this] { putInWhatIsDone(); });
}

void LatePictures::add(std::shared_ptr<PictureJob> job, PutIn putIn)
{
    late_.push_back({ std::move(job), std::move(putIn) });
    timer_.start();
}

void LatePictures::putInWhatIsDone()
{
    // Taken out before any is put in: putting one in may run a handler that adds others.
    std::vector<Late> done;
    std::erase_if(late_, [&done](Late& late) {
        if (!late.job->isDone())
            return false;
        done.push_back(std::move(late));
        return true;
    });
    if (late_.empty())
        timer_.stop();
    for (const Late& late : done)
        late.putIn(late.job->picture());
}

void LatestPicture::show(std::shared_ptr<PictureJob> job, LatePictures::PutIn putIn,
    const std::function<void()>& meanwhile, std::function<bool()> stillShown, bool wait)
{
    // Asked again for the picture it is making, the job goes on.
    if (job_ && job_ != job)
        job_->cancel();
    job_ = job;
    const int request = ++request_;
    pending_ = false;
    if (job->waitUntil(PictureJob::Clock::now() + (wait ? PictureWait : std::chrono::milliseconds(0)))) {
        putIn(job->picture());
        return;
    }
    pending_ = true;
    meanwhile();
    late_.add(std::move(job),
        [this, request, putIn = std::move(putIn), stillShown = std::move(stillShown)](const StdPicture& picture) {
            if (request != request_ || (stillShown && !stillShown()))
                return;
            pending_ = false;
            putIn(picture);
        });
}

} // namespace tl
