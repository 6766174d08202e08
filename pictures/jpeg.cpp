#include "pictures/jpeg.h"

#include "pictures/jpegprivate.h"

#include <algorithm>

namespace tl {

using namespace jpegdetail;

qint64 JpegDecoder::Private::workingBytes() const
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

} // namespace tl
