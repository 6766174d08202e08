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

} // namespace tl
