// Filling the grid's cells from the list of pictures, and prefetching the rows around the page.

#include "browser/frmBmpGet.h"
#include "browser/layout.h"
#include "browser/pagedecoder.h"
#include "platform/controls/keyrepeat.h"

#include <algorithm>

namespace tl {

// Fills the first `cells` cells from list entry `first` on; entries past the end of the list leave
// their cells blank. Pictures of unchanged files are reused, a prefetch of one of them is taken over,
// the rest of the prefetch stops, and what is new is decoded on all cores. Cells and PicturePath
// are set in order, and each cell is painted as soon as its picture is there, so that a page read
// from a slow card fills in before the handler ends. A cell whose picture is not made within the
// page's wait is left blank and filled when it is, if the grid still shows that page.
void frmBmpGet::loadPage(int first, int cells)
{
    QStringList paths;
    for (int k = 0; k < cells; ++k)
        paths << List1.List(first + k);
    PageDecoder page(paths, cellSize(), thumbnails, pageMayWait());
    pageAskedAt_ = PictureJob::Clock::now();
    thumbnails.cancelPrefetch();
    // What the page before still reads or decodes and this one does not show is given up, so that
    // pages scrolled past on a slow disk never queue ahead of the one on screen.
    std::vector<std::shared_ptr<PictureJob>> jobs;
    for (int k = 0; k < cells; ++k)
        jobs.push_back(page.job(k));
    for (const std::shared_ptr<PictureJob>& before : pageJobs_)
        if (std::find(jobs.begin(), jobs.end(), before) == jobs.end())
            before->cancel();
    pageJobs_ = std::move(jobs);
    const int shown = ++page_;
    for (int k = 0; k < cells; ++k) {
        PicturePath = paths.at(k);
        if (const std::optional<StdPicture> picture = page.take(k)) {
            Image2[k].setPicture(*picture);
            Image2[k].widget()->repaint();
            continue;
        }
        late_.add(page.job(k), [this, k, shown](const StdPicture& picture) {
            if (page_ == shown)
                Image2[k].setPicture(picture);
        });
    }
    pageFirst_ = first;
    prefetchTimer_.start(0);
}

// A page waits for its cells only when nothing is about to overtake it. A key or an arrow held down
// steps again within 50 ms; a page asked for while the one before, asked within the wait, still
// decodes is a grid scrolled faster than pages are made (a wheel spun); and the grid following the
// picture window is not what the user looks at. Their cells come in as they are made.
bool frmBmpGet::pageMayWait() const
{
    if (keyRepeating() || VScroll1.Repeating() || followingSteps_)
        return false;
    if (PictureJob::Clock::now() - pageAskedAt_ >= PictureWait)
        return true;
    return std::all_of(pageJobs_.begin(), pageJobs_.end(),
        [](const std::shared_ptr<PictureJob>& job) { return job->isDone() || job->isCancelled(); });
}

// The row below the page and the row above it, which a step of the scroll bar shows next.
void frmBmpGet::prefetchNeighbours()
{
    QStringList paths;
    for (int e = pageFirst_ + layout::CellCount; e < pageFirst_ + layout::CellCount + layout::GridColumns; ++e)
        paths << List1.List(e);
    for (int e = std::max(0, pageFirst_ - layout::GridColumns); e < pageFirst_; ++e)
        paths << List1.List(e);
    thumbnails.prefetch(paths, cellSize());
}

// A cell's picture is made for the device pixels it covers.
QSize frmBmpGet::cellSize() const { return Image2[0].devicePixels(); }

} // namespace tl
