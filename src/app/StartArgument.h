// The path that a start's first argument names. Desktop launchers hand over
// either a path (%F) or a URL (%U, "file:///..."); both end up as the path's
// bytes, so a name that is not UTF-8 reaches the window unchanged.
#pragma once

#include <string>

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
