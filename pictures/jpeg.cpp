#include "pictures/jpeg.h"

#include "pictures/progressive.h"

#include <QTransform>
#include <algorithm>
#include <array>
#include <bitset>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>
// jpeglib.h needs <cstdio> before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tl {

namespace {

    constexpr qint64 ReadChunk = 64 * 1024;
    // What is read after a segment was passed over: most often only the next segment's header is wanted.
    constexpr qint64 ChunkAfterSkip = 4 * 1024;
    // The most a file's headers and tables may take up to its first scan: a file whose headers run
    // further is refused. Its scans may then take at most this much per pixel and component on top:
    // a source past that is taken to end, so that a picture followed by a long tail (or a device that
    // never ends) is not read to its end.
    constexpr qint64 HeaderBound = qint64(16) << 20;
    constexpr qint64 ScanBytesPerSample = 2;
    constexpr qint64 BlockBytes = DCTSIZE2 * sizeof(JCOEF);
    // How much wider than a window its decoded rows may come: a column either side, and the left one
    // moved back to the start of its column of blocks (at most four blocks of 8 wide).
    constexpr int WindowMargin = 2 + 4 * DCTSIZE;
    constexpr JDIMENSION SkipStep = 256;

    // The segments kept from the headers, each up to its own bound; every other segment is passed
    // over unread.
    constexpr char ExifHeader[] = "Exif\0"; // and a second zero, the string's end
    constexpr qint64 ExifHeaderBytes = 6;
    constexpr char IccHeader[] = "ICC_PROFILE"; // then a zero, the chunk's number and the count
    constexpr qint64 IccHeaderBytes = 14;
    constexpr qint64 IccBound = qint64(4) << 20;

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
    [[noreturn]] void stop(j_common_ptr info, const char* why)
    {
        auto* errors = static_cast<Errors*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "%s", why);
        longjmp(errors->jump, 1);
    }

    [[noreturn]] void stopOnError(j_common_ptr info)
    {
        auto* errors = static_cast<Errors*>(info->err);
        (*errors->format_message)(info, errors->message);
        longjmp(errors->jump, 1);
    }

    // A damaged file is shown as far as libjpeg can decode it, as Qt shows it: warnings are dropped.
    void dropMessage(j_common_ptr) { }

    void noSourceAction(j_decompress_ptr) { }

    // How far the source may go: the headers' bound until the first scan, then the scans' on top.
    qint64 readBound(j_decompress_ptr info)
    {
        const auto* source = static_cast<Source*>(info->src);
        if (source->inHeaders)
            return HeaderBound;
        return HeaderBound + ScanBytesPerSample * qint64(info->image_width) * info->image_height * info->num_components;
    }

    // Stops a load that was cancelled, and a header read that would go past its bound to `reach`.
    void checkReach(j_decompress_ptr info, qint64 reach)
    {
        auto* source = static_cast<Source*>(info->src);
        if (source->cancelled && source->cancelled->load(std::memory_order_relaxed))
            stop(reinterpret_cast<j_common_ptr>(info), "cancelled");
        if (source->inHeaders && reach > HeaderBound) {
            source->headersTooLong = true;
            stop(reinterpret_cast<j_common_ptr>(info), "the headers run past 16 MB");
        }
    }

    boolean fillInput(j_decompress_ptr info)
    {
        auto* source = static_cast<Source*>(info->src);
        checkReach(info, std::min(source->taken + 1, source->size));
        const qint64 chunk = std::exchange(source->skipped, false) ? ChunkAfterSkip : ReadChunk;
        const qint64 wanted = std::min({ chunk, readBound(info) - source->taken, source->size - source->taken });
        const qint64 got = wanted > 0 ? source->device->read(reinterpret_cast<char*>(source->buffer), wanted) : 0;
        source->next_input_byte = source->buffer;
        if (got > 0) {
            source->taken += got;
            source->bytes_in_buffer = size_t(got);
            return TRUE;
        }
        if (source->taken == 0)
            ERREXIT(info, JERR_INPUT_EMPTY);
        // At the end or the bound: an end marker of our own, as libjpeg's file source gives.
        source->endedEarly = true;
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xff;
        source->buffer[1] = JPEG_EOI;
        source->bytes_in_buffer = 2;
        return TRUE;
    }

    // Passes over `count` bytes: those in the buffer, then the rest without reading them where the
    // device can seek. Past the end or the bound the next fill gives the end.
    void skipInput(j_decompress_ptr info, long count)
    {
        auto* source = static_cast<Source*>(info->src);
        if (count <= 0)
            return;
        if (size_t(count) > source->bytes_in_buffer && !source->device->isSequential()) {
            const qint64 target = source->taken + (count - qint64(source->bytes_in_buffer));
            checkReach(info, std::min(target, source->size));
            source->bytes_in_buffer = 0;
            const qint64 to = std::min({ target, readBound(info), source->size });
            if (!source->device->seek(to))
                source->size = source->taken; // a device that cannot go there ends here
            else
                source->taken = to;
            source->skipped = true;
            return;
        }
        while (count > long(source->bytes_in_buffer)) {
            count -= long(source->bytes_in_buffer);
            fillInput(info);
        }
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
    }

    // Called for each scan a multi-scan file brings and for each row: the place to give up.
    void watchProgress(j_common_ptr common)
    {
        auto* info = reinterpret_cast<j_decompress_ptr>(common);
        auto* progress = static_cast<Progress*>(info->progress);
        if (progress->cancelled && progress->cancelled->load(std::memory_order_relaxed))
            stop(common, "cancelled");
        if (info->input_scan_number > JpegScanLimit)
            stop(common, "more scans than a picture needs");
        qint64 blocks = 0;
        for (int i = 0; i < info->num_components; ++i)
            blocks += qint64(info->comp_info[i].width_in_blocks) * info->comp_info[i].height_in_blocks;
        if (qint64(info->input_scan_number) * blocks > JpegScanBlockLimit)
            stop(common, "more scans than a picture of this size needs");
    }

    qint64 roundUp(qint64 value, qint64 step) { return (value + step - 1) / step * step; }

    qint64 imageBytes(QSize size, int depth)
    {
        return qint64((size.width() * qint64(depth) + 31) / 32 * 4) * size.height();
    }

    bool quarterTurn(int orientation) { return orientation >= 5; }

    // EXIF orientations as Qt turns them: a mirror or flip first, then a quarter turn clockwise.
    QImage oriented(QImage image, int orientation)
    {
        const bool mirror = orientation == 2 || orientation == 3 || orientation == 7;
        const bool flip = orientation == 3 || orientation == 4 || orientation == 5;
        if (orientation == 8)
            return image.transformed(QTransform().rotate(270));
        if (mirror || flip)
            image = image.mirrored(mirror, flip);
        if (orientation == 5 || orientation == 6 || orientation == 7)
            image = image.transformed(QTransform().rotate(90));
        return image;
    }

} // namespace

struct JpegDecoder::Private {
    jpeg_decompress_struct info {};
    Errors errors {};
    Source source {};
    Progress progress {};
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

    qint64 workingBytes() const
    {
        qint64 bytes = 0;
        for (int i = 0; i < info.num_components; ++i) {
            const jpeg_component_info& c = info.comp_info[i];
            const qint64 blocksWide = roundUp(c.width_in_blocks, c.h_samp_factor);
            if (multiScan) // every coefficient of the picture, kept between scans
                bytes += blocksWide * roundUp(c.height_in_blocks, c.v_samp_factor) * BlockBytes;
            else // a row of blocks, and the sample rows around it that upsampling keeps
                bytes += blocksWide * c.v_samp_factor * (BlockBytes + 3 * DCTSIZE2);
        }
        return bytes + qint64(info.output_width) * 4 * 4;
    }

    // Once the decompression has started: the rows cut to the window's columns, and the rows above it
    // passed over. A column either side of the window is decoded too where the frame has one: colour
    // stored at half the resolution is spread over the columns from both sides, and at a cut edge it
    // would be taken for the picture's own edge. Gives where the window's first column lies in a row.
    int cropToWindow()
    {
        JDIMENSION x = JDIMENSION(std::max(window.left() - 1, 0));
        JDIMENSION width = JDIMENSION(std::min(window.right() + 2, int(info.output_width))) - x;
        jpeg_crop_scanline(&info, &x, &width);
        // A few hundred rows at a time, so that a cancel is seen on the way down a tall picture.
        for (auto above = JDIMENSION(window.top()); above > 0;) {
            const JDIMENSION step = std::min(above, SkipStep);
            if (jpeg_skip_scanlines(&info, step) != step)
                stop(reinterpret_cast<j_common_ptr>(&info), "no more rows");
            above -= step;
            watchProgress(reinterpret_cast<j_common_ptr>(&info));
        }
        return window.left() - int(x);
    }

    // The next `count` bytes of the file into `out`; the source never suspends.
    static void readBytes(j_decompress_ptr info, char* out, qint64 count)
    {
        jpeg_source_mgr* source = info->src;
        while (count > 0) {
            if (source->bytes_in_buffer == 0)
                (*source->fill_input_buffer)(info);
            const qint64 part = std::min<qint64>(count, qint64(source->bytes_in_buffer));
            std::memcpy(out, source->next_input_byte, size_t(part));
            out += part;
            count -= part;
            source->next_input_byte += part;
            source->bytes_in_buffer -= size_t(part);
        }
    }

    // Reads an APP1 or APP2 segment: the headers' first EXIF block and the chunks of their colour
    // profile are kept, anything else is passed over. Nothing here needs destroying: a failure leaves
    // it without unwinding.
    static boolean readSegment(j_decompress_ptr info)
    {
        Private& d = *static_cast<Private*>(info->client_data);
        uchar lengthBytes[2];
        readBytes(info, reinterpret_cast<char*>(lengthBytes), 2);
        qint64 length = (lengthBytes[0] << 8 | lengthBytes[1]) - 2;
        if (length < 0)
            ERREXIT(info, JERR_BAD_LENGTH);
        const bool app1 = info->unread_marker == JPEG_APP0 + 1;
        char header[IccHeaderBytes];
        const qint64 headerBytes = std::min(length, app1 ? ExifHeaderBytes : IccHeaderBytes);
        readBytes(info, header, headerBytes);
        length -= headerBytes;
        if (d.source.inHeaders && headerBytes == ExifHeaderBytes && app1 && d.exifBlock.isNull()
            && std::memcmp(header, ExifHeader, ExifHeaderBytes) == 0) {
            d.exifBlock.resize(ExifHeaderBytes + length);
            std::memcpy(d.exifBlock.data(), header, ExifHeaderBytes);
            readBytes(info, d.exifBlock.data() + ExifHeaderBytes, length);
            length = 0;
        } else if (d.source.inHeaders && headerBytes == IccHeaderBytes && !app1
            && std::memcmp(header, IccHeader, sizeof IccHeader) == 0) {
            const int number = uchar(header[12]), count = uchar(header[13]);
            d.iccBroken = d.iccBroken || number == 0 || number > count || (d.iccCount && count != d.iccCount)
                || d.iccSeen[number] || d.iccBytes + length > IccBound;
            if (!d.iccBroken) {
                d.iccCount = count;
                d.iccSeen[number] = true;
                d.iccBytes += length;
                d.iccChunks[number].resize(length);
                readBytes(info, d.iccChunks[number].data(), length);
                length = 0;
            }
        }
        (*info->src->skip_input_data)(info, long(length));
        return TRUE;
    }

    // In buffered-image mode, after the decompression started: the scans up to those that give the
    // scale every coefficient it uses, or to the end, then the output pass over what they gave.
    void consumeFirstScans(const std::vector<int>& sizes)
    {
        for (;;) {
            watchProgress(reinterpret_cast<j_common_ptr>(&info));
            const int got = jpeg_consume_input(&info);
            if (got == JPEG_REACHED_EOI || (got == JPEG_SCAN_COMPLETED && firstScansServe(info.coef_bits, sizes)))
                break;
            if (got == JPEG_SUSPENDED)
                stop(reinterpret_cast<j_common_ptr>(&info), "no more data");
        }
        jpeg_start_output(&info, info.input_scan_number);
    }

    // Once the headers are read: the EXIF block read, the profile's chunks joined in their order.
    void takeSegments()
    {
        exif = readExif(exifBlock);
        exifBlock = QByteArray();
        for (int number = 1; number <= iccCount && !iccBroken; ++number)
            iccBroken = !iccSeen[number];
        for (int number = 1; number <= iccCount && !iccBroken; ++number)
            icc += iccChunks[number];
        iccChunks = {};
    }
};

bool looksLikeJpeg(const QByteArray& head)
{
    return head.size() >= 3 && uchar(head[0]) == 0xff && uchar(head[1]) == 0xd8 && uchar(head[2]) == 0xff;
}

JpegDecoder::JpegDecoder(QIODevice& device, qint64 size, const std::atomic<bool>* cancelled)
    : d_(std::make_unique<Private>())
{
    Private& d = *d_;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = stopOnError;
    d.errors.output_message = dropMessage;
    if (!d.guarded([&] { jpeg_create_decompress(&d.info); }))
        return;
    d.info.client_data = &d;
    d.source.device = &device;
    d.source.size = size;
    d.source.cancelled = cancelled;
    d.source.init_source = noSourceAction;
    d.source.fill_input_buffer = fillInput;
    d.source.skip_input_data = skipInput;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = noSourceAction;
    d.info.src = &d.source;
    d.progress.progress_monitor = watchProgress;
    d.info.progress = &d.progress;
    if (!d.guarded([&] {
            jpeg_set_marker_processor(&d.info, JPEG_APP0 + 1, Private::readSegment);
            jpeg_set_marker_processor(&d.info, JPEG_APP0 + 2, Private::readSegment);
            jpeg_read_header(&d.info, TRUE);
            d.multiScan = jpeg_has_multiple_scans(&d.info);
        }))
        return;
    d.source.inHeaders = false;
    d.scanStart = d.source.taken - qint64(d.source.bytes_in_buffer);
    d.takeSegments();

    // The formats Qt's plugin gives; other component counts are not shown.
    if (d.info.num_components == 1) {
        d.info.out_color_space = JCS_GRAYSCALE;
        d.format = QImage::Format_Grayscale8;
    } else if (d.info.num_components == 3) {
        // Straight into the 32-bit pixels, their fourth byte filled with 0xff.
        d.info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        d.format = QImage::Format_RGB32;
    } else if (d.info.num_components == 4
        && (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK)) {
        d.info.out_color_space = JCS_CMYK;
        d.format = QImage::Format_RGB32;
    } else {
        d.why = QStringLiteral("a JPEG of %1 components").arg(d.info.num_components);
        return;
    }
    d.ok = true;
    if (!d.icc.isEmpty()) {
        const ToSrgb conversion = toSrgb(d.icc);
        const ToSrgb::Kind fits = d.info.num_components == 1 ? ToSrgb::Grey
            : d.info.num_components == 3                     ? ToSrgb::Rgb
                                                             : ToSrgb::Cmyk;
        if (conversion.kind() == fits)
            d.toSrgb = conversion;
    }
}

JpegDecoder::~JpegDecoder() { jpeg_destroy_decompress(&d_->info); }

bool JpegDecoder::ok() const { return d_->ok; }

QString JpegDecoder::why() const { return d_->why; }

bool JpegDecoder::refusedForMemory() const { return d_->tooLarge; }

QSize JpegDecoder::storedSize() const
{
    return d_->ok ? QSize(int(d_->info.image_width), int(d_->info.image_height)) : QSize();
}

QSize JpegDecoder::naturalSize() const { return quarterTurn(orientation()) ? storedSize().transposed() : storedSize(); }

int JpegDecoder::orientation() const { return d_->exif.orientation; }

const Exif& JpegDecoder::exif() const { return d_->exif; }

const QByteArray& JpegDecoder::iccProfile() const { return d_->icc; }

const ToSrgb& JpegDecoder::colourConversion() const { return d_->toSrgb; }

qint64 JpegDecoder::heldBytes() const { return d_->exif.thumbnail.size() + d_->icc.size(); }

void JpegDecoder::useOrientation(int orientation)
{
    if (orientation >= 1 && orientation <= 8)
        d_->exif.orientation = orientation;
}

bool JpegDecoder::endedEarly() const { return d_->source.endedEarly; }

bool JpegDecoder::progressive() const { return d_->ok && d_->info.progressive_mode; }

void JpegDecoder::useFirstScans() { d_->firstScans = progressive(); }

std::vector<int> JpegDecoder::blockSizes() const
{
    std::vector<int> sizes;
    for (int i = 0; d_->ok && i < d_->info.num_components; ++i)
#if JPEG_LIB_VERSION >= 70
        sizes.push_back(d_->info.comp_info[i].DCT_h_scaled_size);
#else
        sizes.push_back(d_->info.comp_info[i].DCT_scaled_size);
#endif
    return sizes;
}

bool JpegDecoder::useWindow(QRect stored)
{
    const QRect window = stored.intersected(QRect(QPoint(), storedSize()));
    if (!d_->ok || d_->multiScan || window.isEmpty())
        return false;
    d_->window = window;
    return true;
}

qint64 JpegDecoder::scanStart() const { return d_->scanStart; }

int jpegEighths(QSize size, QSize cover)
{
    const auto scaled = [](int length, int eighths) { return (qint64(length) * eighths + 7) / 8; };
    if (cover.isEmpty())
        return 8;
    int eighths = 1;
    while (eighths < 8
        && (scaled(size.width(), eighths) < cover.width() || scaled(size.height(), eighths) < cover.height()))
        ++eighths;
    return eighths;
}

qint64 JpegDecoder::prepare(QSize cell, bool shownAsIs)
{
    Private& d = *d_;
    if (!d.ok)
        return 0;
    const QSize wanted = quarterTurn(orientation()) ? cell.transposed() : cell;
    const int eighths = jpegEighths(storedSize(), wanted);
    const bool reduced = !cell.isEmpty() && !shownAsIs && d.window.isNull();
    d.info.scale_num = unsigned(eighths);
    d.info.scale_denom = 8;
    // A cell is smoothed down afterwards anyway: the fast transform and plain upsampling lose nothing
    // it shows. A full picture, and one shown at the scale it is decoded at, are decoded as Qt decodes it.
    d.info.dct_method = reduced ? JDCT_IFAST : JDCT_ISLOW;
    d.info.do_fancy_upsampling = reduced ? FALSE : TRUE;
    if (!d.guarded([&] { jpeg_calc_output_dimensions(&d.info); })) {
        d.ok = false;
        return 0;
    }
    d.output = d.window.isNull() ? QSize(int(d.info.output_width), int(d.info.output_height)) : d.window.size();
    const int depth = d.format == QImage::Format_Grayscale8 ? 8 : 32;
    const qint64 turnedCopy = orientation() == 1 ? 0 : imageBytes(outputSize(), depth);
    // A window's rows are decoded into a row of their own, a little wider than the window, and cut.
    const qint64 windowRow = d.window.isNull() ? 0 : imageBytes(QSize(d.window.width() + WindowMargin, 1), 32);
    d.cost = imageBytes(d.output, depth) + turnedCopy + d.workingBytes() + windowRow + heldBytes();
    return d.cost;
}

QSize JpegDecoder::outputSize() const { return quarterTurn(orientation()) ? d_->output.transposed() : d_->output; }

QImage JpegDecoder::decode(qint64 memoryLimit, const std::atomic<bool>* cancelled)
{
    Private& d = *d_;
    if (!d.ok)
        return {};
    if (d.cost < 0 && prepare(QSize()) == 0)
        return {};
    if (d.cost > memoryLimit) {
        d.why = QStringLiteral("the decode needs %1 bytes, more than the %2 allowed").arg(d.cost).arg(memoryLimit);
        d.tooLarge = true;
        return {};
    }
    d.info.mem->max_memory_to_use = long(std::min<qint64>(memoryLimit, std::numeric_limits<long>::max()));
    const std::atomic<bool>* const headerFlag = d.source.cancelled;
    d.progress.cancelled = d.source.cancelled = cancelled ? cancelled : headerFlag;

    QImage image(d.output, d.format);
    if (image.isNull()) {
        d.why = QStringLiteral("no memory for the picture");
        d.tooLarge = true;
        return {};
    }
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const bool cmyk = d.info.out_color_space == JCS_CMYK;
    const bool windowed = !d.window.isNull();
    const int samples = d.format == QImage::Format_Grayscale8 ? 1 : 4;
    // Rows that are converted or cut are decoded into a row of their own first.
    const size_t rowWidth = size_t(d.output.width()) + (windowed ? WindowMargin : 0);
    std::vector<JSAMPLE> ownRow(cmyk || windowed ? rowWidth * size_t(samples) : 0);
    int cut = 0; // where the window's first column lies in a decoded row
    // Interblock smoothing guesses the coefficients still missing, which the scales read from the
    // first scans do not use.
    d.info.buffered_image = d.firstScans;
    d.info.do_block_smoothing = !d.firstScans;
    const std::vector<int> sizes = d.firstScans ? blockSizes() : std::vector<int>();
    const bool cmykProfile = cmyk && d.toSrgb.kind() == ToSrgb::Cmyk;
    // Adobe's programs, which write the marker, store CMYK with 0 for full ink.
    const bool inverted = d.info.saw_Adobe_marker;
    const bool done = d.guarded([&] {
        jpeg_start_decompress(&d.info);
        if (d.firstScans)
            d.consumeFirstScans(sizes);
        const QSize frame = windowed ? storedSize() : d.output;
        if (int(d.info.output_width) != frame.width() || int(d.info.output_height) != frame.height())
            stop(reinterpret_cast<j_common_ptr>(&d.info), "the output size changed");
        if (windowed)
            cut = d.cropToWindow();
        if (windowed && size_t(d.info.output_width) > rowWidth)
            stop(reinterpret_cast<j_common_ptr>(&d.info), "the window's rows came wider than they can");
        for (int y = 0; y < d.output.height(); ++y) {
            uchar* const line = bits + stride * y;
            JSAMPROW row = ownRow.empty() ? line : ownRow.data();
            if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
                stop(reinterpret_cast<j_common_ptr>(&d.info), "no more rows");
            row += cut * samples;
            if (!cmyk) {
                if (windowed)
                    std::memcpy(line, row, size_t(d.output.width()) * size_t(samples));
                continue;
            }
            if (cmykProfile) {
                d.toSrgb.cmykRow(row, reinterpret_cast<QRgb*>(line), d.output.width(), inverted);
                continue;
            }
            // As Qt's plugin converts, whatever the Adobe marker says.
            auto* out = reinterpret_cast<QRgb*>(line);
            for (const JSAMPLE* in = row; in < row + 4 * d.output.width(); in += 4)
                *out++ = qRgb(in[3] * in[0] / 255, in[3] * in[1] / 255, in[3] * in[2] / 255);
        }
    });
    // Stops here even when the end marker is missing: nothing after the last row is read.
    jpeg_abort_decompress(&d.info);
    d.progress.cancelled = nullptr;
    d.source.cancelled = headerFlag;
    if (!done)
        return {};

    if (d.info.density_unit == 1 || d.info.density_unit == 2) {
        const double perMetre = d.info.density_unit == 1 ? 100 / 2.54 : 100;
        image.setDotsPerMeterX(int(perMetre * d.info.X_density));
        image.setDotsPerMeterY(int(perMetre * d.info.Y_density));
    }
    return oriented(std::move(image), orientation());
}

} // namespace tl
