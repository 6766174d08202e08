#pragma once

// A PNG read through libpng, one row at a time, into 32-bit pixels in the layout of
// QImage::Format_ARGB32 (RGB32 with its alpha byte 0xff when the picture has no transparency): every
// colour type and depth, 16-bit samples reduced to 8, a palette's or a tRNS chunk's transparency.
// Only the chunks that say what the pixels look like are read (tRNS, gAMA, cHRM, sRGB, a bounded iCCP);
// text, EXIF and unknown chunks are passed over unread into memory, and a damaged ancillary chunk is
// dropped. libpng reports errors by longjmp: it jumps only within this reader's own plain frames, never
// over a C++ object, and the reader is dead after the first error.

#include <QByteArray>
#include <QIODevice>
#include <QSize>
#include <optional>

struct png_struct_def;
struct png_info_def;

namespace tl {

struct Colorimetry;

class PngReader {
public:
    // Reads the headers of the PNG `device` holds, up to its pixels; ok() says whether they make a
    // picture. What the reader allocates while it does is bounded by ColourProfileLimit; its row
    // buffers (workingBytes) are allocated by the first readRow.
    explicit PngReader(QIODevice& device);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool ok() const { return ok_; }
    // What went wrong: libpng's message, or that the file ended early.
    QString why() const;

    QSize size() const { return size_; }
    bool interlaced() const { return interlaced_; }
    // Whether any pixel may be transparent (an alpha channel or a tRNS chunk).
    bool hasAlpha() const { return hasAlpha_; }
    bool grey() const { return grey_; }
    // The bytes libpng itself allocates to decode the rows (its row buffers, the inflater, the profile
    // held); the pixels are not counted.
    qint64 workingBytes() const;

    // The embedded ICC profile (empty when there is none, or libpng dropped it).
    QByteArray iccProfile() const;
    // The sRGB chunk: the pixels are sRGB's.
    bool srgb() const;
    // gAMA and cHRM as colours of their own; nothing when neither chunk is there.
    std::optional<Colorimetry> colorimetry() const;

    // The next row, 4 bytes a pixel, in `row` (width() pixels). An interlaced picture is read in
    // passes: readRow is called passes() * height() times, each row in turn, into the whole picture's
    // rows, which show each pass's pixels spread over the rows the later passes fill in. False at an
    // error (ok() is false then).
    bool readRow(uchar* row);
    int passes() const { return passes_; }

    struct State;

private:
    State* state_ = nullptr;
    bool ok_ = false, started_ = false;
    QSize size_;
    bool interlaced_ = false, hasAlpha_ = false, grey_ = false;
    int passes_ = 1;
};

} // namespace tl
