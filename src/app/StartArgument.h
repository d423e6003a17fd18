// The path that a start's first argument names. Desktop launchers hand over
// either a path (%F) or a URL (%U, "file:///..."); both end up as the path's
// bytes, so a name that is not UTF-8 reaches the window unchanged.
#pragma once

#include <string>
#include <string_view>

// argument as a path, as bytes:
// - a "file:" URL of this machine ("file:///a", "file:/a",
//   "file://localhost/a") gives its path with %XX escapes decoded to the
//   bytes they stand for, without its "?query" and "#fragment";
// - a "file:" URL naming another host, or one whose path holds %00, is
//   returned unchanged (it names nothing here, and the window reports it
//   as an invalid folder);
// - anything else is a path, made absolute against workingFolder
//   (AbsolutePath).
std::string StartArgumentPath(const std::string& argument, const std::string& workingFolder);

// What a start's command line asks for: the window (on the first argument
// that is not an option, if any), the help text, the version, or nothing but
// a usage error (an unknown option, named in argument). "--" ends the
// options; "-" alone is a path. Qt's own options (-platform, -style, ...)
// are taken out by QApplication before, so give it argv after that; help
// and version are asked for before any window system is needed.
struct StartRequest {
    enum class Kind { Window, Help, Version, Usage };
    Kind kind = Kind::Window;
    bool hasArgument = false;  // for Window: a path was given (it may be empty)
    std::string argument;
};
StartRequest ReadStartArguments(int argc, const char* const* argv);

// `scanlark --help`.
extern const std::string_view kStartHelp;
