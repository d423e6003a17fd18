#include "decode/JpegDeepCheck.h"

#include "decode/DeepDamage.h"
#include "decode/JpegCoding.h"
#include "decode/LibjpegInput.h"
#include "paths/LongPath.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>

namespace {

// What libjpeg will hold to decode: the coefficients of every block when the
// image comes in more than one scan, else little more than a row of MCUs.
uint64_t MemoryNeeded(const jpeg_decompress_struct& cinfo)
{
    uint64_t bytes = 1u << 20;
    if (!cinfo.progressive_mode && cinfo.comps_in_scan == cinfo.num_components)
        return bytes;
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        const jpeg_component_info& c = cinfo.comp_info[ci];
        const uint64_t across = (uint64_t{c.width_in_blocks} + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const uint64_t down = (uint64_t{c.height_in_blocks} + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        bytes += across * down * sizeof(JBLOCK);
    }
    return bytes;
}

std::string MiB(uint64_t bytes)
{
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

// Takes what the decode needs from the budget; false, with the reason in
// info, when the file is over a limit.
bool TakeMemory(const jpeg_decompress_struct& cinfo, DeepDecode& decode, DeepInfo& info)
{
    const uint64_t need = MemoryNeeded(cinfo);
    if (need > static_cast<uint64_t>(kDeepMemoryLimit)) {
        info.Message = "needs more than " + std::to_string(kDeepMemoryLimit >> 20) + " MiB to decode";
        return false;
    }
    if (!decode.budget)
        return true;
    if (!decode.budget->take(need)) {
        info.Message = "needs " + MiB(need) + " to decode, more than the memory budget of " +
                       MiB(decode.budget->total()) + " (--deep-memory)";
        return false;
    }
    decode.taken = need;
    return true;
}

std::string TooLargeMessage(uint64_t maxPixels)
{
    return "image larger than " + std::to_string(maxPixels / 1000000) + " megapixels";
}

// Decodes at 1/8 scale into one row group of gray (or the file's own
// components): every scan's entropy-coded data is still decoded in full,
// but there is next to nothing to transform and nothing to convert.
// False, with the reason in info, when the file is over a limit.
bool DecodeAll(jpeg_decompress_struct& cinfo, DeepDecode& decode, uint64_t maxPixels, DeepInfo& info)
{
    jpeg_read_header(&cinfo, TRUE);
    decode.inScans = true;
    decode.rows.reset(cinfo.total_iMCU_rows);
    info.RowHeight = cinfo.max_v_samp_factor * DCTSIZE;
    if (uint64_t{cinfo.image_width} * cinfo.image_height > maxPixels) {
        info.Message = TooLargeMessage(maxPixels);
        return false;
    }
    if (!TakeMemory(cinfo, decode, info))
        return false;
    CountRestartMarkers(cinfo, decode);
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
    // One scan: the blocks reach the inverse DCT as they are decoded, so
    // their DC coefficients can say where decoding went out of step.
    if (!cinfo.progressive_mode && cinfo.comps_in_scan == cinfo.num_components)
        WatchDcCoefficients(cinfo, decode);
    const JDIMENSION rows = std::max(1, cinfo.rec_outbuf_height);
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                   cinfo.output_width * cinfo.output_components, rows);
    while (cinfo.output_scanline < cinfo.output_height) {
        if (jpeg_read_scanlines(&cinfo, buffer, rows) == 0)
            break;  // cannot happen with a source that never suspends
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

void JudgeDamage(const DeepDecode& decode, DeepInfo& info)
{
    info.Verdict = DeepVerdict::Damaged;
    info.Message = decode.message;
    info.FirstBadRow = std::max(decode.rows.first(), 0);
    info.SoundFraction = decode.rows.first() < 0 ? 0.0 : decode.rows.soundShare();
    info.DamagedRows = decode.rows.spans();
}

// The verdict of a decode that went to its end.
void JudgeFinished(DeepDecode& decode, const jpeg_decompress_struct& cinfo, DeepInfo& info)
{
    CloseDamage(decode, LastRow(cinfo));
    if (decode.damaged) {
        JudgeDamage(decode, info);
        return;
    }
    info.Verdict = decode.headerWarned ? DeepVerdict::Warning : DeepVerdict::Sound;
    info.Message = decode.headerWarned ? decode.headerWarning : "";
    info.FirstBadRow = -1;
    info.SoundFraction = 1;
}

// The verdict of a decode that libjpeg stopped with an error, or that
// stopped itself at damage it cannot get past. Leaves info not decoded, with
// the reason, for a coding libjpeg does not decode or a limit.
void JudgeStop(jpeg_decompress_struct& cinfo, DeepDecode& decode, const ReadAtFunction& readAt, int64_t imageStart,
               DeepInfo& info)
{
    if (decode.stopped) {
        CloseDamage(decode, LastRow(cinfo));
        JudgeDamage(decode, info);
        return;
    }
    const int code = cinfo.err->msg_code;
    if (ScanLimitReached(cinfo)) {
        info.Message = "more than " + std::to_string(kMaxProgressiveScans) + " scans";
        return;
    }
    if (IsOutOfMemoryError(code)) {
        info.Message = "needs more than " + std::to_string(kDeepMemoryLimit >> 20) + " MiB to decode";
        return;
    }
    char text[JMSG_LENGTH_MAX];
    (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
    if (!decode.inScans) {
        if (code == JERR_ARITH_NOTIMPL) {
            info.Message = "arithmetic-coded JPEG is not decoded";
            return;
        }
        if (IsLimitError(code)) {
            info.Message = text;
            return;
        }
        if (MayBeUnsupportedCoding(code)) {
            info.Message = UnsupportedCoding(readAt, imageStart);
            if (!info.Message.empty())
                return;
        }
    }
    if (!decode.damaged)
        std::memcpy(decode.message, text, sizeof text);
    decode.damaged = true;
    if (decode.inScans && !decode.damageOpen) {
        decode.damageOpen = true;
        // libjpeg gives no picture at all of a file of several scans that it
        // stops in: the pixels come out after the last scan.
        const bool severalScans = cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components;
        decode.damageStart = severalScans ? 0 : DamageStartRow(decode, cinfo);
    }
    if (decode.inScans)
        CloseDamage(decode, LastRow(cinfo));
    // A header libjpeg rejects leaves no row: FirstBadRow 0, nothing sound.
    JudgeDamage(decode, info);
}

// Runs the decode over the source that setSource installs and fills the
// verdict, message and rows of info; readAt reads the same image for a
// second look at its headers.
template <typename SetSource>
void Decode(const LibjpegSlicedSource& source, SetSource setSource, const ReadAtFunction& readAt, int64_t imageStart,
            uint64_t maxPixels, DeepMemoryBudget* budget, DeepInfo& info)
{
    jpeg_decompress_struct cinfo {};
    auto decode = std::make_unique<DeepDecode>();
    decode->budget = budget;
    decode->source = &source;
    UseLibjpegErrors(cinfo, decode->errors);
    decode->errors.pub.emit_message = OnDeepMessage;
    jpeg_progress_mgr scanLimit {};

    info.Verdict = DeepVerdict::NotDecoded;
    if (setjmp(decode->errors.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        UseScanLimit(cinfo, scanLimit);
        cinfo.mem->max_memory_to_use = kDeepMemoryLimit;
        setSource(cinfo);
        if (DecodeAll(cinfo, *decode, maxPixels, info))
            JudgeFinished(*decode, cinfo, info);
    } else {
        JudgeStop(cinfo, *decode, readAt, imageStart, info);
    }
    jpeg_destroy_decompress(&cinfo);
    if (budget && decode->taken > 0)
        budget->giveBack(decode->taken);
}

// Whether the walk leaves anything to decode; if not, says why in info.
// Sizes and processes are left to libjpeg's reading of the headers: the walk
// reports the last frame header it met, which may be one that damage made
// out of the scan's bytes; libjpeg takes the first and calls a second one
// damage. A file of JPEG segments without any frame header has no picture
// at all: damaged.
bool WorthDecoding(const TKvJpegInfo& walk, DeepInfo& info)
{
    info.Verdict = DeepVerdict::NotDecoded;
    const bool segments = walk.Verdict >= jvOk && walk.Verdict <= jvUnknownError;
    if (!segments || walk.ProcessCode < 0) {
        info.Message = "no image frame";
        if (segments) {
            info.Verdict = DeepVerdict::Damaged;
            info.FirstBadRow = 0;
            info.SoundFraction = 0;
        }
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

size_t ReadAtDescriptor(int fd, uint64_t offset, uint8_t* buffer, size_t size)
{
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
}

// The data regions of fd from offset on, by the file system's map: holes of
// a sparse file are zeros that need no reading.
DataExtent NextDataOfDescriptor(int fd, uint64_t offset, uint64_t end)
{
    const off_t data = ::lseek(fd, static_cast<off_t>(offset), SEEK_DATA);
    if (data < 0)
        return errno == ENXIO ? DataExtent{end, end} : DataExtent{offset, end};
    const off_t hole = ::lseek(fd, data, SEEK_HOLE);
    const uint64_t dataEnd = hole < 0 ? end : std::min<uint64_t>(static_cast<uint64_t>(hole), end);
    return {std::min<uint64_t>(static_cast<uint64_t>(data), end), dataEnd};
}

}  // namespace

std::string_view DeepVerdictText(DeepVerdict verdict)
{
    switch (verdict) {
    case DeepVerdict::Sound: return "sound";
    case DeepVerdict::Damaged: return "damaged";
    case DeepVerdict::NotDecoded: return "not decoded";
    case DeepVerdict::Warning: return "warning";
    }
    return "";
}

bool IsDeepFailure(DeepVerdict verdict, bool strict)
{
    return verdict == DeepVerdict::Damaged || (strict && verdict == DeepVerdict::Warning);
}

DeepInfo DeepCheckJpegFile(const std::string& path, const TKvJpegInfo& walk, DeepMemoryBudget* budget)
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
    const ReadAtFunction readAt = [fd](uint64_t offset, uint8_t* buffer, size_t size) {
        return ReadAtDescriptor(fd, offset, buffer, size);
    };
    if (decode) {
        if (::lseek(fd, ImageStart(walk), SEEK_SET) < 0) {
            info.Message = std::string("cannot read: ") + std::strerror(errno);
        } else {
            auto source = std::make_unique<LibjpegSlicedSource>();
            Decode(*source, [&](jpeg_decompress_struct& cinfo) { UseSlicedSource(cinfo, *source, fd); }, readAt,
                   ImageStart(walk), kMaxDecodedPixels, budget, info);
        }
    }
    if (HasTrailer(walk)) {
        const uint64_t end = static_cast<uint64_t>(st.st_size);
        info.Trailer = ClassifyTrailer(readAt, ImageStart(walk), walk.EndOffset, walk.TrailingBytes,
                                       [fd, end](uint64_t offset) { return NextDataOfDescriptor(fd, offset, end); });
    }
    ::close(fd);
    return info;
}

DeepInfo DeepCheckJpegData(std::span<const uint8_t> data, const TKvJpegInfo& walk, uint64_t maxPixels)
{
    DeepInfo info;
    const size_t start = static_cast<size_t>(ImageStart(walk));
    const ReadAtFunction readAt = [data](uint64_t offset, uint8_t* buffer, size_t size) -> size_t {
        if (offset >= data.size())
            return 0;
        const size_t n = std::min<size_t>(size, data.size() - offset);
        std::memcpy(buffer, data.data() + offset, n);
        return n;
    };
    if (WorthDecoding(walk, info) && data.size() > start) {
        auto source = std::make_unique<LibjpegSlicedSource>();
        const std::span<const uint8_t> image = data.subspan(start);
        Decode(*source,
               [&](jpeg_decompress_struct& cinfo) { UseSlicedSource(cinfo, *source, image.data(), image.size()); },
               readAt, ImageStart(walk), maxPixels, nullptr, info);
    }
    if (HasTrailer(walk))
        info.Trailer = ClassifyTrailer(readAt, ImageStart(walk), walk.EndOffset, walk.TrailingBytes);
    return info;
}
