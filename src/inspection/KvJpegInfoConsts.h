// The fixed texts of the check result: verdicts and compression processes.
#pragma once

#include <cstdint>

// Indexed by TKvJpegInfo::Verdict (0..7).
extern const char* const JpegVerdictTexts[8];
// Indexed by TKvJpegInfo::ProcessCode + 1 (ProcessCode runs from -1 to 15).
extern const char* const JpegProcessTexts[17];

// Bounds-checked look-ups: an unknown code gives the empty text.
const char* JpegVerdictText(int32_t verdict);
const char* JpegProcessText(int32_t processCode);
