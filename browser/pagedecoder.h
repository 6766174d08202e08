#pragma once

#include "browser/thumbnailloader.h"

#include <QFuture>
#include <QSize>
#include <QStringList>
#include <vector>

namespace tl {

// Gets the pictures of one page from `loader` all at once, decoding what is new on all cores; the
// caller takes them in order. A path that is empty, or a file that cannot be read or decoded, gives
// the empty picture. Each picture comes with its copy scaled to `cellSize`, so that painting a cell
// is cheap. The destructor waits for every decode the page started.
class PageDecoder {
public:
    PageDecoder(const QStringList& paths, QSize cellSize, ThumbnailLoader& loader);
    ~PageDecoder();
    PageDecoder(const PageDecoder&) = delete;
    PageDecoder& operator=(const PageDecoder&) = delete;

    // Waits for picture `index` and hands it over.
    StdPicture take(int index);

private:
    std::vector<QFuture<StdPicture>> pictures_;
};

} // namespace tl
