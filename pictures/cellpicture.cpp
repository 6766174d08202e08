// Reading a picture for a thumbnail cell: a photo's camera thumbnail or first scans where they serve,
// else the whole file decoded at the cell's scale; the reads asked of the system up front.

#include "pictures/jpeg.h"
#include "pictures/pictureread.h"
#include "pictures/progressive.h"
#include "pictures/tailcheck.h"
#include "platform/logging.h"
#include "platform/task.h"

#include <algorithm>
#ifndef Q_OS_WIN
#include <fcntl.h>
#endif

namespace tl {

namespace {

    std::atomic<qint64> cellBytesRead { 0 };

    // How much of a JPEG's tail is looked at for its end marker.
    constexpr qint64 TailBytes = 4096;

    // The first chunk of a file a cell reads: a photo's headers and its camera thumbnail, as a rule.
    constexpr qint64 HeadBytes = 64 * 1024;

    std::atomic<bool> tailsChecked { true };
    std::atomic<bool> readsAdvised { true };

    // Asks the system for the file's head and, when tails are checked, its last 4 KiB, both at once,
    // and for nothing read ahead beyond what is read: a cell made from a camera thumbnail uses no more.
    // On a card the tail then goes out with the head, instead of as a second read queued behind what
    // the system would read ahead of the head (some hundreds of KiB a file that nobody uses).
    // Asked before the file's format is known: any other picture, or a photo decoded whole, reads its
    // tail as well. Whether it asked; nothing is asked where the system has no such advice (Windows).
    bool adviseHeadAndTail(QFile& file)
    {
#ifdef POSIX_FADV_WILLNEED
        const int fd = file.handle();
        if (!readsAdvised.load(std::memory_order_relaxed) || fd < 0)
            return false;
        const qint64 size = file.size();
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        ::posix_fadvise(fd, 0, off_t(std::min(size, HeadBytes)), POSIX_FADV_WILLNEED);
        if (tailsChecked.load(std::memory_order_relaxed) && size > HeadBytes)
            ::posix_fadvise(fd, off_t(size - TailBytes), off_t(TailBytes), POSIX_FADV_WILLNEED);
        return true;
#else
        Q_UNUSED(file);
        return false;
#endif
    }

    // The system reads ahead again, for a read of the file from its start on.
    void readAheadAgain(QFile& file, bool advised)
    {
#ifdef POSIX_FADV_NORMAL
        if (advised)
            ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_NORMAL);
#else
        Q_UNUSED(file);
        Q_UNUSED(advised);
#endif
    }

    // Whether the photo's end marker stands in the last 4 KiB of its file, after its first scan has
    // begun (the thumbnail at its head has one of its own): a photo cut short (a copy broken off, a
    // card pulled) has a whole thumbnail but no end. Cameras write a little after the marker (a maker's
    // trailer) or pad the file with zeros: a tail of padding alone is taken as whole, as it was before.
    // One read; the file is left where it was.
    bool endsWhole(QFile& file, qint64 scanStart)
    {
        const qint64 at = file.pos();
        const qint64 from = std::max(file.size() - TailBytes, scanStart);
        QByteArray tail;
        if (scanStart > 0 && from < file.size() && file.seek(from))
            tail = file.read(file.size() - from);
        cellBytesRead += tail.size();
        qsizetype end = tail.size();
        while (end > 0 && (tail[end - 1] == '\0' || tail[end - 1] == '\xff'))
            --end;
        const bool whole = (!tail.isEmpty() && end == 0) || tail.first(end).contains("\xff\xd9");
        return file.seek(at) && whole;
    }

    // The cell of a photo whose camera thumbnail serves it, read from the photo's headers alone. The
    // picture keeps only the path: a click reads the file as it is then. Empty when the thumbnail does
    // not serve.
    StdPicture cellFromThumbnail(
        QFile& file, const JpegDecoder& head, const QString& path, QSize cell, const std::atomic<bool>* cancelled)
    {
        Decoded decoded = decodeExifThumbnail(head, cell, cancelled);
        if (decoded.image.isNull()
            || (tailsChecked.load(std::memory_order_relaxed) && !endsWhole(file, head.scanStart())))
            return {};
        return makeCellPicture(decoded.natural, std::move(decoded.image), {}, path, path, false);
    }

    // The bytes of a file's first scans, counted against the budget for held bytes until the decode
    // that needs them ends.
    struct FirstScans {
        QByteArray bytes;
        ~FirstScans() { releaseHeldBytes(bytes.size()); }
    };

    // The cell of a progressive photo made from its first scans, which are read here and decoded on the
    // next stage. The picture keeps only the path: a click reads the file as it is then. Nothing to
    // decode when the first scans do not serve, and `file` is then where the reading left it.
    PictureRead cellFromFirstScans(
        QFile& file, JpegDecoder& head, const QString& path, QSize cell, const std::atomic<bool>* cancelled)
    {
        const qint64 size = file.size();
        if (!head.progressive() || head.prepare(cell) == 0 || head.outputSize() == head.naturalSize()
            || size > HeldFileLimit || !reserveHeldBytes(size))
            return {};
        auto scans = std::make_shared<FirstScans>();
        cellBytesRead += file.pos();
        if (file.seek(0))
            scans->bytes = readFirstScans(file, size, head.blockSizes(), size, cancelled);
        releaseHeldBytes(size - scans->bytes.size());
        if (scans->bytes.isNull() || isCancelled(cancelled))
            return {};
        return PictureRead([scans, path, cell](const std::atomic<bool>* cancelled) {
            Decoded decoded = decodeFirstScans(scans->bytes, cell, cancelled);
            if (isCancelled(cancelled))
                return StdPicture();
            if (decoded.image.isNull()) {
                qCDebug(lcPictures) << "cannot decode" << path << ":" << qUtf8Printable(decoded.why);
                return StdPicture::failed(path, decoded.failure);
            }
            return makeCellPicture(decoded.natural, std::move(decoded.image), {}, path, path, false);
        });
    }

} // namespace

qint64 cellFileBytesRead() { return cellBytesRead.load(); }

void setCellReadsForBenchmarks(bool checkTails, bool adviseReads)
{
    tailsChecked = checkTails;
    readsAdvised = adviseReads;
}

StdPicture loadCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)
{
    return readCellPicture(path, cellSize, cancelled).finish(cancelled);
}

PictureRead readCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)
{
    if (path.isEmpty() || isCancelled(cancelled))
        return {};
    if (cellSize.isEmpty())
        return loadPictureOrEmpty(path);
    QFile file;
    QString why;
    if (!openPictureFile(file, path, why)) {
        qCDebug(lcPictures) << "cannot read" << path << ":" << qUtf8Printable(why);
        return StdPicture::failed(path, PictureFailure::Unreadable);
    }
    struct CountRead {
        QFile& file;
        ~CountRead() { cellBytesRead += file.pos(); }
    } countRead { file };
    const bool advised = adviseHeadAndTail(file);
    if (!looksLikeJpeg(file.peek(4))) {
        readAheadAgain(file, advised);
    } else {
        JpegDecoder head(file, file.size(), cancelled);
        StdPicture fromThumbnail = cellFromThumbnail(file, head, path, cellSize, cancelled);
        if (!fromThumbnail.isEmpty() || isCancelled(cancelled))
            return fromThumbnail;
        readAheadAgain(file, advised);
        PictureRead fromFirstScans = cellFromFirstScans(file, head, path, cellSize, cancelled);
        if (fromFirstScans.decode || isCancelled(cancelled))
            return fromFirstScans;
        cellBytesRead += file.pos();
        if (!file.seek(0)) {
            qCDebug(lcPictures) << "cannot read" << path << ":" << qUtf8Printable(file.errorString());
            return StdPicture::failed(path, PictureFailure::Unreadable);
        }
    }
    // The picture keeps the bytes it was decoded from, so that a click shows this same picture
    // even when the file changes later; past the budget it keeps the path and reads it again.
    return readForDecode(file, forCell(cellSize), cancelled,
        [path](Decoded decoded, const std::shared_ptr<HeldBytes>& held) -> StdPicture {
            if (decoded.image.isNull()) {
                qCDebug(lcPictures) << "cannot decode" << path << ":" << qUtf8Printable(decoded.why);
                return StdPicture::failed(path, decoded.failure);
            }
            const QByteArray bytes = held ? held->bytes() : QByteArray();
            StdPicture picture = makeCellPicture(
                decoded.natural, std::move(decoded.image), bytes, held ? QString() : path, path, decoded.incomplete);
            if (held)
                held->handOver();
            return picture;
        });
}

} // namespace tl
