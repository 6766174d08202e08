// The picture window reads a picture only as large as its view shows it, and decodes the full picture
// when the view comes to need it.

#include "viewer/frmPicture.h"

#include "platform/pools.h"
#include "platform/twips.h"

#include <QScreen>

namespace tl {

ShownView frmPicture::keptView() const
{
    const ViewMemory& memory = viewMemory();
    const QSizeF viewport = isFullScreen() && screen()
        ? QSizeF(screen()->size())
        : QSizeF(Picture1.ScaleWidth(), Picture1.ScaleHeight()) / TwipsPerPixel;
    return { viewport, devicePixelRatioF(), memory.fitted, memory.zoom, 0 };
}

// The full picture is decoded once for the picture on show, on the pools, and swapped in when it is
// made if that picture still shows: the zoom, the turn and the offset are the control's and the bars',
// which the swap leaves as they stand then.
void frmPicture::decodeFullWhenNeeded()
{
    const StdPicture picture = Image1.Picture();
    const QSize natural(picture.pixelWidth(), picture.pixelHeight());
    if (fullDecode_ || !Image1.holdsReduced() || holdsEnough(Image1.shownImage().size(), natural, Image1.Zoom()))
        return;
    fullDecode_ = PictureJob::start(ioPool(), cpuPool(),
        [picture](const std::atomic<bool>* cancelled) { return picture.readFullImage(cancelled); });
    fullDecode_->whenDone(this, [this, picture](const StdPicture& full) {
        if (!Image1.Picture().sameObject(picture))
            return;
        Image1.swapInFull(full.image());
        held_ = std::make_unique<BudgetHold>(Image1.shownImage().sizeInBytes());
    });
}

// A picture put in drops the decode for the one before: its swap, should it come still, is left aside.
void frmPicture::forgetFullDecode()
{
    if (fullDecode_)
        fullDecode_->cancel();
    fullDecode_.reset();
}

} // namespace tl
