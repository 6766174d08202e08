#include "browser/pagedecoder.h"

namespace tl {

PageDecoder::PageDecoder(const QStringList& paths, QSize cellSize, ThumbnailLoader& loader)
    : deadline_(PictureJob::Clock::now() + PictureWait)
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
