// The deep check: after the marker walk, the image's entropy-coded data is
// decoded with libjpeg far enough to validate all of it, to find damage that
// leaves the markers intact, where it starts, and what follows the image.
//
// Plain C++ over libjpeg; each call owns its libjpeg state, so calls on
// different threads do not meet.
#pragma once

#include "decode/DeepInfo.h"
#include "decode/DeepMemoryBudget.h"
#include "decode/JpegTrailer.h"
#include "decode/LibjpegInput.h"
#include "inspection/KvJpegInfo.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Each decode holds at most this much of libjpeg's memory (the coefficients
// of a progressive image); a file that needs more is not decoded.
inline constexpr long kDeepMemoryLimit = 512L * 1024 * 1024;

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
