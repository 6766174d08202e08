#include "pictures/picture.h"

#include "pictures/pictureread.h"
#include "platform/files/filenames.h"
#include "platform/logging.h"
#include "platform/task.h"

#include <QFileInfo>
#include <QMutex>

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

    // The file's name as the lists show it.
    QString spokenName(const QString& path)
    {
        return isBuiltIn(path) ? QString() : shownFileName(QFileInfo(path).fileName());
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

} // namespace tl
