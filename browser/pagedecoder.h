#pragma once

#include "platform/picture.h"

#include <QFuture>
#include <QSize>
#include <QStringList>
#include <vector>

namespace tl {

// Decodes the pictures of one page on all cores at once; the caller takes them in order.
// A path that is empty, or a file that cannot be read or decoded, gives the empty picture.
// Each picture comes with its copy scaled to `cellSize`, so that painting a cell is cheap.
class PageDecoder {
public:
    PageDecoder(const QStringList& paths, QSize cellSize);
    ~PageDecoder();
    PageDecoder(const PageDecoder&) = delete;
    PageDecoder& operator=(const PageDecoder&) = delete;

    // Waits for picture `index` and hands it over.
    StdPicture take(int index);

private:
    std::vector<QFuture<StdPicture>> pictures_;
};

} // namespace tl
