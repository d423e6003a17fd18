// The deep check: after the marker walk, the image's entropy-coded data is
// decoded with libjpeg far enough to validate all of it, to find damage that
// leaves the markers intact, where it starts, and what follows the image.
//
// Plain C++ over libjpeg; each call owns its libjpeg state, so calls on
// different threads do not meet.
#pragma once

#include "decode/DeepMemoryBudget.h"
#include "decode/JpegTrailer.h"
#include "decode/LibjpegInput.h"
#include "inspection/KvJpegInfo.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class DeepVerdict {
    Sound,       // libjpeg decoded every scan without a warning
    Damaged,     // the image data is damaged: libjpeg warned in a scan or rejected the file as malformed
    NotDecoded,  // not a JPEG, a well-formed coding libjpeg does not decode (12-bit, lossless,
                 // hierarchical), over a limit, or unreadable
    Warning,     // libjpeg warned before the first scan, then decoded every scan cleanly
};

// "sound", "damaged", "not decoded", "warning".
std::string_view DeepVerdictText(DeepVerdict verdict);

// Each decode holds at most this much of libjpeg's memory (the coefficients
// of a progressive image); a file that needs more is not decoded.
inline constexpr long kDeepMemoryLimit = 512L * 1024 * 1024;

// Whether a deep verdict makes scanlark-check's exit status 1: damaged, and
// with strict a warning too.
bool IsDeepFailure(DeepVerdict verdict, bool strict);

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
    TrailerInfo Trailer;

    bool operator==(const DeepInfo&) const = default;
};

// The deep check of the file at path whose marker walk gave walk (a verdict
// set by CheckJpegFile). Files without a frame or a scan, and files the walk
// could not read, are "not decoded"; the trailer is classified whenever the
// walk found data after the image. Never throws for bad data; an open that
// fails for want of a descriptor (EMFILE, ENFILE) throws std::system_error,
// since it says nothing about the file. With budget, a decode first takes
// what it needs from it (waiting while other decodes hold it) and a file
// that would need more than all of it is not decoded.
DeepInfo DeepCheckJpegFile(const std::string& path, const TKvJpegInfo& walk, DeepMemoryBudget* budget = nullptr);
// The same for a file's whole content in memory, refusing images of more than
// maxPixels pixels (the fuzz target keeps its memory small this way).
DeepInfo DeepCheckJpegData(std::span<const uint8_t> data, const TKvJpegInfo& walk,
                           uint64_t maxPixels = kMaxDecodedPixels);
