// Lists one folder with what the file list needs of each item: name, size,
// attribute bits and the three file times. Names are bytes as the system
// returns them.
#pragma once

#include <cstdint>
#include <string>

#include <sys/types.h>

// Attribute bits of a listed item.
enum : uint32_t {
    kvAttrReadOnly = 0x01,  // the owner has no write permission
    kvAttrHidden = 0x02,    // the name begins with "."
    kvAttrSystem = 0x04,    // never set here
    kvAttrFolder = 0x10,
    kvAttrArchive = 0x20,   // never set here
};

// File times are nanoseconds since 1970; a time the file system does not
// keep (the creation time on many) is kUnknownFileTime.
constexpr int64_t kUnknownFileTime = INT64_MIN;

struct TKvDirectoryItem {
    std::string Name;
    int64_t Size = 0;
    uint32_t Attr = 0;
    int64_t CreationTime = kUnknownFileTime;
    int64_t LastAccessTime = kUnknownFileTime;
    int64_t LastWriteTime = kUnknownFileTime;
    // Identity of what the name leads to (links followed), so that a folder
    // reached twice through links is searched once.
    dev_t Device = 0;
    ino_t Inode = 0;
};

// One pass over a folder's items ("." and ".." left out). Links are
// followed; a link whose target is missing is listed with the link's own data.
// Not thread-safe; each thread lists with its own object.
class TKvDirectoryListing {
public:
    TKvDirectoryListing() = default;
    ~TKvDirectoryListing();
    TKvDirectoryListing(const TKvDirectoryListing&) = delete;
    TKvDirectoryListing& operator=(const TKvDirectoryListing&) = delete;

    // False when the folder cannot be listed (missing, no access, not a
    // folder). A path of any length is opened (items are looked at relative
    // to the open folder); one descriptor stays open until Close.
    bool Open(const std::string& folder);
    // The next item, or false at the end (also when the folder vanished
    // while being listed).
    bool Next(TKvDirectoryItem& item);
    void Close();

private:
    void* dir_ = nullptr;  // DIR*
};

// Device and inode of a folder (links followed), whatever the length of its
// path; false when it cannot be read.
bool FolderIdentity(const std::string& folder, dev_t& device, ino_t& inode);
