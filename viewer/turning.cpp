// Turning the view a quarter at a time, and copying the picture as it shows.

#include "viewer/frmPicture.h"

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
}

// The picture at its natural size, turned as it shows, with the file it came from for the programs
// that take a file rather than an image. The empty picture copies nothing.
void frmPicture::copyPicture()
{
    const StdPicture& picture = Image1.Picture();
    if (picture.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setImageData(Image1.turnedImage());
    if (const QString file = picture.filePath(); !file.isEmpty())
        data->setUrls({ QUrl::fromLocalFile(file) });
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace tl
