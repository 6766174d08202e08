#pragma once

#include <QByteArray>
#include <QSize>
#include <atomic>

class QIODevice;

namespace tl {

// What a BMP file's headers promise, checked against the file's length before any decoding:
// the decoder fills pixels only as far as the file goes and leaves the rest of the picture as
// whatever the memory held, so a file shorter than its headers declare is decoded from the file
// made up to its declared length, or refused when it holds none of the rows.
struct BmpCheck {
    enum Kind {
        NotBmp, // some other format, or no file header
        Complete, // every row the headers declare is in the file
        RunLength, // RLE4/RLE8: the runs may leave pixels unwritten, so the picture starts zeroed
        Cut, // the headers and colour table are whole, and some of the rows, but not all
        Short, // the file ends before the first row, or the headers are cut
    };
    Kind kind = NotBmp;
    QSize size; // width and height as declared (RunLength and Cut)
    // Cut only: the length the headers declare, how many whole rows the file holds, and whether
    // they are stored from the top row down (else from the bottom row up).
    qint64 end = 0;
    int rowsHeld = 0;
    bool topDown = false;
};

// `head` holds the file's first bytes (at least the file and info headers), `fileSize` its length.
BmpCheck checkBmp(const QByteArray& head, qint64 fileSize);

// The same for an icon's first entry when it is a bitmap (`device` holds the icon, `fileSize` bytes):
// its picture rows, then its mask's rows, both from the bottom row up. An entry whose mask alone is cut
// holds all its rows. NotBmp for an entry of another header or compression; the device is left at 0.
BmpCheck checkIconBitmap(QIODevice& device, qint64 fileSize);

// Where a V5 header's embedded colour profile lies in the file, and its length; 0 bytes when there is
// none, or when it does not lie wholly within the file (`fileSize` bytes long).
struct BmpProfile {
    qint64 at = 0;
    qint64 bytes = 0;
};
BmpProfile embeddedProfile(const QByteArray& head, qint64 fileSize);

// Whether the run-length codes of the BMP `device` holds, whose first bytes are `head`, end before
// their end-of-picture code: the file was cut short. Read forward from the codes' start a chunk at a
// time; a read cancelled through `cancelled` stops there, as the file's end.
bool runsEndEarly(QIODevice& device, const QByteArray& head, const std::atomic<bool>* cancelled = nullptr);

// How many of a file's first bytes checkBmp needs.
constexpr int BmpHeaderBytes = 14 + 40;

} // namespace tl
