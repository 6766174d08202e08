// Opening a picture in the picture window, from a cell or from the two texts.

#include "browser/frmBmpGet.h"

#include "viewer/frmPicture.h"

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
} // namespace

// The cell's own picture goes to the picture window, with its image decoded, at the size the window
// shows it, from the bytes the cell kept, or from the file as it is now when the cell kept none (a file
// cut short since, or a cell made from the head of a file cut short, says so there); steps go on from
// the cell's entry.
void frmBmpGet::Image2_Click(int Index)
{
    const int entry = pageFirst_ + Index < List1.ListCount() ? pageFirst_ + Index : -1;
    frmPicture& window = showPictureWindow(entry);
    const StdPicture cell = Image2[Index].Picture();
    showInPictureWindow(window, thumbnails.run([cell, view = window.keptView()](const std::atomic<bool>* cancelled) {
        return cell.readImageForView(view, cancelled);
    }),
        [this, cell](frmPicture& shown, const StdPicture& full) {
            shown.showPicture(cell, full.image(), full.incomplete());
            readAhead(1);
        });
}

// Opens the file the two texts name, stepping from its place in List1 when it is there. Nothing
// here is reported: a file that cannot be shown (unreadable, not a picture, too large to hold in
// memory) shows the empty picture, which says why as its tooltip.
void frmBmpGet::Command1_Click()
{
    PicturePath = Text1.Text() + Text2.Text();
    const int entry = PicturePath.isEmpty() ? -1 : entryOf(List1, PicturePath);
    frmPicture& window = showPictureWindow(entry);
    showInPictureWindow(window,
        thumbnails.run([path = PicturePath, view = window.keptView()](
                           const std::atomic<bool>* cancelled) { return readPictureForView(path, view, cancelled); }),
        [this](frmPicture& shown, const StdPicture& loaded) {
            shown.showPicture(loaded);
            readAhead(1);
        });
    if (entry >= 0)
        followInGrid(entry);
}

// Puts in the picture window what `job` makes, through `putIn`. A picture not made within
// the wait shows the window with the empty picture meanwhile; it is put in when it is made, unless
// the window was closed or a newer picture was asked for.
void frmBmpGet::showInPictureWindow(frmPicture& window, std::shared_ptr<PictureJob> job, PutInWindow putIn)
{
    const QPointer<frmPicture> shown(&window);
    windowPicture_.show(
        std::move(job), [shown, putIn](const StdPicture& picture) { putIn(*shown, picture); },
        [shown] { shown->showPicture({}); }, [shown] { return shown && !shown->isUnloaded(); });
}

} // namespace tl
