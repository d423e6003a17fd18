#include "decode/DeepDamage.h"

#include <cstddef>

#include <jerror.h>

static_assert(offsetof(DeepDecode, errors) == 0 && offsetof(LibjpegErrors, pub) == 0);

namespace {

// A DC coefficient of 8-bit samples is 8 times the block's mean level
// (-128..127), so never beyond 1024 in size (T.81 A.3.3); half again leaves
// room for encoders that let samples overshoot. Decoding out of step makes
// the DC predictions wander off as a random walk and soon past this.
constexpr long kMostDc = 1536;

DeepDecode& DecodeOf(j_decompress_ptr cinfo)
{
    return *reinterpret_cast<DeepDecode*>(cinfo->err);
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

}  // namespace

int64_t LastRow(const jpeg_decompress_struct& cinfo)
{
    return static_cast<int64_t>(cinfo.total_iMCU_rows) - 1;
}

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

void OnDeepMessage(j_common_ptr common, int level)
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

void CountRestartMarkers(jpeg_decompress_struct& cinfo, DeepDecode& decode)
{
    decode.readRestart = cinfo.marker->read_restart_marker;
    cinfo.marker->read_restart_marker = ReadRestartMarker;
}

void WatchDcCoefficients(jpeg_decompress_struct& cinfo, DeepDecode& decode)
{
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        decode.idct[ci] = cinfo.idct->inverse_DCT[ci];
        cinfo.idct->inverse_DCT[ci] = CheckedInverseDct;
    }
}
