// Which libjpeg errors say a file is of a kind libjpeg does not decode rather
// than damaged, and the name of such a kind from the file's frame header.
//
// Plain C++ over libjpeg's error codes; no state.
#pragma once

#include "decode/JpegTrailer.h"

#include <cstdint>
#include <string>

// libjpeg errors that a well-formed file of a coding libjpeg does not decode
// raises too; which of the two a file is, its frame header tells.
bool MayBeUnsupportedCoding(int code);

// Errors over a limit of libjpeg or of the deep check's output, whatever the file.
bool IsLimitError(int code);

bool IsOutOfMemoryError(int code);

// Names the coding of a well-formed frame that libjpeg (8-bit, DCT, not
// hierarchical) does not decode, read from the segments before the first
// scan of the image at imageStart; empty when the headers are not such a
// frame (then libjpeg's refusal is damage). T.81 B.2.2: precision 8 for
// baseline, 8 or 12 for the other DCT processes, 2 to 16 for lossless;
// differential frames (SOF5-7, SOF13-15) only after a DHP segment (B.3.2).
std::string UnsupportedCoding(const ReadAtFunction& readAt, int64_t imageStart);
