// Turns the command line's PATHs into the ordered list of files to check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CheckTargetOptions {
    bool recursive = false;    // also the folders below, breadth-first
    bool skipHidden = false;   // names beginning with "." inside folders
};

struct ListingError {
    std::string folder;  // bytes as found
    std::string reason;  // the system's text
};

// What the listing saw at a file's path.
struct ListedFile {
    bool regular = false;  // a regular file (links followed); else never opened ahead
    uint64_t size = 0;     // 0 when the listing did not look (the name's type sufficed)
};

struct CheckTargets {
    std::vector<std::string> files;
    std::vector<ListedFile> listed;  // one for each of files
    // Every folder that could not be listed, or found but not searched.
    std::vector<ListingError> listingErrors;
};

// A PATH that is a folder contributes its .jpg/.jpeg files (any letter case)
// sorted by name, then (with recursive) those of its subfolders, level by
// level. Any other PATH, existing or not, is taken as a file as it stands.
// Folder links are followed once per folder, so a link loop still ends. Any
// depth is searched (paths longer than PATH_MAX included). A link of a JPEG
// name that leads nowhere is listed as a file (the check reports it); other
// such links are passed over.
CheckTargets CollectCheckTargets(const std::vector<std::string>& paths, const CheckTargetOptions& options);

// True for names ending in .jpg or .jpeg, any letter case.
bool HasJpegExtension(const std::string& name);
