// Next and previous in the picture window: Space, BackSpace and the mouse's side buttons step
// through List1, the picture beyond is read ahead, and the grid follows the picture on show.

#include "browser/frmBmpGet.h"

#include "viewer/frmPicture.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <optional>

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

    // A picture made for the window keeps its share of the decode budget in `hold` while the window
    // holds it beside the one on show. One read ahead is made only if there is room for it now, and
    // kept only if there is room to keep it: else it is not made, and a step to it reads it then.
    PictureJob::Reader holding(PictureJob::Reader read, HoldSlot hold, bool onlyIfRoom)
    {
        const auto kept = [hold, onlyIfRoom](const StdPicture& picture) {
            const qint64 cost = picture.memoryCost();
            *hold = onlyIfRoom ? BudgetHold::ifRoom(cost) : std::make_unique<BudgetHold>(cost);
            return *hold ? picture : StdPicture();
        };
        // A file the read decodes itself (its bytes not kept) is decoded within the same bounds.
        const auto within = [onlyIfRoom](const auto& work) {
            std::optional<OnlyIfRoom> room;
            if (onlyIfRoom)
                room.emplace();
            return work();
        };
        return [read = std::move(read), kept, within](const std::atomic<bool>* cancelled) {
            PictureRead first = within([&] { return read(cancelled); });
            if (!first.decode)
                return PictureRead(kept(first.picture));
            return PictureRead([decode = std::move(first.decode), kept, within](const std::atomic<bool>* cancelled) {
                return kept(within([&] { return decode(cancelled); }));
            });
        };
    }
} // namespace

// Shows the picture window, ready to step from `entry` of List1 (-1: a picture from elsewhere, which
// does not step). What was read for steps before is given up.
frmPicture& frmBmpGet::showPictureWindow(int entry)
{
    frmPicture& window = Window<frmPicture>().Show();
    if (stepWindow_ != &window) {
        stepWindow_ = &window;
        window.Step = [self = QPointer<frmBmpGet>(this)](int direction, bool repeated) {
            if (self)
                self->stepPicture(direction, repeated);
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
    onScreen_ = entry;
    return window;
}

// The entry the window shows goes one further in `direction`; at either end of the list nothing
// moves. A picture read ahead, or the one just left, shows without a new read. Steps coalesce: a
// step asked for while the picture of the one before is still to come moves the target on and gives
// that picture up, and neither it nor a key held down (`repeated`) waits for its picture, which
// comes in when it is made. Meanwhile the window shows what it showed, and the grid follows the
// picture that is put in, not every step passed.
void frmBmpGet::stepPicture(int direction, bool repeated)
{
    frmPicture* window = Window<frmPicture>().Instance();
    const int entry = shownEntry_ + direction;
    if (!window || shownEntry_ < 0 || entry < 0 || entry >= List1.ListCount())
        return;
    std::shared_ptr<PictureJob> job;
    for (const HeldPicture& held : held_)
        if (held.entry == entry && usable(held.job))
            job = held.job;
    // Only the picture on screen and the one to show are kept: a read-ahead the other way, and the
    // pictures of steps overtaken, are given up.
    // The picture on screen, kept for a step back, counts on its own once it is no longer on show, and
    // is kept only if there is room for it.
    std::erase_if(held_, [this, entry](const HeldPicture& held) {
        bool kept = (held.entry == onScreen_ || held.entry == entry) && usable(held.job);
        if (kept && held.entry == onScreen_ && held.entry != entry) {
            *held.hold = BudgetHold::ifRoom(held.job->picture().memoryCost());
            kept = *held.hold != nullptr;
        }
        if (!kept)
            held.job->cancel();
        return !kept;
    });
    if (!job)
        job = hold(entry, false);
    shownEntry_ = entry;
    const bool wait = !repeated && !windowPicture_.pending();
    const QScopedValueRollback waiting(stepWaits_, wait);
    // A step waits at most a quarter of a second, so that the window still answers the window
    // manager, which asks every quarter second.
    constexpr std::chrono::milliseconds StepWait { 250 };
    showInPictureWindow(
        *window, job,
        [this, entry, direction](frmPicture& shown, const StdPicture& picture) {
            shown.showPicture(picture);
            onScreen_ = entry;
            // The window holds its share now.
            for (const HeldPicture& held : held_)
                if (held.entry == entry)
                    held.hold->reset();
            followInGrid(entry, stepWaits_);
            readAhead(direction);
        },
        wait ? StepWait : std::chrono::milliseconds(0));
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
    hold(entry, true);
}

// Reads `entry` for the window, and holds it among the pictures kept for steps.
std::shared_ptr<PictureJob> frmBmpGet::hold(int entry, bool onlyIfRoom)
{
    auto slot = std::make_shared<std::unique_ptr<BudgetHold>>();
    held_.push_back({ entry, thumbnails.run(holding(readEntry(entry), slot, onlyIfRoom)), slot });
    return held_.back().job;
}

// Read at the size the window will show it in.
PictureJob::Reader frmBmpGet::readEntry(int entry)
{
    const frmPicture* window = Window<frmPicture>().Instance();
    const ShownView view = window ? window->keptView() : ShownView();
    return [path = List1.List(entry), view](
               const std::atomic<bool>* cancelled) { return readPictureForView(path, view, cancelled); };
}

// While the window's next picture waits for room that only what the window holds takes (the picture
// on show, those kept for steps, an animation), the window lets go of all of it and shows nothing
// until that picture comes.
void frmBmpGet::makeRoom()
{
    if (!windowPicture_.pending()) {
        roomCheck_.stop();
        return;
    }
    if (!roomWanted())
        return;
    std::erase_if(held_, [](const HeldPicture& held) { return held.job->isDone(); });
    if (frmPicture* window = Window<frmPicture>().Instance())
        window->showPicture({});
}

void frmBmpGet::forgetSteps()
{
    for (const HeldPicture& held : held_)
        held.job->cancel();
    held_.clear();
    shownEntry_ = -1;
    onScreen_ = -1;
}

int frmBmpGet::stepPicturesHeld() const
{
    return static_cast<int>(std::count_if(held_.begin(), held_.end(),
        [](const HeldPicture& held) { return held.job->isDone() && !held.job->picture().image().isNull(); }));
}

// The grid moves to the row of the picture on show as a scroll does, when its page does not show it.
// Its page waits for its cells only with `wait`, for a step that waits itself: a picture that came
// late, or one of a key held down, is followed by cells that come in as they are made.
void frmBmpGet::followInGrid(int entry, bool wait)
{
    const QScopedValueRollback following(followingSteps_, !wait);
    scrollToShow(entry);
    focusEntry(entry);
}

} // namespace tl
