// The file list's sort modes. A mode is the identifier of a column of the
// main list (ScanlarkColumn reuses these names as its column identifiers), so
// a column click hands its identifier to the catalogue unchanged.
//
// The enumerators convert to int on their own (columns are ints in the list
// view); a stored number becomes a mode only through SortModeFromInt.
#pragma once

#include <cstdint>

namespace KvSortMode {
enum TKvSortMode : int32_t {
    Name = 0,
    FullFileName,
    Path,
    PathOnly,
    FindIndex,
    Size,
    SizeDetail,
    TypeName,
    LastWriteTime,
    Attr,
    CreationTime,
    LastAccessTime,
    JPEG_Error,
    JPEG_AddBinary,
    JPEG_Format,
    JPEG_MacBinary,
    JPEG_Grayscale,
    JPEG_Width,
    JPEG_Height,
    JPEG_ThumbWidth,
    JPEG_ThumbHeight,
    JPEG_Version,
    JPEG_Comment,
    JPEG_Quality,
    JPEG_IJGQuality,
    // The deep check's columns, after the 25 of the walk, so that stored
    // column settings and sort modes keep their numbers.
    JPEG_DeepVerdict,
    JPEG_SoundFraction,
    JPEG_FirstBadRow,
    JPEG_Trailer,
};
inline constexpr int32_t Count = JPEG_Trailer + 1;
}  // namespace KvSortMode

using TKvSortMode = KvSortMode::TKvSortMode;

// Any stored number as a mode: a number that names no column is kept as it
// is and sorts by name alone.
constexpr TKvSortMode SortModeFromInt(int32_t value) { return static_cast<TKvSortMode>(value); }

// Whether the mode sorts by the check result (CustomSort with
// CompareFileInfosByJpeg) rather than by the file (Sort): the JPEG columns,
// and any number above them.
constexpr bool IsJpegSortMode(TKvSortMode mode) { return mode > KvSortMode::LastAccessTime; }

// Whether mode and direction are the order a listing leaves the entries in
// (ascending discovery order), so sorting after a listing can be skipped.
constexpr bool IsDiscoveryOrder(TKvSortMode mode, bool down) { return mode == KvSortMode::FindIndex && !down; }
