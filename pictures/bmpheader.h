#pragma once

#include <QByteArray>
#include <QSize>

namespace tl {

// What a BMP file's headers promise, checked against the file's length before any decoding:
// the decoder fills pixels only as far as the file goes and leaves the rest of the picture as
// whatever the memory held, so a file shorter than its headers declare is refused here.
struct BmpCheck {
    enum Kind {
        NotBmp, // some other format, or no file header
        Complete, // every row the headers declare is in the file
        RunLength, // RLE4/RLE8: the runs may leave pixels unwritten, so the picture starts zeroed
        Short, // the file ends before the pixel data the headers declare, or the headers are cut
    };
    Kind kind = NotBmp;
    QSize size; // width and height as declared (RunLength only)
    // A V5 header's embedded colour profile: where it lies in the file and its length; 0 bytes when
    // there is none, or when it does not lie wholly within the file.
    qint64 profileAt = 0;
    qint64 profileBytes = 0;
};

// `head` holds the file's first bytes (at least the file and info headers), `fileSize` its length.
BmpCheck checkBmp(const QByteArray& head, qint64 fileSize);

// How many of a file's first bytes checkBmp needs (a V5 header's profile: 14 + 124).
constexpr int BmpHeaderBytes = 14 + 40;

} // namespace tl
