#include "platform/picture.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMutex>

namespace tl {

struct StdPicture::Data {
    explicit Data(QImage img)
        : image(std::move(img))
    {
    }
    const QImage image;
    mutable QMutex mutex;
    mutable QImage scaled;
};

StdPicture::StdPicture(QImage image)
{
    if (!image.isNull())
        d_ = std::make_shared<const Data>(std::move(image));
}

int StdPicture::pixelWidth() const { return d_ ? d_->image.width() : 0; }
int StdPicture::pixelHeight() const { return d_ ? d_->image.height() : 0; }

const QImage& StdPicture::image() const
{
    static const QImage none;
    return d_ ? d_->image : none;
}

QImage StdPicture::scaledCopy(QSize size) const
{
    if (!d_ || size.isEmpty())
        return {};
    QMutexLocker lock(&d_->mutex);
    if (d_->scaled.size() != size) {
        // A large picture is first thinned to twice the size cheaply, then smoothed down.
        const QImage& full = d_->image;
        const QSize twice = size * 2;
        if (full.width() > 2 * twice.width() && full.height() > 2 * twice.height())
            d_->scaled = full.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        else
            d_->scaled = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return d_->scaled;
}

qsizetype StdPicture::memoryCost() const
{
    if (!d_)
        return 0;
    QMutexLocker lock(&d_->mutex);
    return d_->image.sizeInBytes() + d_->scaled.sizeInBytes();
}

StdPicture LoadPicture(const QString& path)
{
    if (path.isEmpty())
        return {};
    // Only regular files are read: a folder named like a picture or a pipe must not be opened.
    const QFileInfo info(path);
    if (!info.isFile())
        throw PictureError(info.exists() ? "not a file" : "file not found");
    // Large photos and panoramas load; absurd headers are still refused. Set once, before any read.
    static const bool limitSet = (QImageReader::setAllocationLimit(PictureAllocationLimitMB), true);
    (void)limitSet;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        throw PictureError(reader.errorString().toStdString());
    return StdPicture(std::move(image));
}

StdPicture LoadPictureOrEmpty(const QString& path)
{
    try {
        return LoadPicture(path);
    } catch (const PictureError&) {
        return {};
    }
}

StdPicture LoadCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled)
{
    if (cancelled && cancelled->load())
        return {};
    StdPicture picture = LoadPictureOrEmpty(path);
    picture.scaledCopy(cellSize);
    return picture;
}

} // namespace tl
