#include "RecordFormat.h"
#include "TableTexts.h"

#include "inspection/KvJpegInfoConsts.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <iconv.h>

namespace {

// Whether bytes[at] starts the UTF-8 form of a C1 control character
// (U+0080..U+009F: C2 80..C2 9F), which a UTF-8 terminal obeys as it does
// the C0 controls (U+009B is CSI).
bool IsC1Control(std::string_view bytes, size_t at)
{
    return bytes[at] == '\xC2' && at + 1 < bytes.size() && static_cast<unsigned char>(bytes[at + 1]) >= 0x80
           && static_cast<unsigned char>(bytes[at + 1]) <= 0x9F;
}

// Length of the valid UTF-8 sequence at the start of bytes, 0 when invalid
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
size_t utf8SequenceLength(std::string_view bytes)
{
    const auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || b(1) < low || b(1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if (b(i) < 0x80 || b(i) > 0xBF)
            return 0;
    }
    return length;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | u >> 6);
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

bool cp932ToUtf8(std::string_view bytes, std::string& out)
{
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = result.data();
    size_t outLeft = result.size();
    const size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    result.resize(result.size() - outLeft);
    out = std::move(result);
    return true;
}

// Appends text (valid UTF-8) as the inside of a JSON string.
void appendJsonEscaped(std::string& out, std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // C1 controls (U+0080..U+009F) as \u escapes too: jq -r would pass
        // them to a terminal, where U+009B starts a control sequence.
        if (IsC1Control(text, i)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
            out += escape;
            ++i;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
}

// Valid sequences unchanged, each invalid byte as U+FFFD.
std::string replaceInvalidUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t length = utf8SequenceLength(bytes.substr(i));
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string hexOf(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        out += kDigits[u >> 4];
        out += kDigits[u & 0xF];
    }
    return out;
}

void appendText(std::string& out, const char* name, std::string_view utf8Value)
{
    out += ",\"";
    out += name;
    out += "\":\"";
    appendJsonEscaped(out, utf8Value);
    out += '"';
}

void appendNumber(std::string& out, const char* name, int64_t value)
{
    out += ",\"";
    out += name;
    out += "\":";
    out += std::to_string(value);
}

void appendBool(std::string& out, const char* name, bool value)
{
    out += ",\"";
    out += name;
    out += "\":";
    out += value ? "true" : "false";
}

}  // namespace

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t length = utf8SequenceLength(bytes.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string DecodeCommentText(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    std::string decoded;
    if (cp932ToUtf8(bytes, decoded) && IsValidUtf8(decoded))
        return decoded;
    return latin1ToUtf8(bytes);
}

void AppendEscapedText(std::string& out, std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    // Runs that need no escape are appended whole: this runs once per row.
    size_t run = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto u = static_cast<unsigned char>(c);
        const bool c1 = IsC1Control(bytes, i);
        if (u >= 0x20 && u != 0x7F && c != '\\' && !c1)
            continue;
        out.append(bytes.substr(run, i - run));
        run = i + 1;
        if (c1) {
            // Both bytes of the UTF-8 sequence, as the terminal would read them.
            for (const auto byte : {u, static_cast<unsigned char>(bytes[i + 1])}) {
                out += "\\x";
                out += kDigits[byte >> 4];
                out += kDigits[byte & 0xF];
            }
            run = ++i + 1;
            continue;
        }
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default:
            out += "\\x";
            out += kDigits[u >> 4];
            out += kDigits[u & 0xF];
        }
    }
    out.append(bytes.substr(run));
}

std::string EscapedText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    AppendEscapedText(out, bytes);
    return out;
}

std::string TableHeader(bool deep)
{
    std::string header = "path\tverdict\tformat\twidth\theight\tquality\tijg_quality\ttrailing_bytes";
    if (deep)
        header += "\tdeep\ttrailer";
    return header;
}

std::string TableRow(const std::string& path, const TKvJpegInfo& info, const DeepInfo* deep)
{
    std::string row;
    row.reserve(path.size() + 96);
    AppendEscapedText(row, path);
    // Formatted in place: this runs once per file on the output thread.
    const auto appendCell = [&row](std::string_view text) {
        row += '\t';
        row += text;
    };
    const auto appendNumber = [&row](int64_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        row += '\t';
        row.append(digits, end);
    };
    appendCell(TableText(JpegVerdictText(info.Verdict)));
    appendCell(TableText(JpegProcessText(info.ProcessCode)));
    appendNumber(info.Width);
    appendNumber(info.Height);
    appendNumber(info.Quality);
    appendNumber(info.IjgQuality);
    appendNumber(info.TrailingBytes);
    if (deep) {
        appendCell(deep->Verdict == DeepVerdict::NotDecoded ? "not-decoded" : DeepVerdictText(deep->Verdict));
        appendCell(deep->Trailer.Kind == TrailerKind::None ? "-" : TrailerKindText(deep->Trailer.Kind));
    }
    return row;
}

const char* VerdictCode(int32_t verdict)
{
    static constexpr const char* kCodes[] = {"sound",     "sound_appended", "damaged", "unknown_error",
                                             "not_found", "cannot_open",    "empty",   "not_jpeg"};
    return verdict >= 0 && verdict <= 7 ? kCodes[verdict] : "unknown";
}

std::string IsoTime(int64_t seconds, uint32_t nanoseconds)
{
    const time_t time = static_cast<time_t>(seconds);
    tm utc {};
    if (!::gmtime_r(&time, &utc))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%09uZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, nanoseconds);
    return text;
}

void AppendJsonText(std::string& line, const char* name, std::string_view utf8)
{
    appendText(line, name, utf8);
}

void AppendJsonPath(std::string& line, const char* name, std::string_view path)
{
    appendText(line, name, replaceInvalidUtf8(path));
    if (!IsValidUtf8(path))
        appendText(line, (std::string(name) + "_hex").c_str(), hexOf(path));
}

std::string JsonRecordStart(const std::string& path)
{
    std::string line = "{\"schema\":";
    line += std::to_string(kJsonSchema);
    AppendJsonPath(line, "path", path);
    return line;
}

std::string JsonErrorLine(const std::string& path, bool folder, const std::string& error, int errorNumber)
{
    std::string line = JsonRecordStart(path);
    appendText(line, "type", folder ? "folder" : "file");
    appendText(line, "error", error);
    const char* name = errorNumber != 0 ? ::strerrorname_np(errorNumber) : nullptr;
    if (name)
        appendText(line, "error_code", name);
    else
        line += ",\"error_code\":null";
    line += '}';
    return line;
}

std::string JsonLine(const std::string& path, const TKvJpegInfo& info, const DeepInfo* deep, const FileFacts& facts,
                     std::string_view extra)
{
    std::string line = JsonRecordStart(path);
    if (facts.known) {
        appendNumber(line, "size", static_cast<int64_t>(facts.size));
        appendText(line, "mtime", IsoTime(facts.mtimeSeconds, facts.mtimeNanoseconds));
    } else {
        line += ",\"size\":null,\"mtime\":null";
    }
    appendText(line, "VerdictText", JpegVerdictText(info.Verdict));
    appendNumber(line, "Verdict", int64_t{info.Verdict});
    appendText(line, "verdict_code", VerdictCode(info.Verdict));
    appendBool(line, "IsGrayscale", info.IsGrayscale);
    appendBool(line, "HasMacBinaryHeader", info.HasMacBinaryHeader);
    appendBool(line, "ScanComplete", info.ScanComplete);
    appendBool(line, "IsJfif", info.IsJfif);
    appendNumber(line, "JfifMajor", int64_t{info.JfifMajor});
    appendNumber(line, "JfifMinor", int64_t{info.JfifMinor});
    appendBool(line, "IsExif", info.IsExif);
    appendNumber(line, "ProcessCode", int64_t{info.ProcessCode});
    appendNumber(line, "SoiCount", int64_t{info.SoiCount});
    appendNumber(line, "EoiCount", int64_t{info.EoiCount});
    appendNumber(line, "EndOffset", info.EndOffset);
    appendNumber(line, "TrailingBytes", info.TrailingBytes);
    appendText(line, "Comment", DecodeCommentText(info.Comment));
    appendNumber(line, "Height", int64_t{info.Height});
    appendNumber(line, "Width", int64_t{info.Width});
    appendNumber(line, "ThumbHeight", int64_t{info.ThumbHeight});
    appendNumber(line, "ThumbWidth", int64_t{info.ThumbWidth});
    appendNumber(line, "Quality", int64_t{info.Quality});
    appendNumber(line, "IjgQuality", int64_t{info.IjgQuality});
    if (deep) {
        line += ",\"Deep\":{";
        // appendText and the others write a leading comma; the object's
        // first member is written by hand.
        line += "\"Verdict\":\"";
        line += DeepVerdictText(deep->Verdict);
        line += '"';
        appendText(line, "Message", DecodeCommentText(deep->Message));
        appendNumber(line, "FirstBadRow", int64_t{deep->FirstBadRow});
        char fraction[32];
        std::snprintf(fraction, sizeof fraction, "%.4g", deep->SoundFraction);
        line += ",\"SoundFraction\":";
        line += fraction;
        line += '}';
        if (deep->Trailer.Kind != TrailerKind::None) {
            line += ",\"Trailer\":{\"Kind\":\"";
            line += TrailerKindText(deep->Trailer.Kind);
            line += '"';
            appendNumber(line, "Offset", deep->Trailer.Offset);
            appendNumber(line, "Size", deep->Trailer.Size);
            line += '}';
        }
    }
    line += extra;
    line += '}';
    return line;
}
