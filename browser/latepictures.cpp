#include "browser/latepictures.h"

#include <algorithm>

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

LatestPicture::LatestPicture(LatePictures& late)
    : late_(late)
{
    meanwhileTimer_.setSingleShot(true);
    QObject::connect(&meanwhileTimer_, &QTimer::timeout, [this] {
        if (pending_ && meanwhile_)
            meanwhile_();
    });
}

void LatestPicture::show(std::shared_ptr<PictureJob> job, LatePictures::PutIn putIn, std::function<void()> meanwhile,
    std::function<bool()> stillShown, std::chrono::milliseconds wait)
{
    // Asked again for the picture it is making, the job goes on.
    if (job_ && job_ != job)
        job_->cancel();
    job_ = job;
    const int request = ++request_;
    pending_ = false;
    meanwhileTimer_.stop();
    if (job->waitUntil(PictureJob::Clock::now() + std::min(wait, PictureWait))) {
        putIn(job->picture());
        return;
    }
    pending_ = true;
    meanwhile_ = std::move(meanwhile);
    if (wait >= PictureWait)
        meanwhile_();
    else
        meanwhileTimer_.start(PictureWait - wait);
    late_.add(std::move(job),
        [this, request, putIn = std::move(putIn), stillShown = std::move(stillShown)](const StdPicture& picture) {
            if (request != request_ || (stillShown && !stillShown()))
                return;
            pending_ = false;
            meanwhileTimer_.stop();
            putIn(picture);
        });
}

} // namespace tl
