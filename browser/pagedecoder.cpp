#include "browser/pagedecoder.h"

namespace tl {

PageDecoder::PageDecoder(const QStringList& paths, QSize cellSize, ThumbnailLoader& loader)
{
    pictures_.reserve(paths.size());
    for (const QString& path : paths)
        pictures_.push_back(loader.request(path, cellSize));
}

PageDecoder::~PageDecoder()
{
    for (QFuture<StdPicture>& picture : pictures_)
        picture.waitForFinished();
}

StdPicture PageDecoder::take(int index)
{
    QFuture<StdPicture>& picture = pictures_.at(index);
    picture.waitForFinished();
    StdPicture result = picture.result();
    picture = QFuture<StdPicture>();
    return result;
}

} // namespace tl
