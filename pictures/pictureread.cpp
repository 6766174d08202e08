// Reading a whole picture file: in full, or at the scale it is shown at, its bytes held for the
// decode where the budget allows.

#include "pictures/pictureread.h"
#include "pictures/pictureformat.h"
#include "pictures/regularfile.h"
#include "platform/logging.h"
#include "platform/task.h"

#include <QBuffer>
#include <algorithm>

namespace tl {

namespace {

    // The chunks a file is read in: a cancelled load stops between two of them.
    constexpr qint64 ReadChunk = qint64(1) << 20;

} // namespace

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

Decoded decodeBytes(const QByteArray& bytes, const DecodeFile& decode, const std::atomic<bool>* cancelled)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, bytes.size(), cancelled);
}

HeldBytes::HeldBytes(QFile& file, const std::atomic<bool>* cancelled)
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

PictureRead readForDecode(QFile& file, const DecodeFile& decode, const std::atomic<bool>* cancelled, MakePicture make)
{
    // A file of no format the program reads is refused before it is read whole.
    if (pictureFormatOf(file.peek(FormatHeadBytes)) == PictureFormat::Other)
        return make(
            { {}, {}, QStringLiteral("not a picture file the program reads"), PictureFailure::NotAPicture }, nullptr);
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

} // namespace tl
