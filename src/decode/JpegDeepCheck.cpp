#include "decode/JpegDeepCheck.h"

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
// The marker reader's restart hook and the inverse DCT's table of methods:
// where the deep check learns which restart interval and row libjpeg is in.
#include <jpegint.h>

namespace {

// --- Codings libjpeg does not decode ------------------------------------

// libjpeg errors that a well-formed file of a coding libjpeg does not decode
// raises too; which of the two a file is, its frame header tells.
bool MayBeUnsupportedCoding(int code)
{
    switch (code) {
    case JERR_ARITH_NOTIMPL:
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_SOF_UNSUPPORTED:
    case JERR_UNKNOWN_MARKER:  // DHP and EXP, the markers of hierarchical files
        return true;
    default:
        return false;
    }
}

// Errors over a limit of libjpeg or of this check's output, whatever the file.
bool IsLimitError(int code)
{
    switch (code) {
    case JERR_CONVERSION_NOTIMPL:
    case JERR_IMAGE_TOO_BIG:
    case JERR_NOTIMPL:
    case JERR_WIDTH_OVERFLOW:
        return true;
    default:
        return false;
    }
}

bool IsOutOfMemoryError(int code)
{
    return code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY;
}

// Names the coding of a well-formed frame that libjpeg (8-bit, DCT, not
// hierarchical) does not decode, from the segments before the first scan;
// empty when the headers are not such a frame (then libjpeg's refusal is
// damage). T.81 B.2.2: precision 8 for baseline, 8 or 12 for the other DCT
// processes, 2 to 16 for lossless; differential frames (SOF5-7, SOF13-15)
// only after a DHP segment (B.3.2).
std::string UnsupportedCoding(const ReadAtFunction& readAt, int64_t imageStart)
{
    constexpr int kMaxSegments = 256;
    uint64_t pos = static_cast<uint64_t>(imageStart) + 2;
    bool hierarchical = false;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        uint8_t head[4];
        if (readAt(pos, head, 4) != 4 || head[0] != 0xFF)
            return {};
        const uint8_t marker = head[1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        const size_t length = size_t{head[2]} << 8 | head[3];
        if (marker == 0xDA || marker == 0xD9 || length < 2)
            return {};
        if (marker == 0xDE)
            hierarchical = true;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint8_t sof[6];
            if (length < 8 || readAt(pos + 4, sof, 6) != 6)
                return {};
            const int precision = sof[0];
            const size_t components = sof[5];
            if (components == 0 || length != 8 + 3 * components)
                return {};
            const int process = marker & 0x0F;  // 0-2 DCT, 3 lossless, 5-7 differential; +8 arithmetic
            const bool differential = (process & 3) != 0 && (process & 4) != 0;
            const bool lossless = (process & 3) == 3;
            if (differential && !hierarchical)
                return {};
            if (hierarchical)
                return "hierarchical JPEG (SOF" + std::to_string(marker - 0xC0) + ") is not decoded";
            if (lossless)
                return precision >= 2 && precision <= 16
                           ? "lossless JPEG (SOF" + std::to_string(marker - 0xC0) + ") is not decoded"
                           : std::string();
            if (precision == 12 && marker != 0xC0)
                return "12-bit JPEG is not decoded";
            return {};
        }
        pos += 2 + length;
    }
    return {};
}

// --- The decode ------------------------------------------------------------

// Where damage lies: one flag per MCU row of the image.
class DamagedRows {
public:
    void reset(size_t rows) { rows_.assign(rows, 0); }
    size_t size() const { return rows_.size(); }
    void mark(int64_t first, int64_t last)
    {
        const int64_t end = static_cast<int64_t>(rows_.size());
        for (int64_t row = std::max<int64_t>(first, 0); row <= last && row < end; ++row)
            rows_[static_cast<size_t>(row)] = 1;
    }
    int32_t first() const
    {
        const auto it = std::find(rows_.begin(), rows_.end(), 1);
        return it == rows_.end() ? -1 : static_cast<int32_t>(it - rows_.begin());
    }
    double soundShare() const
    {
        if (rows_.empty())
            return 0.0;
        const auto bad = std::count(rows_.begin(), rows_.end(), 1);
        return static_cast<double>(static_cast<int64_t>(rows_.size()) - bad) / static_cast<double>(rows_.size());
    }

private:
    std::vector<uint8_t> rows_;
};

// A DC coefficient of 8-bit samples is 8 times the block's mean level
// (-128..127), so never beyond 1024 in size (T.81 A.3.3); half again leaves
// room for encoders that let samples overshoot. Decoding out of step makes
// the DC predictions wander off as a random walk and soon past this.
constexpr long kMostDc = 1536;

// The decode's state. errors comes first: libjpeg hands the callbacks a
// pointer to errors.pub, and they need the rest.
struct DeepDecode {
    LibjpegErrors errors;
    DeepMemoryBudget* budget = nullptr;
    uint64_t taken = 0;          // from budget, given back after the decode
    bool inScans = false;        // jpeg_read_header has returned
    bool headerWarned = false;   // a warning before the first scan
    char headerWarning[JMSG_LENGTH_MAX] = {};
    bool damaged = false;        // a warning in the scans
    char message[JMSG_LENGTH_MAX] = {};
    bool stopped = false;        // left through longjmp after a warning
    // Damage not yet closed by a restart that libjpeg took cleanly.
    bool damageOpen = false;
    int64_t damageStart = 0;     // its first MCU row
    // Restart markers libjpeg has read in scan restartScan.
    int restartScan = -1;
    int64_t restartsDone = 0;
    bool resynced = false;       // libjpeg went looking for a lost restart marker
    bool inRestart = false;      // libjpeg is reading a restart marker
    // libjpeg took a restart marker that is not the one it looked for as if
    // it were: the intervals after it land in the wrong place, to the scan's end.
    bool misplaced = false;
    // Bytes per restart interval in this scan, from the source's position at
    // each marker: bytes skipped for many intervals' worth mean markers lost.
    const LibjpegSlicedSource* source = nullptr;
    uint64_t scanStartOffset = 0;
    jpeg_marker_parser_method readRestart = nullptr;
    // The first row with a DC coefficient no encoder writes: where decoding
    // out of step probably began, for damage that libjpeg notices later.
    int64_t implausibleRow = -1;
    inverse_DCT_method_ptr idct[MAX_COMPONENTS] = {};
    DamagedRows rows;
};

static_assert(offsetof(DeepDecode, errors) == 0 && offsetof(LibjpegErrors, pub) == 0);

DeepDecode& DecodeOf(j_decompress_ptr cinfo)
{
    return *reinterpret_cast<DeepDecode*>(cinfo->err);
}

int64_t LastRow(const jpeg_decompress_struct& cinfo)
{
    return static_cast<int64_t>(cinfo.total_iMCU_rows) - 1;
}

int64_t RowBeingRead(const jpeg_decompress_struct& cinfo)
{
    // After the last row (a warning at the scan's end) the damage is in it.
    return std::min<int64_t>(cinfo.input_iMCU_row, LastRow(cinfo));
}

// The MCU row of the image that MCU number mcu of the current scan lies in.
// A scan of one component has blocks for MCUs, v_samp_factor rows of them
// to an MCU row of the image.
int64_t RowOfMcu(const jpeg_decompress_struct& cinfo, int64_t mcu)
{
    if (cinfo.MCUs_per_row == 0)
        return 0;
    int64_t row = mcu / cinfo.MCUs_per_row;
    if (cinfo.comps_in_scan == 1 && cinfo.cur_comp_info[0]->v_samp_factor > 0)
        row /= cinfo.cur_comp_info[0]->v_samp_factor;
    return std::clamp<int64_t>(row, 0, LastRow(cinfo));
}

int64_t RestartsDone(const DeepDecode& decode, const jpeg_decompress_struct& cinfo)
{
    return decode.restartScan == cinfo.input_scan_number ? decode.restartsDone : 0;
}

// Where damage seen now began, as far as the data tells: at the start of the
// restart interval being read (damage reported while its closing marker is
// read lies in it too), else in the row being read or the earlier row where
// a DC coefficient went out of range.
int64_t DamageStartRow(const DeepDecode& decode, const jpeg_decompress_struct& cinfo)
{
    if (cinfo.restart_interval > 0)
        return RowOfMcu(cinfo, RestartsDone(decode, cinfo) * cinfo.restart_interval);
    const int64_t row = RowBeingRead(cinfo);
    return decode.implausibleRow >= 0 ? std::min(row, decode.implausibleRow) : row;
}

void CloseDamage(DeepDecode& decode, int64_t lastRow)
{
    if (decode.damageOpen)
        decode.rows.mark(decode.damageStart, lastRow);
    decode.damageOpen = false;
}

// Whether the scans read so far (the one being read included) give every
// coefficient its last bit; always so for a sequential file.
bool ProgressionComplete(const jpeg_decompress_struct& cinfo)
{
    if (!cinfo.progressive_mode || !cinfo.coef_bits)
        return true;
    for (int ci = 0; ci < cinfo.num_components; ++ci)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo.coef_bits[ci][k] != 0)
                return false;
    return true;
}

// Whether skipped bytes before a restart marker held so many intervals that
// the marker's number may be right by chance (they go round in eights) and
// libjpeg cannot tell that intervals went missing: more than libjpeg's own
// resynchronisation takes for lost (two) and more than two and a half times
// the mean interval so far.
bool SkippedIntervals(const DeepDecode& decode, const jpeg_decompress_struct& cinfo, int skipped)
{
    // Counted from the scan's first marker, past which the skipped bytes lie.
    const int64_t intervals = RestartsDone(decode, cinfo) - 1;
    const uint64_t offset = SlicedSourceOffset(cinfo, *decode.source);
    if (intervals < 1 || skipped <= 0 || offset < decode.scanStartOffset + static_cast<uint64_t>(skipped))
        return false;
    const uint64_t read = offset - decode.scanStartOffset - static_cast<uint64_t>(skipped);
    return static_cast<double>(skipped) > 2.5 * static_cast<double>(read) / static_cast<double>(intervals);
}

// Warnings before the first scan are kept and decoding goes on: a stray byte
// between segments leaves the picture whole. A warning in the scans is
// damage; with restart markers decoding goes on too, since libjpeg starts
// afresh at the next one, else it stops here.
void OnMessage(j_common_ptr common, int level)
{
    if (level >= 0)
        return;  // traces
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    DeepDecode& decode = DecodeOf(cinfo);
    if (!decode.inScans) {
        if (!decode.headerWarned)
            (*common->err->format_message)(common, decode.headerWarning);
        decode.headerWarned = true;
        return;
    }
    if (common->err->msg_code == JWRN_MUST_RESYNC)
        decode.resynced = true;
    if (common->err->msg_code == JWRN_EXTRANEOUS_DATA && decode.inRestart
        && SkippedIntervals(decode, *cinfo, common->err->msg_parm.i[0]))
        decode.misplaced = true;
    if (!decode.damaged)
        (*common->err->format_message)(common, decode.message);
    decode.damaged = true;
    if (!decode.damageOpen) {
        decode.damageOpen = true;
        decode.damageStart = DamageStartRow(decode, *cinfo);
        // An interval that ended right at a marker, just not the one
        // expected, is whole: what is lost comes after it.
        if (decode.inRestart && common->err->msg_code == JWRN_MUST_RESYNC)
            decode.damageStart =
                RowOfMcu(*cinfo, (RestartsDone(decode, *cinfo) + 1) * int64_t{cinfo->restart_interval});
    }
    // A progressive file that ends before its last scan lacks the later
    // scans' detail everywhere.
    if (common->err->msg_code == JWRN_JPEG_EOF && !ProgressionComplete(*cinfo))
        decode.damageStart = 0;
    if (cinfo->restart_interval == 0) {
        decode.stopped = true;
        std::longjmp(decode.errors.jump, 1);
    }
}

// libjpeg's own restart reader, counted: damage ends with the interval
// before a restart marker that libjpeg found where it looked for it.
boolean ReadRestartMarker(j_decompress_ptr cinfo)
{
    DeepDecode& decode = DecodeOf(cinfo);
    if (decode.restartScan != cinfo->input_scan_number) {
        decode.restartScan = cinfo->input_scan_number;
        decode.restartsDone = 0;
        decode.misplaced = false;
        decode.scanStartOffset = SlicedSourceOffset(*cinfo, *decode.source);
    }
    decode.resynced = false;
    decode.inRestart = true;
    const boolean read = decode.readRestart(cinfo);
    decode.inRestart = false;
    if (!read)
        return FALSE;  // a source that suspends; ours never does
    ++decode.restartsDone;
    // A marker found in the wrong turn and then read (not left for later)
    // was taken for the one expected: how many intervals went missing is
    // unknown, so the rest of the scan is placed wrong.
    if (decode.resynced && cinfo->unread_marker == 0)
        decode.misplaced = true;
    if (decode.damageOpen && !decode.resynced && !decode.misplaced && cinfo->unread_marker == 0)
        CloseDamage(decode, RowOfMcu(*cinfo, decode.restartsDone * cinfo->restart_interval - 1));
    return TRUE;
}

void CheckedInverseDct(j_decompress_ptr cinfo, jpeg_component_info* component, JCOEFPTR block, JSAMPARRAY output,
                       JDIMENSION column)
{
    DeepDecode& decode = DecodeOf(cinfo);
    if (decode.implausibleRow < 0 && component->quant_table) {
        const long dc = long{block[0]} * component->quant_table->quantval[0];
        if (dc > kMostDc || dc < -kMostDc)
            decode.implausibleRow = RowBeingRead(*cinfo);
    }
    decode.idct[component->component_index](cinfo, component, block, output, column);
}

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
    if (uint64_t{cinfo.image_width} * cinfo.image_height > maxPixels) {
        info.Message = TooLargeMessage(maxPixels);
        return false;
    }
    if (!TakeMemory(cinfo, decode, info))
        return false;
    decode.readRestart = cinfo.marker->read_restart_marker;
    cinfo.marker->read_restart_marker = ReadRestartMarker;
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
    if (!cinfo.progressive_mode && cinfo.comps_in_scan == cinfo.num_components) {
        for (int ci = 0; ci < cinfo.num_components; ++ci) {
            decode.idct[ci] = cinfo.idct->inverse_DCT[ci];
            cinfo.idct->inverse_DCT[ci] = CheckedInverseDct;
        }
    }
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
    decode->errors.pub.emit_message = OnMessage;
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
