// The 25 columns of the main file list, tabled once.
//
// A column's identifier is its index in this table: the collection index of
// its description in the column set, the tag of its real column in the list,
// the switch value of its cell text and the file list's sort mode when the
// list is sorted by it. The table also gives each description's IdentName
// (the stem of its settings keys), caption, alignment, designed width and
// designed visibility.
#pragma once

#include <Qt>

#include <span>

class TKvColumnInfos;

namespace ScanlarkColumn {
enum : int {
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
    Count
};
} // namespace ScanlarkColumn

struct TScanlarkColumnDesign {
    const char* IdentName;
    const char* Caption;  // UTF-8
    Qt::Alignment Alignment;
    int Width;
    bool Visible;
};

// The table, indexed by identifier.
std::span<const TScanlarkColumnDesign> ScanlarkColumnTable();

// Replaces the descriptions of infos by the 25 designed ones, in identifier
// order (each description's order is its identifier).
void FillScanlarkColumns(TKvColumnInfos& infos);
