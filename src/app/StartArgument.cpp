#include "app/StartArgument.h"

#include "paths/BytePath.h"

#include <string_view>

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// %XX to its byte; a "%" not followed by two hex digits stays as it is.
std::string percentDecoded(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

}  // namespace

std::string StartArgumentPath(const std::string& argument, const std::string& workingFolder)
{
    if (!startsWithNoCase(argument, "file:"))
        return AbsolutePath(argument, workingFolder);
    std::string_view rest = std::string_view(argument).substr(5);
    if (const size_t end = rest.find_first_of("?#"); end != std::string_view::npos)
        rest = rest.substr(0, end);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && startsWithNoCase(host, "localhost")))
            return argument;
        rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    if (!rest.starts_with('/'))
        return argument;
    const std::string path = percentDecoded(rest);
    // A NUL would cut the path short when it is opened: some other place
    // would open than the one named.
    if (path.find('\0') != std::string::npos)
        return argument;
    return AbsolutePath(path, "/");
}

const std::string_view kStartHelp =
    "Usage: scanlark [FOLDER-OR-FILE]\n"
    "Open the Scanlark window, which lists a folder's JPEG files and checks them\n"
    "for damage. A FOLDER is opened; a FILE opens its folder with the file\n"
    "selected. A file: URL is taken as the path it names. When a window is open\n"
    "already, the path is handed to it and this start ends.\n"
    "\n"
    "  -h, --help     show this text\n"
    "      --version  show the version\n"
    "\n"
    "The command-line checker is scanlark-check (see scanlark-check --help).\n";

StartRequest ReadStartArguments(int argc, const char* const* argv)
{
    StartRequest request;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!request.hasArgument)
                request.argument = arg;
            request.hasArgument = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            return {StartRequest::Kind::Help, false, {}};
        } else if (arg == "--version") {
            return {StartRequest::Kind::Version, false, {}};
        } else {
            return {StartRequest::Kind::Usage, false, std::string(arg)};
        }
    }
    return request;
}
