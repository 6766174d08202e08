#pragma once

// How the picture files read a file for a decode, shared by StdPicture's own reads, the whole-file
// reads and the cell reads; nothing else includes it.

#include "pictures/decoding.h"
#include "pictures/picture.h"

#include <QFile>
#include <functional>
#include <memory>

namespace tl {

// The built-in pictures live in the program's resources; every other path is a file on disk.
inline bool isBuiltIn(const QString& path) { return path.startsWith(QLatin1Char(':')); }

// A picture loaded for a cell: `cell` the image made for it, `bytes` the file's bytes it keeps (counted
// against the held-bytes budget) or else `keptPath` the file a full decode reads, `file` the one it names.
StdPicture makeCellPicture(
    QSize natural, QImage cell, QByteArray bytes, QString keptPath, QString file, bool incomplete);
// A picture read for viewing, its image reduced when it is smaller than `natural`; empty for a null image.
StdPicture makeViewPicture(QSize natural, QImage image, QString path, bool incomplete);

// Opens `path` for reading: a built-in picture from the resources, any other only as the regular file
// openRegularFile() takes; false with the reason.
bool openPictureFile(QFile& file, const QString& path, QString& why);

// How a file's content is decoded: in full, for a cell, or for viewing.
using DecodeFile = std::function<Decoded(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)>;
DecodeFile forCell(QSize cell);
DecodeFile forView(const ShownFor& shownFor);

// `bytes` decoded as a file of their own.
Decoded decodeBytes(const QByteArray& bytes, const DecodeFile& decode, const std::atomic<bool>* cancelled = nullptr);

// File bytes counted against the budget for held bytes until a picture takes them over; given
// back when the load fails, is cancelled or throws before that.
class HeldBytes {
public:
    // Reads the whole file when it is small enough and the budget allows it, a chunk at a time.
    // Null when not kept, or when the read was cancelled or failed.
    HeldBytes(QFile& file, const std::atomic<bool>* cancelled);
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
PictureRead readForDecode(QFile& file, const DecodeFile& decode, const std::atomic<bool>* cancelled, MakePicture make);

} // namespace tl
