// What the deep check found in one file: the verdict, where damage lies and
// what follows the image. Plain data without libjpeg, so that code that only
// keeps or shows results (the window's catalogue and list) need not see it.
#pragma once

#include "decode/JpegTrailer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class DeepVerdict {
    Sound,       // libjpeg decoded every scan without a warning
    Damaged,     // the image data is damaged: libjpeg warned in a scan or rejected the file as malformed
    NotDecoded,  // not a JPEG, a well-formed coding libjpeg does not decode (12-bit, lossless,
                 // hierarchical), over a limit, or unreadable
    Warning,     // libjpeg warned before the first scan, then decoded every scan cleanly
};

// "sound", "damaged", "not decoded", "warning".
std::string_view DeepVerdictText(DeepVerdict verdict);

// Whether a deep verdict makes scanlark-check's exit status 1: damaged, and
// with strict a warning too.
bool IsDeepFailure(DeepVerdict verdict, bool strict);

// MCU rows First to Last, both included, counted from 0 at the top.
struct RowSpan {
    int32_t First = 0;
    int32_t Last = 0;

    bool operator==(const RowSpan&) const = default;
};

struct DeepInfo {
    DeepVerdict Verdict = DeepVerdict::NotDecoded;
    // The message the verdict rests on: libjpeg's (English, as libjpeg words
    // it) for damage or a warning, or why the file was not decoded; empty for
    // a sound file.
    std::string Message;
    // The first MCU row (of the image's rows of MCUs, counted from 0 at the
    // top) that was not decoded as its encoder made it, -1 when there is none.
    // Damage that libjpeg notices only later in the data is placed where the
    // decode went wrong as far as the data shows it: at the start of the
    // restart interval it lies in, in files with restart markers.
    int32_t FirstBadRow = -1;
    // The share of the image's MCU rows that decode as their encoder made
    // them: 1 for sound and warning, 0 when nothing is left (a header libjpeg
    // rejects), -1 when not decoded. Without restart markers everything from
    // FirstBadRow on is lost; with them, libjpeg starts afresh at the next
    // restart marker and only the intervals in between count as lost.
    // Without them, damage libjpeg notices late puts FirstBadRow too low
    // down and this too high.
    double SoundFraction = -1;
    // Pixel rows per MCU row (8 times the largest vertical sampling factor),
    // once libjpeg has read the frame header; -1 before.
    int32_t RowHeight = -1;
    // The runs of damaged MCU rows, top to bottom; the first starts at
    // FirstBadRow. Empty when damage could not be placed in rows (a header
    // libjpeg rejects: all of the picture is lost).
    std::vector<RowSpan> DamagedRows;
    TrailerInfo Trailer;

    bool operator==(const DeepInfo&) const = default;
};
