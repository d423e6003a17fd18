// Opening by paths of any length. The kernel refuses a path of PATH_MAX bytes
// or more (ENAMETOOLONG) even when every folder on it exists; these walk such
// a path in pieces, each opened relative to the folder before it.
#pragma once

#include <string>

// openat(folderFd, path, flags) for a path of any length (folderFd may be
// AT_FDCWD). A path shorter than PATH_MAX costs exactly one openat; a longer
// one costs one more per PATH_MAX bytes, and never holds more than two
// descriptors at a time. Links on the way are followed as openat follows
// them. Returns the descriptor, or -1 with errno set by the failing step.
int OpenLongPath(int folderFd, const std::string& path, int flags);

// What a path names at this moment, looked up as stat looks (links
// followed) but through OpenLongPath, so that paths of any length work.
// Missing also stands for a path that cannot be looked at, and for "".
enum class PathKind { Missing, Folder, RegularFile, Other };
PathKind KindOfPath(const std::string& path);
inline bool IsFolder(const std::string& path) { return KindOfPath(path) == PathKind::Folder; }
inline bool IsRegularFile(const std::string& path) { return KindOfPath(path) == PathKind::RegularFile; }

// Splits paths into a folder descriptor for the *at() calls and the name
// within it. The folder stays open until a path in another folder comes, so
// a run through one folder costs one short lookup per file instead of a walk
// of the whole path, and a path of any length can be opened. One thread only.
class FolderLookup {
public:
    FolderLookup() = default;
    ~FolderLookup();
    FolderLookup(const FolderLookup&) = delete;
    FolderLookup& operator=(const FolderLookup&) = delete;

    // The folder of path and, in name, the rest (pointing into path). A path
    // without a folder gives AT_FDCWD and the whole path. Returns -1 with
    // errno set when the folder cannot be opened.
    int folderFor(const std::string& path, const char*& name);

private:
    std::string folder_;
    int folderFd_ = -1;
};
