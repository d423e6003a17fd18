// The deep check: after the marker walk, the image's entropy-coded data is
// decoded with libjpeg far enough to validate all of it, to find damage that
// leaves the markers intact, where it starts, and what follows the image.
//
// Plain C++ over libjpeg; each call owns its libjpeg state, so calls on
// different threads do not meet.
#pragma once

#include "decode/JpegTrailer.h"
#include "decode/LibjpegInput.h"
#include "inspection/KvJpegInfo.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class DeepVerdict {
    Sound,       // libjpeg decoded every scan without a warning
    Damaged,     // libjpeg warned or stopped with an error
    NotDecoded,  // no frame, a process libjpeg does not decode, or over a limit
};

// "sound", "damaged", "not decoded".
std::string_view DeepVerdictText(DeepVerdict verdict);

// Each decode holds at most this much of libjpeg's memory (the coefficients
// of a progressive image); a file that needs more is not decoded.
inline constexpr long kDeepMemoryLimit = 512L * 1024 * 1024;

struct DeepInfo {
    DeepVerdict Verdict = DeepVerdict::NotDecoded;
    // libjpeg's first message (English, as libjpeg words it), or why the
    // file was not decoded; empty for a sound file.
    std::string Message;
    // The first MCU row that did not decode cleanly (in the scan that was
    // being read: for a progressive file, the scan where the damage showed),
    // -1 when there is none.
    int32_t FirstBadRow = -1;
    // The share of the image's MCU rows above FirstBadRow: 1 for a sound
    // file, -1 when not decoded.
    double SoundFraction = -1;
    TrailerInfo Trailer;

    bool operator==(const DeepInfo&) const = default;
};

// The deep check of the file at path whose marker walk gave walk (a verdict
// set by CheckJpegFile). Files without a frame or a scan, and files the walk
// could not read, are "not decoded"; the trailer is classified whenever the
// walk found data after the image. Never throws for bad data; an open that
// fails for want of a descriptor (EMFILE, ENFILE) throws std::system_error,
// since it says nothing about the file.
DeepInfo DeepCheckJpegFile(const std::string& path, const TKvJpegInfo& walk);
// The same for a file's whole content in memory, refusing images of more than
// maxPixels pixels (the fuzz target keeps its memory small this way).
DeepInfo DeepCheckJpegData(std::span<const uint8_t> data, const TKvJpegInfo& walk,
                           uint64_t maxPixels = kMaxDecodedPixels);
