// Turning the view a quarter at a time, and copying the picture as it shows.

#include "viewer/frmPicture.h"

#include "platform/pools.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace tl {

void frmPicture::turnClockwise() { turnBy(1); }

void frmPicture::turnBack() { turnBy(-1); }

// The zoom stays, or the fit is made again for the turned picture; the bars' ranges follow its new
// shape.
void frmPicture::turnBy(int quarters)
{
    if (Image1.Picture().isEmpty())
        return;
    Image1.setTurn(Image1.Turn() + quarters);
    if (isFitting())
        Image1.setZoom(fitZoom(*this));
    fitScrollRanges(*this);
    decodeFullWhenNeeded();
}

namespace {
    void putOnClipboard(const QImage& image, const QString& file)
    {
        auto* data = new QMimeData;
        data->setImageData(image);
        if (!file.isEmpty())
            data->setUrls({ QUrl::fromLocalFile(file) });
        QGuiApplication::clipboard()->setMimeData(data);
    }
} // namespace

// The picture at its natural size, turned as it shows, with the file it came from for the programs
// that take a file rather than an image. The empty picture copies nothing. While only a reduced image
// of it is held, the full picture is decoded on the pools and goes to the clipboard when it is made,
// unless Ctrl+C was pressed again meanwhile.
void frmPicture::copyPicture()
{
    const StdPicture& picture = Image1.Picture();
    if (picture.isEmpty())
        return;
    const int copy = ++copies_;
    if (!Image1.holdsReduced()) {
        putOnClipboard(Image1.turnedImage(), picture.filePath());
        return;
    }
    const auto job = PictureJob::start(ioPool(), cpuPool(),
        [picture](const std::atomic<bool>* cancelled) { return picture.readFullImage(cancelled); });
    job->whenDone(this, [this, copy, turn = Image1.Turn(), file = picture.filePath()](const StdPicture& full) {
        if (copy == copies_ && !full.image().isNull())
            putOnClipboard(turn ? full.image().transformed(QTransform().rotate(90 * turn)) : full.image(), file);
    });
}

} // namespace tl
