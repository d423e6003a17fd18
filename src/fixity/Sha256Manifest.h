// Manifest lines in the format of sha256sum, which `sha256sum -c` verifies:
// "DIGEST  PATH". A path holding a backslash, a line feed or a carriage
// return is written as sha256sum writes it: those bytes as \\, \n and \r,
// and the line begins with a backslash.
#pragma once

#include "fixity/Sha256.h"

#include <string>
#include <string_view>

// The line for a file, without its line end.
std::string ManifestLine(const Sha256Bytes& sha256, std::string_view path);

struct ManifestEntry {
    Sha256Bytes sha256{};
    std::string path;
};

// One line (without its line end) as sha256sum -c reads it: "DIGEST  PATH"
// (text mode), "DIGEST *PATH" (binary mode) or the BSD form
// "SHA256 (PATH) = DIGEST", each escaped as above when it begins with a
// backslash. False for anything else: another digest, a bad escape, no path.
bool ParseManifestLine(std::string_view line, ManifestEntry& entry);
