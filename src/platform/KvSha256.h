// The SHA-256 of a file's content, through OpenSSL's EVP interface (which
// uses the processor's SHA instructions where it has them).
#pragma once

#include <optional>
#include <string>

// The digest of the regular file at path as 64 lower-case hexadecimal
// digits; nothing when it cannot be opened (a path of any length) or read,
// or is not a regular file. Any thread.
std::optional<std::string> FileSha256(const std::string& path);
// The digest of bytes, the same way.
std::string Sha256Hex(const std::string& bytes);
