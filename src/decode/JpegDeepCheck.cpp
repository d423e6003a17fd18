#include "decode/JpegDeepCheck.h"

#include "decode/LibjpegInput.h"
#include "paths/LongPath.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>

namespace {

// libjpeg errors that say the file is of a kind it does not read (lossless
// and hierarchical processes among them), rather than damaged.
bool IsUnsupportedError(int code)
{
    switch (code) {
    case JERR_ARITH_NOTIMPL:
    case JERR_BAD_PRECISION:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_EMPTY_IMAGE:
    case JERR_IMAGE_TOO_BIG:
    case JERR_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_SOF_UNSUPPORTED:
    case JERR_WIDTH_OVERFLOW:
        return true;
    default:
        return false;
    }
}

std::string TooLargeMessage(uint64_t maxPixels)
{
    return "image larger than " + std::to_string(maxPixels / 1000000) + " megapixels";
}

bool IsOutOfMemoryError(int code)
{
    return code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY;
}

// The decode's state. errors comes first: libjpeg hands the callbacks a
// pointer to errors.pub, and the first warning needs the rest.
struct DeepDecode {
    LibjpegErrors errors;
    bool headerRead = false;  // the first scan's header was reached
    bool warned = false;
    char message[JMSG_LENGTH_MAX] = {};
    int32_t row = -1;
};

static_assert(offsetof(DeepDecode, errors) == 0 && offsetof(LibjpegErrors, pub) == 0);

int32_t RowBeingRead(const jpeg_decompress_struct& cinfo, bool headerRead)
{
    if (!headerRead || cinfo.total_iMCU_rows == 0)
        return 0;
    // After the last row (a warning at the scan's end) the damage is in it.
    return static_cast<int32_t>(std::min(cinfo.input_iMCU_row, cinfo.total_iMCU_rows - 1));
}

// The first warning is enough to call the file damaged and to say where:
// decoding stops there, which also keeps a hostile file from costing more.
void StopAtFirstWarning(j_common_ptr common, int level)
{
    if (level >= 0)
        return;  // traces
    auto* decode = reinterpret_cast<DeepDecode*>(common->err);
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    decode->warned = true;
    (*common->err->format_message)(common, decode->message);
    decode->row = RowBeingRead(*cinfo, decode->headerRead);
    std::longjmp(decode->errors.jump, 1);
}

// Decodes at 1/8 scale into one row group of gray (or the file's own
// components): every scan's entropy-coded data is still decoded in full,
// but there is next to nothing to transform and nothing to convert.
void DecodeAll(jpeg_decompress_struct& cinfo, DeepDecode& decode, uint64_t maxPixels, DeepInfo& info)
{
    jpeg_read_header(&cinfo, TRUE);
    decode.headerRead = true;
    if (uint64_t{cinfo.image_width} * cinfo.image_height > maxPixels) {
        info.Verdict = DeepVerdict::NotDecoded;
        info.Message = TooLargeMessage(maxPixels);
        return;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB: cinfo.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: cinfo.out_color_space = JCS_CMYK; break;
    default: cinfo.out_color_space = cinfo.jpeg_color_space; break;
    }
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    jpeg_start_decompress(&cinfo);
    const JDIMENSION rows = std::max(1, cinfo.rec_outbuf_height);
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                   cinfo.output_width * cinfo.output_components, rows);
    while (cinfo.output_scanline < cinfo.output_height) {
        if (jpeg_read_scanlines(&cinfo, buffer, rows) == 0)
            break;  // cannot happen with a source that never suspends
    }
    jpeg_finish_decompress(&cinfo);
    info.Verdict = DeepVerdict::Sound;
    info.FirstBadRow = -1;
    info.SoundFraction = 1;
}

// Runs the decode over the source that setSource installs and fills the
// verdict, message and rows of info.
template <typename SetSource>
void Decode(SetSource setSource, const TKvJpegInfo& walk, uint64_t maxPixels, DeepInfo& info)
{
    jpeg_decompress_struct cinfo {};
    auto decode = std::make_unique<DeepDecode>();
    UseLibjpegErrors(cinfo, decode->errors);
    decode->errors.pub.emit_message = StopAtFirstWarning;
    jpeg_progress_mgr scanLimit {};

    if (setjmp(decode->errors.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        UseScanLimit(cinfo, scanLimit);
        cinfo.mem->max_memory_to_use = kDeepMemoryLimit;
        setSource(cinfo);
        DecodeAll(cinfo, *decode, maxPixels, info);
    } else if (!decode->warned && ScanLimitReached(cinfo)) {
        info.Verdict = DeepVerdict::NotDecoded;
        info.Message = "more than " + std::to_string(kMaxProgressiveScans) + " scans";
    } else {
        if (!decode->warned) {
            (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), decode->message);
            decode->row = RowBeingRead(cinfo, decode->headerRead);
        }
        info.Message = decode->message;
        const int code = cinfo.err->msg_code;
        if (!decode->warned && (IsUnsupportedError(code) || IsOutOfMemoryError(code))) {
            info.Verdict = DeepVerdict::NotDecoded;
            if (IsOutOfMemoryError(code))
                info.Message = "needs more than " + std::to_string(kDeepMemoryLimit >> 20) + " MiB to decode";
        } else if (!decode->headerRead && IsJpegErrorVerdict(walk.Verdict)) {
            // The walk found no complete scan header either: nothing to decode.
            info.Verdict = DeepVerdict::NotDecoded;
        } else {
            info.Verdict = DeepVerdict::Damaged;
            info.FirstBadRow = decode->row;
            const JDIMENSION total = decode->headerRead ? cinfo.total_iMCU_rows : 0;
            info.SoundFraction = total > 0 ? static_cast<double>(decode->row) / total : 0.0;
        }
    }
    jpeg_destroy_decompress(&cinfo);
}

// Whether the walk leaves anything to decode; if not, says why in info.
// Sizes and processes are left to libjpeg's reading of the headers: the walk
// reports the last frame header it met, which may be one that damage made
// out of the scan's bytes; libjpeg takes the first and calls a second one
// damage.
bool WorthDecoding(const TKvJpegInfo& walk, DeepInfo& info)
{
    info.Verdict = DeepVerdict::NotDecoded;
    if (walk.Verdict < jvOk || walk.Verdict > jvUnknownError || walk.ProcessCode < 0) {
        info.Message = "no image frame";
        return false;
    }
    return true;
}

int64_t ImageStart(const TKvJpegInfo& walk)
{
    return walk.HasMacBinaryHeader ? 128 : 0;
}

bool HasTrailer(const TKvJpegInfo& walk)
{
    return walk.ScanComplete && walk.TrailingBytes > 0 && walk.EndOffset > 0;
}

}  // namespace

std::string_view DeepVerdictText(DeepVerdict verdict)
{
    switch (verdict) {
    case DeepVerdict::Sound: return "sound";
    case DeepVerdict::Damaged: return "damaged";
    case DeepVerdict::NotDecoded: return "not decoded";
    }
    return "";
}

DeepInfo DeepCheckJpegFile(const std::string& path, const TKvJpegInfo& walk)
{
    DeepInfo info;
    const bool decode = WorthDecoding(walk, info);
    if (!decode && !HasTrailer(walk))
        return info;
    if (path.empty() || path.find('\0') != std::string::npos)
        return info;
    // Opened as the walk opens it: a FIFO put in the file's place never blocks.
    const int fd = OpenLongPath(AT_FDCWD, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 && (errno == EMFILE || errno == ENFILE))
        throw std::system_error(errno, std::generic_category(), "open");
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (decode)
            info.Message = fd < 0 ? std::string("cannot open: ") + std::strerror(errno) : "not a regular file";
        if (fd >= 0)
            ::close(fd);
        return info;
    }
    if (decode) {
        if (::lseek(fd, ImageStart(walk), SEEK_SET) < 0) {
            info.Message = std::string("cannot read: ") + std::strerror(errno);
        } else {
            auto source = std::make_unique<LibjpegFileSource>();
            Decode([&](jpeg_decompress_struct& cinfo) { UseFileSource(cinfo, *source, fd); }, walk, kMaxDecodedPixels,
                   info);
        }
    }
    if (HasTrailer(walk)) {
        info.Trailer = ClassifyTrailer(
            [fd](uint64_t offset, uint8_t* buffer, size_t size) {
                size_t done = 0;
                while (done < size) {
                    const ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n <= 0)
                        break;
                    done += static_cast<size_t>(n);
                }
                return done;
            },
            ImageStart(walk), walk.EndOffset, walk.TrailingBytes);
    }
    ::close(fd);
    return info;
}

DeepInfo DeepCheckJpegData(std::span<const uint8_t> data, const TKvJpegInfo& walk, uint64_t maxPixels)
{
    DeepInfo info;
    const size_t start = static_cast<size_t>(ImageStart(walk));
    if (WorthDecoding(walk, info) && data.size() > start) {
        const std::span<const uint8_t> image = data.subspan(start);
        Decode([&](jpeg_decompress_struct& cinfo) {
            jpeg_mem_src(&cinfo, image.data(), static_cast<unsigned long>(image.size()));
        }, walk, maxPixels, info);
    }
    if (HasTrailer(walk)) {
        info.Trailer = ClassifyTrailer(
            [data](uint64_t offset, uint8_t* buffer, size_t size) -> size_t {
                if (offset >= data.size())
                    return 0;
                const size_t n = std::min<size_t>(size, data.size() - offset);
                std::memcpy(buffer, data.data() + offset, n);
                return n;
            },
            ImageStart(walk), walk.EndOffset, walk.TrailingBytes);
    }
    return info;
}
