// What the data after a JPEG image is: another image, a motion photo's
// video, an archive, padding or text.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

enum class TrailerKind {
    None,     // nothing after the image
    Jpeg,     // a further JPEG image
    Mpf,      // a further JPEG image that the file's MPF index declares (a few padding bytes before it allowed)
    Mp4,      // ISO media (an `ftyp` box): the video of a motion photo, also after a MotionPhoto_Data marker
    Zip,      // a zip archive
    Zeros,    // zero bytes only
    Text,     // printable text (ASCII or UTF-8, with tabs and line ends)
    Unknown,  // anything else
};

// "jpeg", "mpf", "mp4", "zip", "zeros", "text", "unknown"; "" for None.
std::string_view TrailerKindText(TrailerKind kind);

struct TrailerInfo {
    TrailerKind Kind = TrailerKind::None;
    int64_t Offset = -1;  // where the trailer starts in the file (for mp4: where the video starts)
    int64_t Size = 0;     // from Offset to the end of the file

    bool operator==(const TrailerInfo&) const = default;
};

// Reads up to size bytes at offset into buffer and returns how many it got
// (fewer only at the end of the data); throws nothing, returns 0 on failure.
using ReadAtFunction = std::function<size_t(uint64_t offset, uint8_t* buffer, size_t size)>;

// A run of bytes that holds data, [begin, end); elsewhere a file has holes,
// which read as zeros.
struct DataExtent {
    uint64_t begin = 0;
    uint64_t end = 0;
};
// The first extent of data at or after offset; begin = end = the end of the
// data when there is none.
using NextDataFunction = std::function<DataExtent(uint64_t offset)>;

// Classifies the size bytes from offset. imageStart is where the image's SOI
// is (128 after a Macintosh header, else 0): its MPF index, if any, is looked
// for there. Memory stays small whatever the sizes. Zeros and text are told
// by reading every byte up to kTrailerReadLimit; a longer trailer is read
// only where nextData (the file system's map; without it, everywhere) says
// there is data, and is zeros when its first and last blocks and what data
// there is hold nothing else, up to kTrailerReadLimit of it, beyond which it
// is unknown.
inline constexpr int64_t kTrailerReadLimit = 64ll << 20;
TrailerInfo ClassifyTrailer(const ReadAtFunction& readAt, int64_t imageStart, int64_t offset, int64_t size,
                            const NextDataFunction& nextData = {});
