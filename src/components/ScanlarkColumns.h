// The columns of the main file list, tabled once: the 25 of the walk's
// results and, after them, the 4 of the deep check (hidden at first).
//
// A column's identifier is its index in this table: the collection index of
// its description in the column set, the tag of its real column in the list,
// the switch value of its cell text and the file list's sort mode when the
// list is sorted by it. The table also gives each description's IdentName
// (the stem of its settings keys), caption, alignment, designed width and
// designed visibility.
#pragma once

#include "catalogue/KvSortMode.h"

#include <Qt>

#include <span>

class TKvColumnInfos;

// Column identifiers: the sort modes' names (Name .. JPEG_Trailer), and the
// number of columns.
namespace ScanlarkColumn {
using enum KvSortMode::TKvSortMode;
inline constexpr int Count = KvSortMode::Count;
}  // namespace ScanlarkColumn

struct TScanlarkColumnDesign {
    const char* IdentName;
    const char* Caption;  // UTF-8
    Qt::Alignment Alignment;
    int Width;
    bool Visible;
};

// The table, indexed by identifier.
std::span<const TScanlarkColumnDesign> ScanlarkColumnTable();

// Replaces the descriptions of infos by the designed ones, in identifier
// order (each description's order is its identifier).
void FillScanlarkColumns(TKvColumnInfos& infos);
