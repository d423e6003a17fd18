// Where damage lies in a decode: libjpeg's warnings, its restart markers and
// the decoded blocks tell which MCU rows of the image do not come out as
// their encoder made them.
//
// Plain C++ over libjpeg (its internal marker reader and inverse DCT tables
// are wrapped); each DeepDecode belongs to one decode on one thread.
#pragma once

#include "decode/DeepInfo.h"
#include "decode/DeepMemoryBudget.h"
#include "decode/LibjpegInput.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The restart hook and the inverse DCT's table of methods.
#include <jpegint.h>

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
    // The runs of flagged rows, top to bottom.
    std::vector<RowSpan> spans() const
    {
        std::vector<RowSpan> runs;
        for (size_t row = 0; row < rows_.size(); ++row) {
            if (!rows_[row])
                continue;
            if (!runs.empty() && runs.back().Last + 1 == static_cast<int32_t>(row))
                runs.back().Last = static_cast<int32_t>(row);
            else
                runs.push_back({static_cast<int32_t>(row), static_cast<int32_t>(row)});
        }
        return runs;
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
    // The source, and its position at the scan's first restart marker: the
    // bytes per interval since, against bytes skipped before a marker, say
    // whether markers went missing with them.
    const LibjpegSlicedSource* source = nullptr;
    uint64_t scanStartOffset = 0;
    jpeg_marker_parser_method readRestart = nullptr;
    // The first row with a DC coefficient no encoder writes: where decoding
    // out of step probably began, for damage that libjpeg notices later.
    int64_t implausibleRow = -1;
    inverse_DCT_method_ptr idct[MAX_COMPONENTS] = {};
    DamagedRows rows;
};

// The image's last MCU row (total_iMCU_rows - 1).
int64_t LastRow(const jpeg_decompress_struct& cinfo);

// Where damage seen now began, as far as the data tells: at the start of the
// restart interval being read (damage reported while its closing marker is
// read lies in it too), else in the row being read or the earlier row where
// a DC coefficient went out of range.
int64_t DamageStartRow(const DeepDecode& decode, const jpeg_decompress_struct& cinfo);

// Marks the open damage, if any, as reaching to lastRow, and closes it.
void CloseDamage(DeepDecode& decode, int64_t lastRow);

// libjpeg's emit_message for a decode whose err is decode.errors.pub:
// warnings before the first scan are kept and decoding goes on (a stray byte
// between segments leaves the picture whole); a warning in the scans is
// damage, and with restart markers decoding goes on too, since libjpeg
// starts afresh at the next one, else it stops there (longjmp).
void OnDeepMessage(j_common_ptr common, int level);

// After jpeg_read_header: counts the restart markers libjpeg reads, so that
// damage ends with the interval before one that libjpeg found where it
// looked for it.
void CountRestartMarkers(jpeg_decompress_struct& cinfo, DeepDecode& decode);

// After jpeg_start_decompress, for a file of one scan: looks at each block's
// DC coefficient as the inverse DCT takes it.
void WatchDcCoefficients(jpeg_decompress_struct& cinfo, DeepDecode& decode);
