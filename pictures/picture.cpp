#include "pictures/picture.h"

#include "pictures/decoding.h"
#include "pictures/jpeg.h"
#include "pictures/pictureformat.h"
#include "pictures/progressive.h"
#include "pictures/regularfile.h"
#include "pictures/tailcheck.h"
#include "platform/files/filenames.h"
#include "platform/logging.h"
#include "platform/task.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <algorithm>
#ifndef Q_OS_WIN
#include <fcntl.h>
#endif

namespace tl {

struct StdPicture::Data {
    Data(QSize natural, QImage full, QImage cell, QByteArray bytes, QString path, QString source, bool incomplete)
        : natural(natural)
        , full(std::move(full))
        , cell(std::move(cell))
        , bytes(std::move(bytes))
        , path(std::move(path))
        , file(source.startsWith(QLatin1Char(':')) ? QString() : std::move(source)) // a built-in picture
        , fileName(shownFileName(QFileInfo(this->file).fileName()))
        , incomplete(incomplete)
        , scaled(this->cell)
    {
    }
    ~Data() { releaseHeldBytes(bytes.size()); }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    const QSize natural;
    const QImage full; // pictures loaded in full
    const QImage cell; // pictures loaded for a cell: the image made for it
    const QByteArray bytes; // counted against the held-bytes budget
    const QString path; // when the bytes were not kept, or the full image was read from a file
    const QString file; // with its folder; empty for the built-in pictures
    const QString fileName;
    const bool incomplete;
    mutable QMutex mutex;
    mutable QImage scaled;
};

struct StdPicture::Failed {
    QString fileName;
    PictureFailure why;
};

namespace {

    // The built-in pictures live in the program's resources; every other path is a file on disk.
    bool isBuiltIn(const QString& path) { return path.startsWith(QLatin1Char(':')); }

    // The file's name as the lists show it.
    QString spokenName(const QString& path)
    {
        return isBuiltIn(path) ? QString() : shownFileName(QFileInfo(path).fileName());
    }

    bool openPictureFile(QFile& file, const QString& path, QString& why)
    {
        if (!isBuiltIn(path))
            return openRegularFile(file, path, why);
        file.setFileName(path);
        if (file.open(QIODevice::ReadOnly))
            return true;
        why = file.errorString();
        return false;
    }

    // How a file's content is decoded: in full, for a cell, or for viewing.
    using DecodeFile = std::function<Decoded(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)>;
    DecodeFile forCell(QSize cell)
    {
        return [cell](QIODevice& device, qint64 size, const std::atomic<bool>* cancelled) {
            return decodePicture(device, size, cell, cancelled);
        };
    }
    DecodeFile forView(const ShownFor& shownFor)
    {
        return [shownFor](QIODevice& device, qint64 size, const std::atomic<bool>* cancelled) {
            return decodePictureForView(device, size, shownFor, cancelled);
        };
    }

    Decoded decodeBytes(const QByteArray& bytes, const DecodeFile& decode, const std::atomic<bool>* cancelled = nullptr)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return decode(buffer, bytes.size(), cancelled);
    }

    std::atomic<qint64> cellBytesRead { 0 };

    // The chunks a file is read in: a cancelled load stops between two of them.
    constexpr qint64 ReadChunk = qint64(1) << 20;

    // File bytes counted against the budget for held bytes until a picture takes them over; given
    // back when the load fails, is cancelled or throws before that.
    class HeldBytes {
    public:
        // Reads the whole file when it is small enough and the budget allows it, a chunk at a time.
        // Null when not kept, or when the read was cancelled or failed.
        HeldBytes(QFile& file, const std::atomic<bool>* cancelled)
        {
            const qint64 size = file.size();
            if (size > HeldFileLimit || !reserveHeldBytes(size))
                return;
            counted_ = size;
            QByteArray bytes(size, Qt::Uninitialized);
            qint64 got = 0;
            while (got < size && !isCancelled(cancelled)) {
                const qint64 read = file.read(bytes.data() + got, std::min(ReadChunk, size - got));
                if (read <= 0)
                    break;
                got += read;
            }
            if (isCancelled(cancelled))
                return;
            bytes.truncate(got);
            bytes_ = std::move(bytes);
            releaseHeldBytes(counted_ - bytes_.size());
            counted_ = bytes_.size();
        }
        ~HeldBytes() { releaseHeldBytes(counted_); }
        HeldBytes(const HeldBytes&) = delete;
        HeldBytes& operator=(const HeldBytes&) = delete;

        const QByteArray& bytes() const { return bytes_; }
        // A picture holds the bytes now, and its end gives them back to the budget.
        void handOver() { counted_ = 0; }

    private:
        QByteArray bytes_;
        qint64 counted_ = 0;
    };

    // The file at `path` read for a decode: its bytes, when they can be held, so that the decode reads
    // nothing more; else the decode is done at once, on the file as it is read. `make` turns what was
    // decoded into the picture, handed the bytes it was decoded from (null when it was the file); a
    // cancelled decode gives the empty picture without it.
    using MakePicture = std::function<StdPicture(Decoded decoded, const std::shared_ptr<HeldBytes>& held)>;
    PictureRead readForDecode(
        QFile& file, const DecodeFile& decode, const std::atomic<bool>* cancelled, MakePicture make)
    {
        // A file of no format the program reads is refused before it is read whole.
        if (pictureFormatOf(file.peek(FormatHeadBytes)) == PictureFormat::Other)
            return make({ {}, {}, QStringLiteral("not a picture file the program reads"), PictureFailure::NotAPicture },
                nullptr);
        auto held = std::make_shared<HeldBytes>(file, cancelled);
        if (isCancelled(cancelled))
            return {};
        const auto made
            = [make](Decoded decoded, const std::shared_ptr<HeldBytes>& held, const std::atomic<bool>* cancelled) {
                  return isCancelled(cancelled) ? StdPicture() : make(std::move(decoded), held);
              };
        if (held->bytes().isNull())
            return made(decode(file, file.size(), cancelled), nullptr, cancelled);
        return PictureRead([held, decode, made](const std::atomic<bool>* cancelled) {
            return made(decodeBytes(held->bytes(), decode, cancelled), held, cancelled);
        });
    }

} // namespace

StdPicture makeCellPicture(
    QSize natural, QImage cell, QByteArray bytes, QString keptPath, QString file, bool incomplete)
{
    StdPicture picture;
    picture.d_ = std::make_shared<const StdPicture::Data>(
        natural, QImage(), std::move(cell), std::move(bytes), std::move(keptPath), std::move(file), incomplete);
    return picture;
}

StdPicture makeViewPicture(QSize natural, QImage image, QString path, bool incomplete)
{
    StdPicture picture;
    if (!image.isNull())
        picture.d_ = std::make_shared<const StdPicture::Data>(
            natural, std::move(image), QImage(), QByteArray(), path, path, incomplete);
    return picture;
}

StdPicture::StdPicture(QImage image, const QString& path, bool incomplete)
{
    if (!image.isNull()) {
        const QSize natural = image.size();
        d_ = std::make_shared<const Data>(natural, std::move(image), QImage(), QByteArray(), path, path, incomplete);
    }
}

StdPicture StdPicture::failed(const QString& path, PictureFailure why)
{
    StdPicture picture;
    picture.failed_ = std::make_shared<const Failed>(Failed { spokenName(path), why });
    return picture;
}

QString StdPicture::fileName() const
{
    if (failed_)
        return failed_->fileName;
    return d_ ? d_->fileName : QString();
}

QString StdPicture::filePath() const { return d_ ? d_->file : QString(); }

PictureFailure StdPicture::failure() const { return failed_ ? failed_->why : PictureFailure::None; }

bool StdPicture::incomplete() const { return d_ && d_->incomplete; }

int StdPicture::pixelWidth() const { return d_ ? d_->natural.width() : 0; }
int StdPicture::pixelHeight() const { return d_ ? d_->natural.height() : 0; }

const QImage& StdPicture::image() const
{
    // Never destroyed: a decoding thread may still ask for it while the process ends.
    static const QImage* const none = new QImage;
    return d_ ? d_->full : *none;
}

bool StdPicture::isReduced() const { return d_ && !d_->full.isNull() && d_->full.size() != d_->natural; }

QImage StdPicture::fullImage(const std::atomic<bool>* cancelled) const
{
    if (d_ && !d_->full.isNull() && !isReduced())
        return d_->full;
    return readFullImage(cancelled).finish(cancelled).image();
}

PictureRead StdPicture::readFullImage(const std::atomic<bool>* cancelled) const
{
    if (d_ && !d_->full.isNull() && !isReduced())
        return *this;
    return readImage({}, cancelled);
}

PictureRead StdPicture::readImageForView(const ShownView& view, const std::atomic<bool>* cancelled) const
{
    if (d_ && !d_->full.isNull() && !isReduced())
        return *this;
    return readImage([view](QSize natural) { return shownSize(natural, view); }, cancelled);
}

PictureRead StdPicture::readImage(const ShownFor& shownFor, const std::atomic<bool>* cancelled) const
{
    if (!d_)
        return {};
    const DecodeFile decode = shownFor ? forView(shownFor) : forCell({});
    const QString fileName = d_->fileName;
    const MakePicture make = [fileName](Decoded decoded, const std::shared_ptr<HeldBytes>&) {
        if (decoded.image.isNull())
            qCDebug(lcPictures) << "cannot decode" << fileName << ":" << qUtf8Printable(decoded.why);
        return decoded.image.size() == decoded.natural || decoded.image.isNull()
            ? StdPicture(std::move(decoded.image), {}, decoded.incomplete)
            : makeViewPicture(decoded.natural, std::move(decoded.image), {}, decoded.incomplete);
    };
    if (!d_->bytes.isNull()) {
        const std::shared_ptr<const Data> d = d_;
        return PictureRead([d, decode, make](const std::atomic<bool>* cancelled) {
            Decoded decoded = decodeBytes(d->bytes, decode, cancelled);
            return isCancelled(cancelled) ? StdPicture() : make(std::move(decoded), nullptr);
        });
    }
    QFile file;
    QString why;
    if (!openPictureFile(file, d_->path, why))
        return make({ {}, {}, why, PictureFailure::Unreadable }, nullptr);
    return readForDecode(file, decode, cancelled, make);
}

QByteArray StdPicture::keptBytes() const { return d_ ? d_->bytes : QByteArray(); }

QString StdPicture::keptPath() const { return d_ && d_->bytes.isNull() ? d_->path : QString(); }

QImage StdPicture::scaledCopy(QSize size) const
{
    if (!d_ || size.isEmpty())
        return {};
    QMutexLocker lock(&d_->mutex);
    if (d_->scaled.size() != size)
        d_->scaled = scaledInFullColour(d_->full.isNull() ? d_->cell : d_->full, size);
    return d_->scaled;
}

qsizetype StdPicture::memoryCost() const
{
    if (!d_)
        return 0;
    QMutexLocker lock(&d_->mutex);
    const bool scaledIsCell = d_->scaled.cacheKey() == d_->cell.cacheKey();
    return d_->full.sizeInBytes() + d_->cell.sizeInBytes() + (scaledIsCell ? 0 : d_->scaled.sizeInBytes())
        + d_->bytes.size();
}

StdPicture LoadPicture(const QString& path) { return readPicture(path).finish(nullptr); }

namespace {

    PictureRead readWhole(const QString& path, const std::atomic<bool>* cancelled, const MakePicture& make,
        const DecodeFile& decode = forCell({}))
    {
        if (path.isEmpty())
            return {};
        QFile file;
        QString why;
        if (!openPictureFile(file, path, why))
            return make({ {}, {}, why, PictureFailure::Unreadable }, nullptr);
        return readForDecode(file, decode, cancelled, make);
    }

} // namespace

PictureRead readPicture(const QString& path, const std::atomic<bool>* cancelled)
{
    return readWhole(path, cancelled, [path](Decoded decoded, const std::shared_ptr<HeldBytes>&) {
        if (decoded.image.isNull())
            throw PictureError(QStringLiteral("cannot load %1: %2").arg(path, decoded.why).toStdString());
        return StdPicture(std::move(decoded.image), path, decoded.incomplete);
    });
}

PictureRead readPictureOrFailed(const QString& path, const std::atomic<bool>* cancelled)
{
    return readWhole(path, cancelled, [path](Decoded decoded, const std::shared_ptr<HeldBytes>&) {
        if (!decoded.image.isNull())
            return StdPicture(std::move(decoded.image), path, decoded.incomplete);
        qCDebug(lcPictures) << "cannot load" << path << ":" << qUtf8Printable(decoded.why);
        return StdPicture::failed(path, decoded.failure);
    });
}

namespace {

    // A picture read for viewing, as readPictureOrFailed reads one: it keeps the path for its full decode.
    PictureRead readForView(const QString& path, const ShownFor& shownFor, const std::atomic<bool>* cancelled)
    {
        const MakePicture make = [path](Decoded decoded, const std::shared_ptr<HeldBytes>&) {
            if (!decoded.image.isNull())
                return makeViewPicture(decoded.natural, std::move(decoded.image), path, decoded.incomplete);
            qCDebug(lcPictures) << "cannot load" << path << ":" << qUtf8Printable(decoded.why);
            return StdPicture::failed(path, decoded.failure);
        };
        return readWhole(path, cancelled, make, forView(shownFor));
    }

} // namespace

PictureRead readPictureForView(const QString& path, QSize shown, const std::atomic<bool>* cancelled)
{
    return readForView(
        path, [shown](QSize) { return shown; }, cancelled);
}

PictureRead readPictureForView(const QString& path, const ShownView& view, const std::atomic<bool>* cancelled)
{
    return readForView(
        path, [view](QSize natural) { return shownSize(natural, view); }, cancelled);
}

StdPicture loadPictureOrEmpty(const QString& path)
{
    try {
        return LoadPicture(path);
    } catch (const PictureError& error) {
        qCDebug(lcPictures) << error.what();
        return {};
    }
}

qint64 cellFileBytesRead() { return cellBytesRead.load(); }

namespace {

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
