// Next and previous in the picture window: Space, BackSpace and the mouse's side buttons step
// through List1, the picture beyond is read ahead, and the grid follows the picture on show.

#include "browser/frmBmpGet.h"

#include "viewer/frmPicture.h"

#include <algorithm>

namespace tl {

namespace {
    // Whether a picture read for a step can still be shown: a newer picture in the window cancels
    // the job of the one before, which may have been made whole by then.
    bool usable(const std::shared_ptr<PictureJob>& job)
    {
        if (!job->isCancelled())
            return true;
        const StdPicture picture = job->isDone() ? job->picture() : StdPicture();
        return !picture.isEmpty() || picture.failure() != PictureFailure::None;
    }
} // namespace

// Shows the picture window, ready to step from `entry` of List1 (-1: a picture from elsewhere, which
// does not step). What was read for steps before is given up.
frmPicture& frmBmpGet::showPictureWindow(int entry)
{
    frmPicture& window = Window<frmPicture>().Show();
    if (stepWindow_ != &window) {
        stepWindow_ = &window;
        window.Step = [self = QPointer<frmBmpGet>(this)](int direction) {
            if (self)
                self->stepPicture(direction);
        };
        // A picture that could not be shown says why, as its cell does; one that shows needs no words.
        window.Image1.toolTipOf = [](const StdPicture& picture) {
            return picture.failure() == PictureFailure::None ? QString() : cellToolTip(picture);
        };
        // A closed window reads nothing more ahead. A window shown afresh meanwhile is left alone.
        connect(&window, &QObject::destroyed, this, [this, gone = &window] {
            if (stepWindow_ == gone) {
                stepWindow_ = nullptr;
                forgetSteps();
            }
        });
    }
    forgetSteps();
    shownEntry_ = entry;
    return window;
}

// The entry the window shows goes one further in `direction`; at either end of the list nothing
// moves. A picture read ahead, or the one just left, shows without a new read.
void frmBmpGet::stepPicture(int direction)
{
    frmPicture* window = Window<frmPicture>().Instance();
    const int entry = shownEntry_ + direction;
    if (!window || shownEntry_ < 0 || entry < 0 || entry >= List1.ListCount())
        return;
    std::shared_ptr<PictureJob> job;
    for (const HeldPicture& held : held_)
        if (held.entry == entry && usable(held.job))
            job = held.job;
    // Only the picture left and the one to show are kept: a read-ahead the other way is given up.
    std::erase_if(held_, [this, entry](const HeldPicture& held) {
        const bool kept = (held.entry == shownEntry_ || held.entry == entry) && usable(held.job);
        if (!kept)
            held.job->cancel();
        return !kept;
    });
    if (!job) {
        job = readEntry(entry);
        held_.push_back({ entry, job });
    }
    shownEntry_ = entry;
    showInPictureWindow(*window, job, [this, direction](frmPicture& shown, const StdPicture& picture) {
        shown.showPicture(picture);
        readAhead(direction);
    });
    followInGrid(entry);
}

// Decodes the picture one further in `direction` on the pool, so that the next step finds it made.
void frmBmpGet::readAhead(int direction)
{
    const int entry = shownEntry_ + direction;
    if (shownEntry_ < 0 || entry < 0 || entry >= List1.ListCount())
        return;
    std::erase_if(held_, [entry](const HeldPicture& held) { return held.entry == entry && !usable(held.job); });
    if (std::any_of(held_.begin(), held_.end(), [entry](const HeldPicture& held) { return held.entry == entry; }))
        return;
    held_.push_back({ entry, readEntry(entry) });
}

std::shared_ptr<PictureJob> frmBmpGet::readEntry(int entry)
{
    // Read at the size the window will show it in.
    const frmPicture* window = Window<frmPicture>().Instance();
    const ShownView view = window ? window->keptView() : ShownView();
    return thumbnails.run([path = List1.List(entry), view](const std::atomic<bool>* cancelled) {
        return readPictureForView(path, view, cancelled);
    });
}

void frmBmpGet::forgetSteps()
{
    for (const HeldPicture& held : held_)
        held.job->cancel();
    held_.clear();
    shownEntry_ = -1;
}

int frmBmpGet::stepPicturesHeld() const
{
    return static_cast<int>(std::count_if(held_.begin(), held_.end(),
        [](const HeldPicture& held) { return held.job->isDone() && !held.job->picture().image().isNull(); }));
}

// The grid moves to the row of the picture on show as a scroll does, when its page does not show it.
void frmBmpGet::followInGrid(int entry)
{
    scrollToShow(entry);
    focusEntry(entry);
}

} // namespace tl
