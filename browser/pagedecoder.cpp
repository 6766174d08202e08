#include "browser/pagedecoder.h"

namespace tl {

PageDecoder::PageDecoder(const QStringList& paths, QSize cellSize, ThumbnailLoader& loader, bool wait)
    : deadline_(PictureJob::Clock::now() + (wait ? PictureWait : std::chrono::milliseconds(0)))
{
    pictures_.reserve(paths.size());
    for (const QString& path : paths)
        pictures_.push_back(loader.request(path, cellSize));
}

std::optional<StdPicture> PageDecoder::take(int index)
{
    const std::shared_ptr<PictureJob>& picture = pictures_.at(index);
    if (!picture->waitUntil(deadline_))
        return std::nullopt;
    return picture->picture();
}

} // namespace tl
