// Opening a picture in the picture window, from a cell or from the two texts.

#include "browser/frmBmpGet.h"

#include "viewer/frmPicture.h"
#include "viewer/partfirst.h"

namespace tl {

namespace {
    // Where `path` stands in the list, -1 when it is not there.
    int entryOf(const ListBox& list, const QString& path)
    {
        for (int i = 0; i < list.ListCount(); ++i)
            if (list.List(i) == path)
                return i;
        return -1;
    }

    // Waits the usual time for the whole picture, but no longer than until its first screen is there
    // to show; what is left of the wait for the whole.
    std::chrono::milliseconds waitForWholeOrPart(
        const std::shared_ptr<PictureJob>& whole, const std::shared_ptr<PictureJob>& part)
    {
        if (!part)
            return PictureWait;
        constexpr std::chrono::milliseconds LookAgain { 10 };
        const auto deadline = PictureJob::Clock::now() + PictureWait;
        while (!whole->waitUntil(std::min(deadline, PictureJob::Clock::now() + LookAgain)))
            if (PictureJob::Clock::now() >= deadline || (part->isDone() && !part->picture().isEmpty()))
                return std::chrono::milliseconds(0);
        return PictureWait;
    }
} // namespace

// The cell's own picture goes to the picture window, with its image decoded, at the size the window
// shows it, from the bytes the cell kept, or from the file as it is now when the cell kept none (a file
// cut short since, or a cell made from the head of a file cut short, says so there); steps go on from
// the cell's entry. A large photo's first screen at its natural size may show before the rest.
void frmBmpGet::Image2_Click(int Index)
{
    const int entry = pageFirst_ + Index < List1.ListCount() ? pageFirst_ + Index : -1;
    frmPicture& window = showPictureWindow(entry);
    const StdPicture cell = Image2[Index].Picture();
    const std::shared_ptr<PictureJob> whole
        = thumbnails.run([cell, view = window.keptView()](
                             const std::atomic<bool>* cancelled) { return cell.readImageForView(view, cancelled); });
    const auto wait = waitForWholeOrPart(whole, readPartFirst(window, cell.filePath(), whole));
    showInPictureWindow(
        window, whole,
        [this, cell](frmPicture& shown, const StdPicture& full) {
            shown.showPicture(cell, full.image(), full.incomplete());
            readAhead(1);
        },
        wait);
}

// Opens the file the two texts name, stepping from its place in List1 when it is there. Nothing
// here is reported: a file that cannot be shown (unreadable, not a picture, too large to hold in
// memory) shows the empty picture, which says why as its tooltip. A large photo's first screen may
// show before the rest.
void frmBmpGet::Command1_Click()
{
    PicturePath = Text1.Text() + Text2.Text();
    const int entry = PicturePath.isEmpty() ? -1 : entryOf(List1, PicturePath);
    frmPicture& window = showPictureWindow(entry);
    const std::shared_ptr<PictureJob> whole
        = thumbnails.run([path = PicturePath, view = window.keptView()](
                             const std::atomic<bool>* cancelled) { return readPictureForView(path, view, cancelled); });
    const auto wait = waitForWholeOrPart(whole, readPartFirst(window, PicturePath, whole));
    showInPictureWindow(
        window, whole,
        [this](frmPicture& shown, const StdPicture& loaded) {
            shown.showPicture(loaded);
            readAhead(1);
        },
        wait);
    if (entry >= 0)
        followInGrid(entry);
}

// Puts in the picture window what `job` makes, through `putIn`, waiting for it up to `wait`. A picture
// not made by then is put in when it is made, unless the window was closed or a newer picture was
// asked for; meanwhile the window shows what it showed, and the empty picture once the usual wait has
// passed, unless it shows the picture's first screen.
void frmBmpGet::showInPictureWindow(
    frmPicture& window, std::shared_ptr<PictureJob> job, PutInWindow putIn, std::chrono::milliseconds wait)
{
    const QPointer<frmPicture> shown(&window);
    const auto open = [shown] { return shown && !shown->isUnloaded(); };
    windowPicture_.show(
        std::move(job), [shown, putIn](const StdPicture& picture) { putIn(*shown, picture); },
        [shown, open] {
            if (open() && shown->Image1.partialImage().isNull())
                shown->showPicture({});
        },
        open, wait);
    if (windowPicture_.pending())
        roomCheck_.start();
}

} // namespace tl
