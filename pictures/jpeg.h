#pragma once

// JPEGs decoded with libjpeg-turbo's own API, so that the work is bounded by what the screen needs:
// DCT scaling for cells, a limit on a progressive file's scans, a limit on libjpeg's memory, and a
// source that reads no further than the picture can need. Full-size decodes give what Qt's JPEG
// plugin gives, pixel for pixel (formats, CMYK conversion, EXIF orientation).

#include "pictures/colour.h"
#include "pictures/exif.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

namespace tl {

// Whether `head` (a file's first bytes) starts like a JPEG (SOI then a marker).
bool looksLikeJpeg(const QByteArray& head);

// A progressive file with more scans than this is refused: each scan runs over the whole picture,
// and ordinary files have a few dozen at most.
constexpr int JpegScanLimit = 200;
// Each scan walks every block of the picture it covers: a large picture with many scans is refused
// once its scans have walked this many blocks in all, about what a 200-megapixel photo's twenty take.
constexpr qint64 JpegScanBlockLimit = qint64(96) << 20;

// The eighths (1..8) libjpeg-turbo decodes a picture of `size` at so that it covers `cover` in both
// directions with the fewest pixels: the smallest n whose n/8 scale, rounded up, reaches it; 8 for an
// empty `cover` or one the picture does not reach.
int jpegEighths(QSize size, QSize cover);

// A JPEG decoded with libjpeg-turbo. The constructor reads the headers up to the first scan, keeping
// only the first EXIF block and the colour profile and passing over every other segment unread; headers
// that run past 16 MB are refused. A load cancelled through `cancelled` (which outlives the decoder)
// stops reading at the next chunk. prepare() chooses the scale and says what the decode will allocate;
// decode() decodes.
class JpegDecoder {
public:
    // `device` open at its start, `size` bytes long
    JpegDecoder(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled = nullptr);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    bool ok() const; // headers read and a kind we decode
    QString why() const; // the reason when not ok or when decode() failed
    bool refusedForMemory() const; // refused for the memory it needed or the length of its headers
    QSize storedSize() const; // as the frame stores it
    QSize naturalSize() const; // orientation applied (width/height swapped for the quarter turns)
    int orientation() const; // EXIF orientation 1..8 (1 when none or invalid)
    const Exif& exif() const; // the first "Exif" APP1 block's contents (defaults when none)
    // The embedded ICC colour profile, its APP2 chunks joined in order; empty when there is none, when
    // a chunk is missing or repeated, or when the chunks pass 4 MB.
    const QByteArray& iccProfile() const;
    // What the profile asks for, when it is of the picture's kind (grey, RGB or CMYK); empty otherwise.
    // decode() applies a CMYK profile as it decodes the rows; an RGB or grey one is left to the caller,
    // who may apply it to a smaller copy.
    const ToSrgb& colourConversion() const;
    // The bytes of the file's segments the decoder keeps (the EXIF thumbnail and the profile); the
    // cost prepare() gives counts them.
    qint64 heldBytes() const;
    // Turns the picture by `orientation` (1..8) instead of its own EXIF's; before prepare(). A camera's
    // thumbnail is turned as its photo is.
    void useOrientation(int orientation);
    // Whether the data ended (or reached the read bound) before libjpeg had all it needed: the picture
    // decoded so far is partly filled in.
    bool endedEarly() const;
    // Whether the file is progressive: its scans refine the whole picture one after another.
    bool progressive() const;
    // Decodes a progressive file from its first scans: only those up to the ones that give the prepared
    // scale every coefficient it uses (firstScansServe()) are read, or all the file brings. Before decode().
    void useFirstScans();
    // Where the first scan's data starts in the file, once the headers are read; 0 before.
    qint64 scanStart() const;

    // Decodes only `stored`, a rectangle of the frame's own pixels (cut to the frame), at full size: the
    // rows above it are passed over without being made into pixels, and only the columns around it are.
    // Before prepare(), which then gives its cost (the size it is given is not used) and after which
    // outputSize() is the rectangle's, orientation applied; decode() gives the rectangle's pixels as a
    // full decode gives them. Whether it can: not for a file whose scans each cover the whole picture
    // (progressive or otherwise multi-scan, where every scan must be read first), nor for an empty
    // rectangle.
    bool useWindow(QRect stored);
    // Chooses the smallest n/8 scale whose result covers `cell` (device pixels, in the picture's natural
    // orientation; an empty cell means full size) and returns the bytes the decode will allocate in all:
    // the output image, the copy that turning it makes, and libjpeg's working memory (for a multi-scan
    // file its whole-picture coefficient buffers, for others its row buffers). A reduced decode for a cell,
    // which is smoothed down afterwards, takes libjpeg's fast transform; one `shownAsIs` is decoded as
    // finely as a full-size one.
    qint64 prepare(QSize cell, bool shownAsIs = false);
    // The size of each component's blocks in the output at the prepared scale, in the frame's order: the
    // scale in eighths, or twice or four times that for a component stored at half or a quarter of the
    // resolution. Empty when not ok.
    std::vector<int> blockSizes() const;
    // The size decode() gives at the prepared scale, orientation applied.
    QSize outputSize() const;
    // Decodes at the prepared scale (full size when prepare() was not called), orientation applied as
    // Qt applies it. A cost above `memoryLimit` is refused up front, and `memoryLimit` also becomes
    // libjpeg's own limit. Null image on any failure (corrupt data, too many scans, memory, cancel
    // through `cancelled`, or else through the constructor's flag). One decode per decoder: it ends the
    // reading of the file.
    QImage decode(qint64 memoryLimit, const std::atomic<bool>* cancelled = nullptr);

    struct Private;

private:
    std::unique_ptr<Private> d_;
};

} // namespace tl
