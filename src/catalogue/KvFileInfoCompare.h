// The two entry orders of the file list: CompareFileInfos for the file
// columns and CompareFileInfosByJpeg for the check-result columns
// (IsJpegSortMode), and the sort that applies them. Main thread only: the
// sort mode and direction are module-wide while a sort runs.
#pragma once

#include "catalogue/KvFileInfoList.h"

#include <QString>

#include <string>
#include <vector>

int CompareFileInfos(const TKvFileInfo* A, const TKvFileInfo* B);
int CompareFileInfosByJpeg(const TKvFileInfo* A, const TKvFileInfo* B);

// The mode and direction the comparisons read; SortFileInfos sets them.
void SetFileInfoSortContext(TKvSortMode mode, bool down);

// Sorts entries with compare under mode and down. Names are compared by the
// entries' NameKey (made by the listing, or here when missing) and the
// mode's text key by keys computed once per sort, so a sort of 100,000
// entries does not decode a name per comparison.
void SortFileInfos(std::vector<TKvFileInfo*>& entries, TKvSortMode mode, bool down, TKvFileInfoCompare compare);

// File-name order: case-insensitive, in the collation of the user's locale.
int CompareFileNames(const std::string& a, const std::string& b);
// Text order: the same for texts.
int CompareTexts(const QString& a, const QString& b);
