// Setting chosen files aside with their folders: each file is copied or
// moved under a destination folder at its path relative to the folder that
// was listed, so that files of one name from different folders (cards that
// all hold DCIM/100CANON/IMG_0001.JPG) do not clash. Each run that places a
// file writes a record of it into the destination,
// "scanlark-moved-YYYYMMDD-HHMMSS.tsv", from which a move is undone.
//
// The record is a header line, then one line per file placed: the original
// path, the new path, the size in bytes, the SHA-256 of the content, the
// walk's verdict and the deep check's, separated by tabs, each line ended by
// "\n". Paths are the bytes the OS gave (a Shift_JIS name stays as it is); a
// backslash, tab, line feed or carriage return in a field is written "\\",
// "\t", "\n" or "\r", so that every name reads back byte for byte.
//
// Threads: every function runs on the thread that calls it (the program
// runs them on a file operation's worker) and calls the callbacks there,
// as KvFileOperations does.
#pragma once

#include "platform/KvFileOperations.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A file to set aside and its verdicts as the record names them.
struct TKvSetAsideFile {
    std::string Source;
    std::string Verdict;  // the walk's ("sound", "damaged", ...), or empty
    std::string Deep;     // the deep check's ("sound", "damaged", ...), or empty
};

// One line of a record.
struct TKvSetAsideRecord {
    std::string Original;
    std::string Placed;
    uint64_t Size = 0;
    std::string Sha256;  // empty when the placed file could not be read
    std::string Verdict;
    std::string Deep;

    bool operator==(const TKvSetAsideRecord&) const = default;
};

// The header line, without its line end.
inline constexpr std::string_view kSetAsideRecordHeader = "original\tplaced\tsize\tsha256\tverdict\tdeep";

std::string EscapeRecordField(std::string_view bytes);
// Nothing for a backslash followed by anything but \, t, n or r, or at the end.
std::optional<std::string> UnescapeRecordField(std::string_view field);

std::string SetAsideRecordText(const std::vector<TKvSetAsideRecord>& records);
// Nothing unless the text starts with the header line and every further
// line holds six well-formed fields.
std::optional<std::vector<TKvSetAsideRecord>> ParseSetAsideRecord(std::string_view text);

// "scanlark-moved-20261209-143005.tsv" for when, in local time.
std::string SetAsideRecordName(std::time_t when);

// The folder that source goes into: destination plus source's folder
// relative to listedFolder; destination itself for a file directly in
// listedFolder or outside it. Empty and "." components are left out; a ".."
// puts the file directly into destination. No trailing "/" (but for "/").
std::string KeptFolderOf(const std::string& source, const std::string& listedFolder, const std::string& destination);

// Creates folder and every missing folder above it (mode 0777 less the
// umask). True when it is a folder at the end; false with errno set.
bool MakeFolders(const std::string& folder);

struct TKvSetAsideResult {
    // What the copy or move did; a folder that could not be made, and a
    // record that could not be written, are failures in it too.
    TKvFileOperationResult Transfer;
    // The record written, or empty when nothing was placed (or it failed).
    std::string RecordPath;
};

// Copies (move false) or moves files under destination, keeping their
// folders below listedFolder (KeptFolderOf, the folders made as needed),
// with the conflict questions and progress of callbacks, and writes the
// record of the files placed into destination, named for when (a free name
// beside it when that one is taken).
TKvSetAsideResult SetAsideFiles(const std::vector<TKvSetAsideFile>& files, const std::string& listedFolder,
                                const std::string& destination, bool move, const TKvFileOperationCallbacks& callbacks,
                                std::time_t when);

// Moves the files of the record at recordPath back to their original
// places, under their original names. A file is refused (a failure, left
// where it is) when its original place is taken again, when it is gone, is
// not a regular file, or its size or SHA-256 differs from the record's, and
// when the record places it outside the record's own folder. A missing
// original folder is made again. Afterwards the record lists only the files
// that were not moved back, and is removed when none is left.
TKvFileOperationResult UndoSetAside(const std::string& recordPath, const TKvFileOperationCallbacks& callbacks);
