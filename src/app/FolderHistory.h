// "folder.txt": the folders in which a check was started, most recent
// first, one per line (CR LF), bytes as they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A history is a few kilobytes; a bigger file is not one, and a line longer
// than the longest path the system opens is no folder.
inline constexpr size_t kMaxFolderHistoryFile = size_t {2} << 20;
inline constexpr size_t kMaxFolderHistoryLine = 4096;

struct TFolderHistoryLoad {
    std::vector<std::string> Folders;
    // The file is there but could not be read (unreadable, not a regular
    // file, too big): the list is empty and the file must not be replaced.
    bool Unreadable = false;
    // What went wrong or was left out, for one line on stderr; empty when
    // the whole file was read.
    std::string Warning;
};

// Reads the history without ever blocking (a FIFO there is refused) and in
// bounded memory. A missing file gives an empty list. LF and CR LF are both
// read; empty lines and lines over kMaxFolderHistoryLine bytes are skipped.
// fileName is bytes, never decoded.
TFolderHistoryLoad LoadFolderHistory(const std::string& fileName);
// Replaces the file as a whole through ReplaceFileContents (KvSafeFile.h).
// A folder whose name holds CR or LF is not written: no line could hold it.
// False when it could not be written, with *error (when given) saying why;
// the old file is then left byte for byte as it was.
bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders,
                       std::string* error = nullptr);
