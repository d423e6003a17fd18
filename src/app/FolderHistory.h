// "folder.txt": the folders in which a check was started, most recent
// first, one per line (CR LF), bytes as they are.
#pragma once

#include <string>
#include <vector>

// A missing or unreadable file gives an empty list. LF and CR LF are both read.
std::vector<std::string> LoadFolderHistory(const std::string& fileName);
// Replaces the file as a whole (a temporary file renamed over it). False
// when it could not be written; the old file is then left as it was.
bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders);
