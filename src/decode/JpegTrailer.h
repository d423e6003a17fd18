// What the data after a JPEG image is: another image, a motion photo's
// video, an archive, padding or text.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

enum class TrailerKind {
    None,     // nothing after the image
    Jpeg,     // a further JPEG image
    Mpf,      // a further JPEG image that the file's MPF index declares
    Mp4,      // ISO media (an `ftyp` box): the video of a motion photo
    Zip,      // a zip archive
    Zeros,    // zero bytes only
    Text,     // printable text (ASCII or UTF-8, with tabs and line ends)
    Unknown,  // anything else
};

// "jpeg", "mpf", "mp4", "zip", "zeros", "text", "unknown"; "" for None.
std::string_view TrailerKindText(TrailerKind kind);

struct TrailerInfo {
    TrailerKind Kind = TrailerKind::None;
    int64_t Offset = -1;  // where the trailer starts in the file
    int64_t Size = 0;

    bool operator==(const TrailerInfo&) const = default;
};

// Reads up to size bytes at offset into buffer and returns how many it got
// (fewer only at the end of the data); throws nothing, returns 0 on failure.
using ReadAtFunction = std::function<size_t(uint64_t offset, uint8_t* buffer, size_t size)>;

// Classifies the size bytes from offset. imageStart is where the image's SOI
// is (128 after a Macintosh header, else 0): its MPF index, if any, is looked
// for there. Memory stays small whatever the sizes; the trailer is read
// until its kind is certain, at most once.
TrailerInfo ClassifyTrailer(const ReadAtFunction& readAt, int64_t imageStart, int64_t offset, int64_t size);
