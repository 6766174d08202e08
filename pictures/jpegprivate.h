#pragma once

// What JpegDecoder's own files share, and nothing else includes: libjpeg's state for one decoder, the
// source that feeds libjpeg from the device within the read bounds, and the handlers that leave
// libjpeg on an error or a cancel.

#include "pictures/jpeg.h"

#include <array>
#include <bitset>
#include <csetjmp>
#include <cstdio>
#include <vector>
// jpeglib.h needs <cstdio> before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tl {

namespace jpegdetail {

    constexpr qint64 ReadChunk = 64 * 1024;
    constexpr qint64 BlockBytes = DCTSIZE2 * sizeof(JCOEF);
    // How much wider than a window its decoded rows may come: a column either side, and the left one
    // moved back to the start of its column of blocks (at most four blocks of 8 wide).
    constexpr int WindowMargin = 2 + 4 * DCTSIZE;

    struct Errors : jpeg_error_mgr {
        jmp_buf jump;
        char message[JMSG_LENGTH_MAX];
    };

    struct Source : jpeg_source_mgr {
        QIODevice* device = nullptr;
        qint64 size = 0;
        qint64 taken = 0; // how far into the file the source has come, read or passed over
        bool inHeaders = true; // until the first scan
        bool headersTooLong = false;
        bool endedEarly = false;
        bool skipped = false; // the last bytes were passed over unread
        const std::atomic<bool>* cancelled = nullptr;
        JOCTET buffer[ReadChunk];
    };

    struct Progress : jpeg_progress_mgr {
        const std::atomic<bool>* cancelled = nullptr;
    };

    // Leaves libjpeg with `why`; libjpeg must never end the process, as its own handler would.
    [[noreturn]] void stop(j_common_ptr info, const char* why);
    // libjpeg's error_exit: leaves libjpeg with its own message.
    [[noreturn]] void stopOnError(j_common_ptr info);
    // A damaged file is shown as far as libjpeg can decode it, as Qt shows it: warnings are dropped.
    void dropMessage(j_common_ptr);
    void noSourceAction(j_decompress_ptr);
    // The source's fill_input_buffer: the next chunk, or an end marker of its own at the end or the bound.
    boolean fillInput(j_decompress_ptr info);
    // The source's skip_input_data: passes over `count` bytes, unread where the device can seek.
    void skipInput(j_decompress_ptr info, long count);
    // Called for each scan a multi-scan file brings and for each row: the place to give up.
    void watchProgress(j_common_ptr common);

    inline qint64 roundUp(qint64 value, qint64 step) { return (value + step - 1) / step * step; }

    inline qint64 imageBytes(QSize size, int depth)
    {
        return qint64((size.width() * qint64(depth) + 31) / 32 * 4) * size.height();
    }

    inline bool quarterTurn(int orientation) { return orientation >= 5; }

} // namespace jpegdetail

struct JpegDecoder::Private {
    jpeg_decompress_struct info {};
    jpegdetail::Errors errors {};
    jpegdetail::Source source {};
    jpegdetail::Progress progress {};
    bool ok = false;
    bool multiScan = false;
    bool firstScans = false; // decoded in buffered-image mode, from the scans the scale needs
    qint64 scanStart = 0;
    QImage::Format format = QImage::Format_Invalid;
    QString why;
    bool tooLarge = false; // refused or stopped for its memory
    Exif exif;
    QByteArray exifBlock; // the first EXIF segment, until the headers are read
    std::array<QByteArray, 256> iccChunks; // the colour profile's chunks by number, until the headers are read
    std::bitset<256> iccSeen;
    int iccCount = 0; // the chunks the profile says it comes in
    qint64 iccBytes = 0;
    bool iccBroken = false; // a chunk twice, out of range, or past the bound: no profile
    QByteArray icc;
    ToSrgb toSrgb;
    QSize output; // at the prepared scale, as stored
    QRect window; // the part of the frame decoded; null for all of it
    qint64 cost = -1; // -1 until prepared

    // Runs `step` on libjpeg; false, with the reason, when libjpeg gave up. `step` must own nothing that
    // needs destroying: a failure leaves it without unwinding.
    template <class Step> bool guarded(Step step)
    {
        if (setjmp(errors.jump)) {
            why = QString::fromLatin1(errors.message);
            tooLarge = errors.msg_code == JERR_OUT_OF_MEMORY || source.headersTooLong;
            return false;
        }
        step();
        return true;
    }

    // The memory libjpeg works in for the prepared scale, besides the output image.
    qint64 workingBytes() const;

    // Once the decompression has started: the rows cut to the window's columns, and the rows above it
    // passed over. A column either side of the window is decoded too where the frame has one: colour
    // stored at half the resolution is spread over the columns from both sides, and at a cut edge it
    // would be taken for the picture's own edge. Gives where the window's first column lies in a row.
    int cropToWindow();

    // The next `count` bytes of the file into `out`; the source never suspends.
    static void readBytes(j_decompress_ptr info, char* out, qint64 count);

    // Reads an APP1 or APP2 segment: the headers' first EXIF block and the chunks of their colour
    // profile are kept, anything else is passed over. Nothing here needs destroying: a failure leaves
    // it without unwinding.
    static boolean readSegment(j_decompress_ptr info);

    // In buffered-image mode, after the decompression started: the scans up to those that give the
    // scale every coefficient it uses, or to the end, then the output pass over what they gave.
    void consumeFirstScans(const std::vector<int>& sizes);

    // Once the headers are read: the EXIF block read, the profile's chunks joined in their order.
    void takeSegments();
};

} // namespace tl
