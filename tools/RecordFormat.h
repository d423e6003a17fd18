// Output lines of scanlark-check: a tab-separated table or JSON lines.
#pragma once

#include "KvJpegInfo.h"

#include <string>
#include <string_view>

// The table's header line, without a line end.
std::string TableHeader();
// One table row, without a line end. Tab, CR, LF and backslash in the path
// are written as \t, \r, \n and \\ so that every row stays one line.
std::string TableRow(const std::string& path, const TKvJpegInfo& info);

// One JSON object on one line, valid JSON whatever the bytes: a path that is
// not UTF-8 is written with U+FFFD for the bad bytes and its exact bytes in
// "path_hex"; a comment is decoded as UTF-8, else Shift_JIS (cp932), else
// Latin-1.
std::string JsonLine(const std::string& path, const TKvJpegInfo& info);

bool IsValidUtf8(std::string_view bytes);
// The bytes as text: UTF-8 when valid, else cp932 when it decodes, else Latin-1.
std::string DecodeCommentText(std::string_view bytes);
