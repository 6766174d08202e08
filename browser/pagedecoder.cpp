#include "browser/pagedecoder.h"

#include <QtConcurrent/QtConcurrentRun>

namespace tl {

PageDecoder::PageDecoder(const QStringList& paths, QSize cellSize)
{
    pictures_.reserve(paths.size());
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            pictures_.push_back(QtFuture::makeReadyFuture(StdPicture()));
            continue;
        }
        pictures_.push_back(QtConcurrent::run([path, cellSize] { return LoadCellPicture(path, cellSize); }));
    }
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
