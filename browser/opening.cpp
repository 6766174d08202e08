// Opening a picture in the picture window, from a cell or from the two texts.

#include "browser/frmBmpGet.h"

#include "viewer/frmPicture.h"

namespace tl {

// The cell's own picture goes to the picture window, with its full image decoded from the bytes
// the cell kept.
void frmBmpGet::Image2_Click(int Index)
{
    frmPicture& window = Window<frmPicture>().Show();
    const StdPicture cell = Image2[Index].Picture();
    showInPictureWindow(window,
        thumbnails.run([cell](const std::atomic<bool>* cancelled) { return cell.readFullImage(cancelled); }),
        [cell](frmPicture& shown, const StdPicture& full) { shown.showPicture(cell, full.image()); });
}

// Opens the file the two texts name. Nothing here is reported: a file that cannot be loaded
// leaves the window's previous picture in place, with its ranges.
void frmBmpGet::Command1_Click()
{
    frmPicture& window = Window<frmPicture>().Show();
    PicturePath = Text1.Text() + Text2.Text();
    if (PicturePath.isEmpty()) {
        window.showPicture({});
        return;
    }
    // Unreadable, not a picture, or too large to hold in memory: the job gives the empty picture.
    showInPictureWindow(window, thumbnails.run([path = PicturePath](const std::atomic<bool>* cancelled) {
        return readPicture(path, cancelled);
    }),
        [](frmPicture& shown, const StdPicture& loaded) {
            if (!loaded.isEmpty())
                shown.showPicture(loaded);
        });
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
