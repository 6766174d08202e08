#include "viewer/partfirst.h"

#include "pictures/picturejob.h"
#include "pictures/regionread.h"
#include "platform/pools.h"
#include "viewer/frmPicture.h"

#include <QCoreApplication>
#include <QPointer>
#include <cmath>

namespace tl {

namespace {
    // The part asked for last: the window is made once and shows one picture at a time.
    std::shared_ptr<PictureJob>& partAskedFor()
    {
        static std::shared_ptr<PictureJob> job;
        return job;
    }
} // namespace

std::shared_ptr<PictureJob> readPartFirst(
    frmPicture& window, const QString& path, std::shared_ptr<const PictureJob> whole)
{
    std::shared_ptr<PictureJob>& asked = partAskedFor();
    if (asked)
        asked->cancel();
    asked.reset();
    if (path.isEmpty() || window.isFitting() || window.Image1.Zoom() != 1)
        return nullptr;
    // At zoom 1 a picture pixel is a device pixel.
    const double perPixel = TwipsPerPixel / window.Picture1.widget()->devicePixelRatioF();
    const QRect viewport(int(panOffset(window.HScroll1.Value(), window.hReach) / perPixel),
        int(panOffset(window.VScroll1.Value(), window.vReach) / perPixel),
        int(std::ceil(window.Picture1.ScaleWidth() / perPixel)),
        int(std::ceil(window.Picture1.ScaleHeight() / perPixel)));
    const std::shared_ptr<PictureJob> job = PictureJob::start(ioPool(), cpuPool(),
        [path, viewport](const std::atomic<bool>* cancelled) { return readPictureRegion(path, viewport, cancelled); });
    asked = job;
    // Told on the application, so that the part is let go even when the window has gone.
    job->whenDone(qApp, [shown = QPointer<frmPicture>(&window), job, whole, viewport](const StdPicture& part) {
        const bool latest = partAskedFor() == job;
        if (latest)
            partAskedFor().reset();
        if (!shown || !latest || part.isEmpty() || whole->isDone() || whole->isCancelled())
            return;
        const StdPicture& showing = shown->Image1.Picture();
        if (!showing.isEmpty() || showing.failure() != PictureFailure::None || shown->Image1.Zoom() != 1)
            return;
        const PictureRegion region = regionOf(part, viewport);
        shown->Image1.setPartial(part, region.image, region.where);
        fitScrollRanges(*shown);
    });
    return job;
}

} // namespace tl
