#include "pictures/regionread.h"

#include "pictures/decoding.h"
#include "pictures/jpeg.h"
#include "pictures/jpegregion.h"
#include "pictures/regularfile.h"
#include "platform/logging.h"
#include "platform/task.h"

#include <QBuffer>
#include <QFile>
#include <memory>

namespace tl {

// Defined with the pictures themselves: a picture of `natural` size holding a smaller image.
StdPicture makeCellPicture(
    QSize natural, QImage cell, QByteArray bytes, QString keptPath, QString file, bool incomplete);

namespace {

    // The chunks a file is read in: a cancelled read stops between two of them.
    constexpr qint64 ReadChunk = qint64(1) << 20;

    // A file's bytes, counted against the budget for held bytes until the decode that needs them ends.
    struct HeldFile {
        QByteArray bytes;
        qint64 counted = 0;
        ~HeldFile() { releaseHeldBytes(counted); }
    };

    // The whole of `file`, when it is small enough to hold and the budget allows it; null when not, or
    // when the read was cancelled or failed.
    std::shared_ptr<HeldFile> readWhole(QFile& file, const std::atomic<bool>* cancelled)
    {
        const qint64 size = file.size();
        if (size > HeldFileLimit || !reserveHeldBytes(size))
            return nullptr;
        auto held = std::make_shared<HeldFile>();
        held->counted = size;
        held->bytes = QByteArray(size, Qt::Uninitialized);
        qint64 got = 0;
        while (got < size && !isCancelled(cancelled)) {
            const qint64 read = file.read(held->bytes.data() + got, std::min(ReadChunk, size - got));
            if (read <= 0)
                break;
            got += read;
        }
        if (got < size || isCancelled(cancelled))
            return nullptr;
        return held;
    }

    StdPicture pictureOf(RegionDecoded decoded, const QString& path, const std::atomic<bool>* cancelled)
    {
        if (isCancelled(cancelled) || decoded.outcome == RegionDecoded::Declined)
            return {};
        if (decoded.outcome == RegionDecoded::Failed) {
            qCDebug(lcPictures) << "cannot decode a part of" << path << ":" << qUtf8Printable(decoded.why);
            return StdPicture::failed(path, decoded.failure);
        }
        return makeCellPicture(decoded.natural, std::move(decoded.image), {}, path, path, decoded.incomplete);
    }

} // namespace

PictureRead readPictureRegion(const QString& path, QRect region, const std::atomic<bool>* cancelled)
{
    if (path.isEmpty() || isCancelled(cancelled))
        return {};
    QFile file;
    QString why;
    if (!openRegularFile(file, path, why)) {
        qCDebug(lcPictures) << "cannot read" << path << ":" << qUtf8Printable(why);
        return StdPicture::failed(path, PictureFailure::Unreadable);
    }
    if (!looksLikeJpeg(file.peek(4)))
        return {};
    // The headers first: the bytes of a progressive file, or of a picture the region covers whole, are
    // not read for nothing.
    {
        const JpegDecoder head(file, file.size(), cancelled);
        const QRect whole(QPoint(), head.naturalSize());
        if (head.progressive() || (head.ok() && region.contains(whole)) || isCancelled(cancelled))
            return {};
    }
    if (!file.seek(0)) {
        qCDebug(lcPictures) << "cannot read" << path << ":" << qUtf8Printable(file.errorString());
        return StdPicture::failed(path, PictureFailure::Unreadable);
    }
    std::shared_ptr<HeldFile> held = readWhole(file, cancelled);
    if (isCancelled(cancelled))
        return {};
    if (!held)
        return file.seek(0) ? pictureOf(decodeJpegRegion(file, file.size(), region, cancelled), path, cancelled)
                            : StdPicture::failed(path, PictureFailure::Unreadable);
    return PictureRead([held, path, region](const std::atomic<bool>* cancelled) {
        QBuffer buffer(&held->bytes);
        buffer.open(QIODevice::ReadOnly);
        return pictureOf(decodeJpegRegion(buffer, held->bytes.size(), region, cancelled), path, cancelled);
    });
}

PictureRegion regionOf(const StdPicture& picture, QRect asked)
{
    const QRect where = asked.intersected(QRect(0, 0, picture.pixelWidth(), picture.pixelHeight()));
    return { picture.isEmpty() ? QImage() : picture.scaledCopy(where.size()), where };
}

} // namespace tl
