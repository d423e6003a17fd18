// Output lines of scanlark-check: a tab-separated table or JSON lines.
#pragma once

#include "decode/JpegDeepCheck.h"
#include "inspection/KvJpegInfo.h"

#include <string>
#include <string_view>

// The table's header line, without a line end; with deep, the deep check's
// two columns too.
std::string TableHeader(bool deep = false);
// One table row, without a line end, with the path escaped as EscapedText
// does, so that every row stays one line and a name cannot drive the terminal.
// With deep, the row ends with the deep verdict ("not decoded" written as
// "not-decoded", so that every cell is one word) and the trailer's kind
// ("-" when there is none).
std::string TableRow(const std::string& path, const TKvJpegInfo& info, const DeepInfo* deep = nullptr);

// Bytes for a terminal: tab, CR, LF and backslash as \t, \r, \n and \\,
// every other control byte (0x00..0x1F, 0x7F) as \xHH (two lower-case hex
// digits), and so the two bytes of each UTF-8 C1 control (U+0080..U+009F,
// e.g. \xc2\x9b); all other bytes unchanged, so UTF-8 and Shift_JIS names
// still read as themselves.
std::string EscapedText(std::string_view bytes);
void AppendEscapedText(std::string& out, std::string_view bytes);

// One JSON object on one line, valid JSON whatever the bytes: a path that is
// not UTF-8 is written with U+FFFD for the bad bytes and its exact bytes in
// "path_hex"; a comment is decoded as UTF-8, else Shift_JIS (cp932), else
// Latin-1.
// With deep, "Deep" and, when the file has data after the image, "Trailer".
std::string JsonLine(const std::string& path, const TKvJpegInfo& info, const DeepInfo* deep = nullptr);

bool IsValidUtf8(std::string_view bytes);
// The bytes as text: UTF-8 when valid, else cp932 when it decodes, else Latin-1.
std::string DecodeCommentText(std::string_view bytes);
