#include "decode/LibjpegInput.h"

#include <cerrno>

#include <unistd.h>

#include <jerror.h>

namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<LibjpegErrors*>(cinfo->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

// The error code the scan limit stops with: one that no input can raise in
// a build that reads every supported process.
constexpr int kScanLimitCode = JERR_NOT_COMPILED;

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<LibjpegFileSource*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<LibjpegFileSource*>(cinfo->src);
    ssize_t count;
    do
        count = ::read(source->fd, source->buffer, sizeof source->buffer);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
    if (count == 0) {
        if (source->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<size_t>(count);
    source->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* source = cinfo->src;
    size_t remaining = static_cast<size_t>(count);
    while (remaining > source->bytes_in_buffer) {
        remaining -= source->bytes_in_buffer;
        FillInputBuffer(cinfo);  // an early end inserts an EOI: the skip stops there
    }
    source->next_input_byte += remaining;
    source->bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

// Refills the sliced source's own buffer; false at the end of the input.
bool ReadMore(j_decompress_ptr cinfo, LibjpegSlicedSource& source)
{
    if (source.fd < 0) {
        if (source.memory == nullptr)
            return false;
        source.next = source.memory;
        source.left = source.memorySize;
        source.memory = nullptr;
        return source.left > 0;
    }
    ssize_t count;
    do
        count = ::read(source.fd, source.buffer, sizeof source.buffer);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
    source.next = source.buffer;
    source.left = static_cast<size_t>(count);
    return count > 0;
}

boolean FillSlice(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<LibjpegSlicedSource*>(cinfo->src);
    if (source->left == 0 && !ReadMore(cinfo, *source)) {
        if (source->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        source->pub.next_input_byte = kEndOfImage;
        source->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    const size_t slice = source->left < kSliceBytes ? source->left : kSliceBytes;
    source->pub.next_input_byte = source->next;
    source->pub.bytes_in_buffer = slice;
    source->next += slice;
    source->left -= slice;
    source->handedOut += slice;
    source->startOfFile = false;
    return TRUE;
}

void SkipSlices(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    auto* source = reinterpret_cast<LibjpegSlicedSource*>(cinfo->src);
    size_t remaining = static_cast<size_t>(count);
    while (remaining > source->pub.bytes_in_buffer) {
        remaining -= source->pub.bytes_in_buffer;
        source->pub.bytes_in_buffer = 0;
        // Whole slices are skipped without handing them out.
        const size_t direct = remaining < source->left ? remaining : source->left;
        source->next += direct;
        source->left -= direct;
        source->handedOut += direct;
        remaining -= direct;
        if (remaining == 0)
            return;
        FillSlice(cinfo);  // an early end inserts an EOI: the skip stops there
    }
    source->pub.next_input_byte += remaining;
    source->pub.bytes_in_buffer -= remaining;
}

void InitSlicedSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<LibjpegSlicedSource*>(cinfo->src)->startOfFile = true;
}

void UseSlices(jpeg_decompress_struct& cinfo, LibjpegSlicedSource& source)
{
    source.pub.init_source = InitSlicedSource;
    source.pub.fill_input_buffer = FillSlice;
    source.pub.skip_input_data = SkipSlices;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    cinfo.src = &source.pub;
}

void StopAfterTooManyScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxProgressiveScans)
        ERREXIT(cinfo, kScanLimitCode);
}

}  // namespace

void UseLibjpegErrors(jpeg_decompress_struct& cinfo, LibjpegErrors& errors)
{
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = IgnoreMessage;
    errors.pub.output_message = IgnoreOutput;
}

void UseScanLimit(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& monitor)
{
    monitor.progress_monitor = StopAfterTooManyScans;
    cinfo.progress = &monitor;
}

bool ScanLimitReached(const jpeg_decompress_struct& cinfo)
{
    return cinfo.err->msg_code == kScanLimitCode && cinfo.input_scan_number > kMaxProgressiveScans;
}

void UseFileSource(jpeg_decompress_struct& cinfo, LibjpegFileSource& source, int fd)
{
    source.fd = fd;
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInputBuffer;
    source.pub.skip_input_data = SkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    cinfo.src = &source.pub;
}

void UseSlicedSource(jpeg_decompress_struct& cinfo, LibjpegSlicedSource& source, int fd)
{
    source.fd = fd;
    UseSlices(cinfo, source);
}

void UseSlicedSource(jpeg_decompress_struct& cinfo, LibjpegSlicedSource& source, const uint8_t* data, size_t size)
{
    source.fd = -1;
    source.memory = data;
    source.memorySize = size;
    UseSlices(cinfo, source);
}

uint64_t SlicedSourceOffset(const jpeg_decompress_struct& cinfo, const LibjpegSlicedSource& source)
{
    const size_t unread = cinfo.src == &source.pub ? source.pub.bytes_in_buffer : 0;
    return unread < source.handedOut ? source.handedOut - unread : 0;
}
