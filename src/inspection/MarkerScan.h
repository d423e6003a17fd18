// The search for the next marker in entropy-coded data, with vector forms
// chosen for the processor at run time.
#pragma once

#include <cstddef>
#include <cstdint>

enum class MarkerScanPath { Scalar, Sse2, Avx2 };

// The first p with p + 1 < n, data[p] == 0xFF and data[p + 1] neither 0x00
// (a stuffed zero) nor 0xD0..0xD7 (a restart marker); n - 1 when there is none
// (0 when n is 0), so that the caller looks at the last byte with what
// follows it. Every path gives the same answer; a path the processor lacks
// falls back to the best it has.
size_t FindMarkerPair(const uint8_t* data, size_t n, MarkerScanPath path);
// The same with the path in use.
size_t FindMarkerPair(const uint8_t* data, size_t n);

// The path in use: the widest the processor has, unless one was chosen.
MarkerScanPath MarkerScanPathInUse();
// Makes every later search use path (or the best the processor has below
// it). For tests and the fuzz target, which run the walk on each path; not
// to be called while a walk runs on another thread.
void UseMarkerScanPath(MarkerScanPath path);
// True when the processor runs path.
bool ProcessorHas(MarkerScanPath path);
