#pragma once

#include <QImage>
#include <QString>
#include <atomic>
#include <memory>
#include <stdexcept>

namespace tl {

// A decoded picture: a shared, immutable object. Handing it from one control to another hands
// over the same object; the default-constructed picture is the empty one, which blanks a control.
class StdPicture {
public:
    StdPicture() = default;
    explicit StdPicture(QImage image);

    bool isEmpty() const { return !d_; }
    int pixelWidth() const;
    int pixelHeight() const;
    const QImage& image() const;
    bool sameObject(const StdPicture& other) const { return d_ == other.d_; }

    // A copy scaled to `size` (aspect ratio not kept), made once and kept with the picture so that
    // a stretched control never rescales the full picture on a repaint. Safe to call from any thread.
    QImage scaledCopy(QSize size) const;

    // The memory this picture holds, in bytes, for caches that keep pictures within a budget.
    qsizetype memoryCost() const;

private:
    struct Data;
    std::shared_ptr<const Data> d_;
};

struct PictureError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Loads a picture file by path. An empty path gives the empty picture; a file that cannot be read
// or decoded throws PictureError with the decoder's reason.
StdPicture LoadPicture(const QString& path);

// Same, but a file that cannot be read or decoded gives the empty picture.
StdPicture LoadPictureOrEmpty(const QString& path);

// Loads a picture file for a thumbnail cell of `cellSize` device pixels: the picture comes with
// its copy of that size made. An empty path, a file that cannot be read or decoded, or a load
// cancelled through `cancelled` gives the empty picture. Safe to call from any thread.
StdPicture LoadCellPicture(const QString& path, QSize cellSize, const std::atomic<bool>* cancelled = nullptr);

// The largest decoded picture the loader accepts, in megabytes.
constexpr int PictureAllocationLimitMB = 1024;

} // namespace tl
