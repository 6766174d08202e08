#pragma once

// A part of a JPEG decoded at full size before the rest: the first screen of a large photo, shown
// while the whole of it is still being decoded. Only the rows down to the part's end are read and
// only the part's columns are made into pixels, so that its cost is about the part's and not the
// photo's. The part equals the same rectangle of the full decode (decodePicture), pixel for pixel:
// the same format, the same colours (CMYK and the embedded profile converted alike) and the same
// orientation.

#include "pictures/picture.h"

#include <QIODevice>
#include <QImage>
#include <QRect>
#include <QString>
#include <atomic>

namespace tl {

struct RegionDecoded {
    enum Outcome {
        Done, // `image` holds the region
        Declined, // the file is a picture, but no part of it comes before the whole: show the whole decode
        Failed, // no picture: `why` and `failure` say why
    };
    Outcome outcome = Failed;
    QImage image; // the region as the picture shows it; null unless done
    QRect region; // where `image` lies in the picture: the rectangle asked for, cut to the picture
    QSize natural; // the picture's own size, orientation applied; empty when it failed
    QString why; // when declined or failed
    PictureFailure failure = PictureFailure::None;
    bool incomplete = false; // the file ended before the region did: the image shows what it holds
};

// Where `natural`, a rectangle of a picture as it shows (EXIF orientation `orientation` applied to a
// frame of `stored` size), lies in the frame as stored. Not cut to the frame.
QRect storedRect(QRect natural, QSize stored, int orientation);

// Decodes the part `region` of the JPEG `device` holds (open at its start, `size` bytes long), the
// rectangle in the picture's own coordinates, orientation applied. The work asks the decode budget for
// its cost and waits for its share as other decodes do, and stops when `cancelled` is set (failing).
// Declined for a file whose scans each cover the whole picture (a progressive one), where nothing
// comes before the whole, and for a region that lies outside the picture.
RegionDecoded decodeJpegRegion(
    QIODevice& device, qint64 size, QRect region, const std::atomic<bool>* cancelled = nullptr);

} // namespace tl
