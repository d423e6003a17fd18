// The check result of one JPEG file, the marker walk that fills it, the
// per-file driver and the two quality figures.
//
// Plain C++ (no Qt): shared by the window's check worker and by
// scanlark-check. Every function here is safe to call from any thread as long
// as each call has its own record and its own JpegFileReader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class JpegByteSource;
class JpegFileReader;
struct stat;

// Unknown numbers are -1, never 0. A record is filled once and never reused.
struct TKvJpegInfo {
    bool IsGrayscale = true;          // meaningful only with ScanComplete
    bool HasMacBinaryHeader = false;  // signature found at offset 128
    bool ScanComplete = false;        // the EOI balancing the SOI count was met
    bool IsJfif = false;
    int32_t JfifMajor = -1;
    int32_t JfifMinor = -1;
    bool IsExif = false;
    int8_t ProcessCode = -1;  // last frame header's marker - 0xC0
    int32_t SoiCount = 0;
    int32_t EoiCount = 0;
    // 64-bit so that files of 2 GiB and more give correct figures.
    int64_t EndOffset = 0;
    int64_t TrailingBytes = 0;
    std::string Comment;  // bytes of the last COM segment, unchanged
    int32_t Height = -1;
    int32_t Width = -1;
    int32_t ThumbHeight = -1;
    int32_t ThumbWidth = -1;
    int32_t Quality = -1;
    int32_t IjgQuality = -1;
    int32_t Verdict = -1;

    bool operator==(const TKvJpegInfo&) const = default;
};

// Verdict codes. 0 and 1 are sound files; 2..7 count as errors.
enum JpegVerdict : int32_t {
    jvOk = 0,
    jvOkWithTrailingData = 1,
    jvDamaged = 2,
    jvUnknownError = 3,
    jvFileNotFound = 4,
    jvCannotOpen = 5,
    jvEmptyFile = 6,
    jvNotJpeg = 7,
};

inline bool IsJpegErrorVerdict(int32_t verdict) { return verdict >= jvDamaged && verdict <= jvNotJpeg; }

// The marker walk. Fills everything but Verdict. Returns false when a read
// inside a segment or right after an FF needed bytes past the end of the data
// (the driver's verdict 3); the fields set before that keep their values.
// Throws std::system_error only when the source itself fails (a device read
// error), never for malformed data.
bool ScanJpegStream(JpegByteSource& source, TKvJpegInfo& Info);
// The same walk over a whole file held in memory.
bool ScanJpegStream(std::span<const uint8_t> data, TKvJpegInfo& Info);

// The per-file driver: always leaves a verdict 0..7 in Info.Verdict, except
// that a read error of the device after the file was opened, and an open
// that fails for want of a descriptor (EMFILE, ENFILE), propagate as
// std::system_error (the caller discards the record). The path is opened once,
// non-blocking (a FIFO never waits for a writer), and what it names is judged
// on the open descriptor: anything but a regular file gets verdict 4, as do a
// missing name and a link that leads nowhere. A file that is there but cannot
// be reached or opened (a folder on the way that may not be searched) gets
// verdict 5. Paths of any length work. `reader` holds the reused buffer; give
// each thread its own. openedAhead, when not -1, is a descriptor of the same
// path opened earlier (ReadAhead); the driver takes it over and closes it. A
// file removed since then is looked up by its name again. opened, when given,
// receives what fstat said of the file it opened (st_mode 0 when it opened
// none), so that a caller needs no look of its own for size and times.
// When the reader has a content sink, every byte of a regular file that was
// opened passes through it once, in order, from the same reads as the walk
// (an empty file passes none).
void CheckJpegFile(const std::string& FileName, TKvJpegInfo& Info, JpegFileReader& reader, int openedAhead = -1,
                   struct stat* opened = nullptr);
// Convenience form with a buffer of its own (slower for many files).
void CheckJpegFile(const std::string& FileName, TKvJpegInfo& Info);
// The driver's verdict for the whole content of a file held in memory.
void CheckJpegData(std::span<const uint8_t> data, TKvJpegInfo& Info);

// Quality figures on the IJG 1..100 scale from the running quantisation-table
// totals of a walk. TableCount is at least 1.
uint8_t EstimateQuality(int64_t TableCount, int64_t Sum);
// The quality whose IJG luminance table sums exactly to Sum, else -1.
int32_t FindIjgQuality(int64_t Sum);

// Entry q (1..100) is the sum of the IJG-scaled luminance table at quality q;
// entry 0 is unused.
extern const std::array<int32_t, 101> IjgQualitySums;
