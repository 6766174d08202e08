#pragma once

#include "browser/thumbnailloader.h"

#include <QSize>
#include <QStringList>
#include <optional>
#include <vector>

namespace tl {

// Gets the pictures of one page from `loader` all at once, decoding what is new on all cores; the
// caller takes them in order. A path that is empty, or a file that cannot be read or decoded, gives
// the empty picture. Each picture comes with its copy scaled to `cellSize`, so that painting a cell
// is cheap. The page waits for its pictures until one deadline for all of them: a picture still
// decoding then is left to finish on its own, and whoever wants it looks at its job later.
class PageDecoder {
public:
    // `wait`: whether the page waits for its pictures at all; without, it takes those made already.
    PageDecoder(const QStringList& paths, QSize cellSize, ThumbnailLoader& loader, bool wait = true);

    // Picture `index` once made; none when it is not made by the deadline.
    std::optional<StdPicture> take(int index);
    // The job making picture `index`, for a picture late for the deadline.
    std::shared_ptr<PictureJob> job(int index) const { return pictures_.at(index); }

private:
    const PictureJob::Clock::time_point deadline_;
    std::vector<std::shared_ptr<PictureJob>> pictures_;
};

} // namespace tl
