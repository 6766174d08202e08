#include "pictures/pngreader.h"

#include "pictures/colour.h"
#include "pictures/colourtags.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <png.h>

namespace tl {

// Plain data only: libpng jumps out of the functions that use it.
struct PngReader::State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QIODevice* device = nullptr;
    qint64 chunkLeft = 8; // bytes of the chunk being passed on (at first the signature)
    uchar header[8] {};
    int headerLeft = 0; // bytes of a chunk's header read but not yet passed on
    int colourType = 0; // as the file has it, before the rows are made 32-bit
    char message[160] {};
};

namespace {

    using State = PngReader::State;

    // The chunks that say how the pixels look, and those that hold them. Every other ancillary chunk
    // (text, EXIF, an animation's frames, anything unknown) is passed over before libpng sees it, and
    // is not read; an unknown critical chunk still goes to libpng, which refuses the file.
    bool passedOn(const uchar* type)
    {
        static const char* const kept[] = { "tRNS", "gAMA", "cHRM", "sRGB", "iCCP" };
        if (!(type[0] & 0x20))
            return true;
        return std::any_of(
            std::begin(kept), std::end(kept), [&](const char* name) { return std::memcmp(type, name, 4) == 0; });
    }

    // A profile's chunk can be no longer than the profile may be, nor can any other chunk libpng holds
    // in memory; a longer ancillary chunk is passed over unread.
    constexpr quint32 LongestChunk = quint32(ColourProfileLimit);

    void fail(png_structp png) { png_error(png, "the file ends before its picture does"); }

    bool readExactly(State* state, void* into, qint64 bytes)
    {
        return state->device->read(static_cast<char*>(into), bytes) == bytes;
    }

    // libpng's reads: the file's chunks, but for those passed over.
    void readChunks(png_structp png, png_bytep data, size_t length)
    {
        auto* state = static_cast<State*>(png_get_io_ptr(png));
        while (length > 0) {
            if (state->headerLeft > 0) {
                const size_t take = std::min<size_t>(length, size_t(state->headerLeft));
                std::memcpy(data, state->header + 8 - state->headerLeft, take);
                state->headerLeft -= int(take);
                data += take;
                length -= take;
                continue;
            }
            if (state->chunkLeft == 0) {
                if (!readExactly(state, state->header, 8))
                    fail(png);
                const quint32 bytes = qFromBigEndian<quint32>(state->header);
                const uchar* type = state->header + 4;
                const bool ancillary = type[0] & 0x20;
                if (bytes <= 0x7fffffffu && (!passedOn(type) || (ancillary && bytes > LongestChunk))) {
                    if (state->device->skip(qint64(bytes) + 4) != qint64(bytes) + 4)
                        fail(png);
                    continue;
                }
                state->chunkLeft = qint64(bytes) + 4;
                state->headerLeft = 8;
                continue;
            }
            const qint64 take = std::min<qint64>(qint64(std::min<size_t>(length, 1u << 30)), state->chunkLeft);
            if (!readExactly(state, data, take))
                fail(png);
            state->chunkLeft -= take;
            data += take;
            length -= size_t(take);
        }
    }

    void onError(png_structp png, png_const_charp message)
    {
        auto* state = static_cast<State*>(png_get_error_ptr(png));
        std::strncpy(state->message, message, sizeof state->message - 1);
        png_longjmp(png, 1);
    }

    void onWarning(png_structp, png_const_charp) { }

    // The frames libpng may jump back to: nothing in them has a destructor.
    bool readHeaders(State* state, int* passes)
    {
        if (setjmp(png_jmpbuf(state->png)))
            return false;
        png_structp png = state->png;
        // The size is bounded by the decode's budget, not here.
        png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
        png_set_chunk_cache_max(png, 16);
        png_set_chunk_malloc_max(png, LongestChunk);
        png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_WARN_DISCARD);
        png_set_benign_errors(png, 1);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_read_fn(png, state, readChunks);
        png_read_info(png, state->info);
        state->colourType = png_get_color_type(png, state->info);
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
#else
        png_set_swap_alpha(png);
        png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
#endif
        *passes = png_set_interlace_handling(png);
        return true;
    }

    // Allocates libpng's row buffers: done once the decode has its share of the budget.
    bool startRows(State* state)
    {
        if (setjmp(png_jmpbuf(state->png)))
            return false;
        png_read_update_info(state->png, state->info);
        return true;
    }

    // The interlaced picture's rows are handed over as the rows shown, so that each pass spreads its
    // pixels over the rows the later passes fill in.
    bool readOneRow(State* state, png_bytep row, bool interlaced)
    {
        if (setjmp(png_jmpbuf(state->png)))
            return false;
        png_read_row(state->png, interlaced ? nullptr : row, interlaced ? row : nullptr);
        return true;
    }

} // namespace

PngReader::PngReader(QIODevice& device)
    : state_(new State)
{
    state_->device = &device;
    state_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state_, onError, onWarning);
    if (!state_->png)
        return;
    state_->info = png_create_info_struct(state_->png);
    if (!state_->info || !readHeaders(state_, &passes_))
        return;
    const png_uint_32 width = png_get_image_width(state_->png, state_->info);
    const png_uint_32 height = png_get_image_height(state_->png, state_->info);
    size_ = QSize(int(width), int(height));
    interlaced_ = png_get_interlace_type(state_->png, state_->info) != PNG_INTERLACE_NONE;
    const int type = state_->colourType;
    hasAlpha_ = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(state_->png, state_->info, PNG_INFO_tRNS);
    grey_ = !(type & PNG_COLOR_MASK_COLOR);
    ok_ = true;
}

PngReader::~PngReader()
{
    png_destroy_read_struct(&state_->png, &state_->info, nullptr);
    delete state_;
}

QString PngReader::why() const { return QString::fromLatin1(state_->message); }

qint64 PngReader::workingBytes() const
{
    // Its row buffers, at up to eight bytes a pixel before 16-bit samples are reduced, the rows
    // padded for interlacing; the inflater and its window; the profile as read and as kept.
    return 3 * 8 * (qint64(size_.width()) + 8) + (qint64(128) << 10) + 2 * qint64(iccProfile().size());
}

QByteArray PngReader::iccProfile() const
{
    png_charp name = nullptr;
    int method = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (!ok_ || !png_get_iCCP(state_->png, state_->info, &name, &method, &profile, &length))
        return {};
    return QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
}

bool PngReader::srgb() const { return ok_ && png_get_valid(state_->png, state_->info, PNG_INFO_sRGB); }

std::optional<Colorimetry> PngReader::colorimetry() const
{
    if (!ok_)
        return {};
    png_fixed_point gamma = 0;
    const bool hasGamma = png_get_gAMA_fixed(state_->png, state_->info, &gamma) && gamma > 0;
    png_fixed_point c[8] {};
    const bool hasChromaticities
        = png_get_cHRM_fixed(state_->png, state_->info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]);
    if (!hasGamma && !hasChromaticities)
        return {};
    Colorimetry colours;
    if (hasChromaticities) {
        const auto at = [&](int i) { return QPointF(c[i] / 100000.0, c[i + 1] / 100000.0); };
        colours.white = at(0);
        colours.red = at(2);
        colours.green = at(4);
        colours.blue = at(6);
    }
    if (hasGamma) {
        colours.curve = ToneCurve::Power;
        colours.gamma = 100000.0 / gamma;
    }
    return colours;
}

bool PngReader::readRow(uchar* row)
{
    if (ok_ && !started_) {
        started_ = true;
        ok_ = startRows(state_);
        if (ok_ && png_get_rowbytes(state_->png, state_->info) != size_t(size_.width()) * 4) {
            std::strcpy(state_->message, "the rows are not of four bytes a pixel");
            ok_ = false;
        }
    }
    if (ok_ && !readOneRow(state_, row, interlaced_))
        ok_ = false;
    return ok_;
}

} // namespace tl
