// JpegDecoder's source manager and segment reading: the file fed to libjpeg a chunk at a time within
// the read bounds, the segments kept from the headers, and the handlers that leave libjpeg.

#include "pictures/jpegprivate.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tl {

namespace {

    // What is read after a segment was passed over: most often only the next segment's header is wanted.
    constexpr qint64 ChunkAfterSkip = 4 * 1024;
    // The most a file's headers and tables may take up to its first scan: a file whose headers run
    // further is refused. Its scans may then take at most this much per pixel and component on top:
    // a source past that is taken to end, so that a picture followed by a long tail (or a device that
    // never ends) is not read to its end.
    constexpr qint64 HeaderBound = qint64(16) << 20;
    constexpr qint64 ScanBytesPerSample = 2;

    // The segments kept from the headers, each up to its own bound; every other segment is passed
    // over unread.
    constexpr char ExifHeader[] = "Exif\0"; // and a second zero, the string's end
    constexpr qint64 ExifHeaderBytes = 6;
    constexpr char IccHeader[] = "ICC_PROFILE"; // then a zero, the chunk's number and the count
    constexpr qint64 IccHeaderBytes = 14;
    constexpr qint64 IccBound = qint64(4) << 20;

    using jpegdetail::Source;
    using jpegdetail::stop;

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

} // namespace

namespace jpegdetail {

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

    void dropMessage(j_common_ptr) { }

    void noSourceAction(j_decompress_ptr) { }

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

} // namespace jpegdetail

void JpegDecoder::Private::readBytes(j_decompress_ptr info, char* out, qint64 count)
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

boolean JpegDecoder::Private::readSegment(j_decompress_ptr info)
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

void JpegDecoder::Private::takeSegments()
{
    exif = readExif(exifBlock);
    exifBlock = QByteArray();
    for (int number = 1; number <= iccCount && !iccBroken; ++number)
        iccBroken = !iccSeen[number];
    for (int number = 1; number <= iccCount && !iccBroken; ++number)
        icc += iccChunks[number];
    iccChunks = {};
}

} // namespace tl
