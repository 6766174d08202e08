#pragma once

#include "pictures/viewscale.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>

namespace tl {

// The endings of the files the program takes for pictures, lower case, in the order the file list
// names them.
inline const QStringList PictureEndings
    = { QStringLiteral("gif"), QStringLiteral("jpg"), QStringLiteral("bmp"), QStringLiteral("ico") };

struct PictureRead;

// Why a file gave no picture: it could not be opened or read, it is no picture we decode (another
// format, or damaged), or showing it would take more memory than the loader allows.
enum class PictureFailure { None, Unreadable, NotAPicture, TooLarge };

// A picture: a shared, immutable object. Handing it from one control to another hands over the
// same object; the default-constructed picture is the empty one, which blanks a control.
//
// A picture loaded in full holds its image. A picture loaded for a thumbnail cell holds only an
// image of the cell's size, the picture's natural size, and what a full decode needs later: the
// file's bytes as they were read, or, past the budget for held bytes or when the cell was made from
// the camera's thumbnail, the file's path. A picture read for viewing may hold its image reduced to
// the size it is shown at, and then keeps the file's path for the full decode.
class StdPicture {
public:
    StdPicture() = default;
    // `path` is the file the image was read from, if any: its name is what a screen reader says.
    // `incomplete`: the file ended before the picture did, and the image shows what it holds.
    explicit StdPicture(QImage image, const QString& path = {}, bool incomplete = false);
    // The empty picture a file gave that could not be shown; it still names the file and says why.
    static StdPicture failed(const QString& path, PictureFailure why);

    bool isEmpty() const { return !d_; }
    // The natural size, orientation applied, whether or not the full image is held.
    int pixelWidth() const;
    int pixelHeight() const;
    // The image held: the full one, or the reduced one of a picture read for viewing (isReduced); null
    // for a picture loaded for a cell.
    const QImage& image() const;
    // Whether image() holds fewer pixels than the picture's natural size: a JPEG read for viewing
    // decoded at a reduced scale.
    bool isReduced() const;
    bool sameObject(const StdPicture& other) const { return d_ == other.d_; }
    // The name of the file the picture was read from, without its folder (for a failed picture, the
    // file it failed on); empty for the plain empty picture and for the built-in ones, which have no
    // file the user knows.
    QString fileName() const;
    // The file the picture was read from, with its folder; empty where fileName is, and for a
    // failed picture.
    QString filePath() const;
    // Why the file gave no picture; None for every other picture.
    PictureFailure failure() const;
    // The file was cut short: the picture shows what it holds, the rest is blank.
    bool incomplete() const;

    // The picture at its natural size: the full image held, or a full decode of the bytes kept (of
    // the file, when only the path was kept or the image held is reduced). Null when that decode fails, for instance
    // when the picture is too large to hold in memory, or cancelled through `cancelled`. Not kept: the caller holds it
    // as long as it shows it.
    QImage fullImage(const std::atomic<bool>* cancelled = nullptr) const;
    // The same in two stages: the picture the second gives holds the full image (null when it fails).
    PictureRead readFullImage(const std::atomic<bool>* cancelled = nullptr) const;
    // The picture's image for showing in `view`, in two stages: the full image held as it is, else the
    // bytes kept (or the file) decoded as readPictureForView decodes them. The picture the second stage
    // gives holds that image and knows the natural size; null image when the decode fails.
    PictureRead readImageForView(const ShownView& view, const std::atomic<bool>* cancelled = nullptr) const;

    // What the picture was read from, to read it again: the file's bytes when it keeps them, else the
    // file's path (both empty for a picture made from an image alone).
    QByteArray keptBytes() const;
    QString keptPath() const;

    // A copy scaled to `size` (aspect ratio not kept), made once and kept with the picture so that
    // a stretched control never rescales the full picture on a repaint. Safe to call from any thread.
    QImage scaledCopy(QSize size) const;

    // The memory this picture holds, in bytes, for caches that keep pictures within a budget.
    qsizetype memoryCost() const;

private:
    struct Data;
    struct Failed;
    // The bytes kept, or the file, decoded in full, or for viewing when `shownFor` (the size shown for
    // the natural size) is given.
    PictureRead readImage(const std::function<QSize(QSize)>& shownFor, const std::atomic<bool>* cancelled) const;
    std::shared_ptr<const Data> d_;
    std::shared_ptr<const Failed> failed_; // only on the empty picture
    friend StdPicture makeCellPicture(QSize, QImage, QByteArray, QString, QString, bool);
    friend StdPicture makeViewPicture(QSize, QImage, QString, bool);
};

struct PictureError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A picture made in two stages, so that waiting on a disk never holds a core: reading, which may wait
// for a slow or hanging disk and is given up between chunks when cancelled, then decoding what was
// read, which reads nothing more. The first stage gives the picture itself when nothing is left to
// decode (a file that cannot be read, a cell made from the camera's thumbnail, a file too large to
// hold, decoded as it is read), or else the decode still to do.
struct PictureRead {
    using Decode = std::function<StdPicture(const std::atomic<bool>* cancelled)>;
    PictureRead() = default;
    PictureRead(StdPicture done) // NOLINT(google-explicit-constructor): a picture is a finished read
        : picture(std::move(done))
    {
    }
    explicit PictureRead(Decode later)
        : decode(std::move(later))
    {
    }

    StdPicture picture;
    Decode decode; // empty when done

    // Both stages, one after the other.
    StdPicture finish(const std::atomic<bool>* cancelled) const { return decode ? decode(cancelled) : picture; }
};

// Loads a picture file by path, in full. An empty path gives the empty picture; a file that
// cannot be read or decoded throws PictureError that names it and says why.
StdPicture LoadPicture(const QString& path);

// The same in two stages: the first throws PictureError when the file cannot be read, the second
// when it cannot be decoded.
PictureRead readPicture(const QString& path, const std::atomic<bool>* cancelled = nullptr);

// The same in two stages, where a file that cannot be read or decoded gives the failed picture,
// which names it and says why.
PictureRead readPictureOrFailed(const QString& path, const std::atomic<bool>* cancelled = nullptr);

// The same for viewing at `shown` device pixels (in the picture's own orientation): a JPEG is decoded at
// the smallest n/8 scale that covers `shown` and kept at that scale, so that the picture's image() is
// reduced while its pixelWidth()/pixelHeight() stay the full picture's; every other format, and an empty
// `shown` or one the picture does not exceed, in full. The picture keeps the path for its fullImage().
PictureRead readPictureForView(const QString& path, QSize shown, const std::atomic<bool>* cancelled = nullptr);
// The same for showing in `view`, whose shown size follows from the natural size the headers tell.
PictureRead readPictureForView(
    const QString& path, const ShownView& view, const std::atomic<bool>* cancelled = nullptr);

// Same, but a file that cannot be read or decoded gives the empty picture (and a debug message).
StdPicture loadPictureOrEmpty(const QString& path);

// Loads a picture file for a thumbnail cell of `cellSize` device pixels: the picture comes with
// its copy of that size made, and keeps what a full decode needs later. An empty path or a load
// cancelled through `cancelled` gives the empty picture; a file that cannot be read or decoded
// gives the failed one, which is empty too. Safe to call from any thread.
StdPicture loadCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled = nullptr);
// The same in two stages.
PictureRead readCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled = nullptr);

// The bytes that cell loads have read from picture files so far, in all.
qint64 cellFileBytesRead();

// The largest decoded picture the loader accepts, in megabytes.
constexpr int PictureAllocationLimitMB = 1024;

} // namespace tl
