// "folder.txt": the folders in which a check was started, most recent
// first, one per line (CR LF), bytes as they are.
#pragma once

#include <string>
#include <vector>

// A missing, unreadable or oversized file gives an empty list. LF and CR LF
// are both read; empty lines are skipped. fileName is bytes, never decoded.
std::vector<std::string> LoadFolderHistory(const std::string& fileName);
// Replaces the file as a whole through ReplaceFileContents (KvSafeFile.h).
// False when it could not be written, with *error (when given) saying why;
// the old file is then left byte for byte as it was.
bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders,
                       std::string* error = nullptr);
