#include "fixity/Sha256Manifest.h"

namespace {

bool needsEscape(std::string_view path)
{
    return path.find_first_of("\\\n\r") != std::string_view::npos;
}

// \\, \n and \r to their bytes; false for any other escape.
bool unescape(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return true;
}

}  // namespace

std::string ManifestLine(const Sha256Bytes& sha256, std::string_view path)
{
    std::string line;
    line.reserve(path.size() + 68);
    const bool escaped = needsEscape(path);
    if (escaped)
        line += '\\';
    line += Sha256Hex(sha256);
    line += "  ";
    if (!escaped) {
        line += path;
        return line;
    }
    for (const char c : path) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += c;
        }
    }
    return line;
}

bool ParseManifestLine(std::string_view line, ManifestEntry& entry)
{
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    std::string_view digest, path;
    constexpr std::string_view kTag = "SHA256 (";
    constexpr std::string_view kTagEnd = ") = ";
    if (line.starts_with(kTag)) {
        const size_t end = line.rfind(kTagEnd);
        if (end == std::string_view::npos || end < kTag.size())
            return false;
        path = line.substr(kTag.size(), end - kTag.size());
        digest = line.substr(end + kTagEnd.size());
    } else {
        if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
            return false;
        digest = line.substr(0, 64);
        path = line.substr(66);
    }
    if (path.empty() || !ParseSha256Hex(digest, entry.sha256))
        return false;
    if (!escaped) {
        entry.path = path;
        return true;
    }
    return unescape(path, entry.path);
}
