// Turns the command line's PATHs and file lists into the ordered stream of
// files to check, handed on one at a time while the listing goes on, so
// that the memory a run takes does not grow with the number of files.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct stat;

// Which share of the files a run takes: those whose path hashes (ShardHash)
// to index modulo count. A file's shard depends on its path alone, so files
// added later leave the others where they were, and the shards of one count
// together take every file exactly once.
struct Shard {
    uint32_t index = 0;  // 0 .. count-1 (the command line's K is index + 1)
    uint32_t count = 1;
    bool takes(std::string_view path) const;
};

// 64-bit FNV-1a over the path's bytes: the same on every machine and in
// every version.
uint64_t ShardHash(std::string_view path);
// "K/N" with 1 <= K <= N <= 2^31; false when text is not that.
bool ParseShard(std::string_view text, Shard& shard);

struct CheckTargetOptions {
    bool recursive = false;    // also the folders below, breadth-first
    bool skipHidden = false;   // names beginning with "." inside folders
    Shard shard;
};

// What the listing saw at a file's path.
struct ListedFile {
    bool regular = false;  // a regular file (links followed); else never opened ahead
    uint64_t size = 0;     // 0 when the listing did not look (the name's type sufficed)
};

// A file to check or, with listingError, a folder that could not be listed
// or was found but could not be searched.
struct CheckTarget {
    std::string path;  // bytes as given or found
    ListedFile listed;
    int listingError = 0;  // errno
    // Whether this run reports the target (a listing error is seen by every
    // shard, since each may miss files by it, but reported by one).
    bool reported = true;
};

// Receives the targets in order, on the listing's thread.
class TargetSink {
public:
    virtual ~TargetSink() = default;
    virtual void take(CheckTarget&& target) = 0;
    // The listing is about to wait (for a folder or a file list): what was
    // taken should be passed on now.
    virtual void pausing() {}
};

// A PATH that is a folder contributes its .jpg/.jpeg files (any letter case)
// sorted by name, then (with recursive) those of its subfolders, level by
// level. Any other PATH, existing or not, is taken as a file as it stands.
// Folder links are followed once per folder, so a link loop still ends. Any
// depth is searched (paths longer than PATH_MAX included). A link of a JPEG
// name that leads nowhere is listed as a file (the check reports it); other
// such links are passed over. Files outside the options' shard are left out.
// Memory: one folder's names at a time, and the folders still to list.
class TargetLister {
public:
    TargetLister(const CheckTargetOptions& options, TargetSink& sink) : options_(options), sink_(sink) {}

    void addPath(const std::string& path);
    // Each path of the list read from fd (to its end) as a PATH; paths end
    // with separator ('\n' or '\0'); empty ones are passed over. False, with
    // errno, when the list could not be read; the paths before are listed.
    bool addList(int fd, char separator);

    // Called (on the listing's thread) with each PATH, given or listed, that
    // is a folder, before its files are passed on.
    std::function<void(const std::string&)> onFolderPath;

    // Folders opened so far; any thread.
    uint64_t foldersListed() const { return foldersListed_.load(std::memory_order_relaxed); }

private:
    class FolderWalk;
    // Passes target on when it is in the shard (a listing error always).
    void offer(CheckTarget&& target);

    const CheckTargetOptions& options_;
    TargetSink& sink_;
    std::atomic<uint64_t> foldersListed_{0};
};

// True for names ending in .jpg or .jpeg, any letter case.
bool HasJpegExtension(std::string_view name);

// Looks at what path leads to (links followed): one stat for a path of usual
// length, a walk in pieces for a longer one. False, with errno, when nothing
// can be seen there.
bool LookAtPath(const std::string& path, struct stat& status);
// Whether nothing is at path now (or a part of it is not a folder), as
// opposed to being there or not to be looked at.
bool PathIsGone(const std::string& path);
