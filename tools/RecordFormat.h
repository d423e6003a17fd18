// Output lines of scanlark-check: a tab-separated table or JSON lines.
#pragma once

#include "decode/JpegDeepCheck.h"
#include "inspection/KvJpegInfo.h"

#include <cstdint>
#include <string>
#include <string_view>

// What the check's own look at an opened regular file saw.
struct FileFacts {
    bool known = false;  // the file was opened and is a regular file
    uint64_t size = 0;
    int64_t mtimeSeconds = 0;  // since 1970, UTC
    uint32_t mtimeNanoseconds = 0;
    uint64_t inode = 0;

    int64_t mtimeInNanoseconds() const { return mtimeSeconds * 1000000000 + mtimeNanoseconds; }
};

// The version of the JSON records' layout ("schema"): fields are only ever
// added within one version.
inline constexpr int kJsonSchema = 1;

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
// Every line starts with "schema"; "size" and "mtime" (ISO 8601, UTC, with
// nanoseconds) are null unless facts are known; "verdict_code" is the
// verdict as one ASCII word (VerdictCode).
// extra: further fields, each written with its leading comma.
std::string JsonLine(const std::string& path, const TKvJpegInfo& info, const DeepInfo* deep = nullptr,
                     const FileFacts& facts = {}, std::string_view extra = {});
// The start of every JSON line, without the closing brace:
// {"schema":1,"path":"..." and, for a path that is not UTF-8, "path_hex".
std::string JsonRecordStart(const std::string& path);
// ,"name":"text" with text (UTF-8) escaped for JSON.
void AppendJsonText(std::string& line, const char* name, std::string_view utf8);
// ,"name":"..." for a path of any bytes: U+FFFD for bytes that are not
// UTF-8, then also ,"name_hex":"..." with its exact bytes.
void AppendJsonPath(std::string& line, const char* name, std::string_view path);
// The record of a file that could not be read, or of a folder that could not
// be listed: "schema", "path" (and "path_hex"), "type" ("file" or "folder"),
// "error" (the system's text) and "error_code" (the errno name, null when
// there is none).
std::string JsonErrorLine(const std::string& path, bool folder, const std::string& error, int errorNumber);

// Verdict 0..7 as one ASCII word: sound, sound_appended, damaged,
// unknown_error, not_found, cannot_open, empty, not_jpeg.
const char* VerdictCode(int32_t verdict);
// Seconds and nanoseconds since 1970 as "2026-12-09T13:05:51.123456789Z".
std::string IsoTime(int64_t seconds, uint32_t nanoseconds);

bool IsValidUtf8(std::string_view bytes);
// The bytes as text: UTF-8 when valid, else cp932 when it decodes, else Latin-1.
std::string DecodeCommentText(std::string_view bytes);
