// One file or folder of a listing, with its check result once checked.
#pragma once

#include "inspection/KvJpegInfo.h"

#include <QString>

#include <atomic>
#include <shared_mutex>
#include <cstddef>
#include <cstdint>
#include <string>

struct DeepInfo;

class TKvFileInfo {
public:
    explicit TKvFileInfo(bool ownsJpegInfo = true) : OwnsJpegInfo(ownsJpegInfo) {}
    ~TKvFileInfo();
    TKvFileInfo(const TKvFileInfo&) = delete;
    TKvFileInfo& operator=(const TKvFileInfo&) = delete;

    // Entries come from slabs of their own rather than one heap block each:
    // a listing makes tens of thousands in a burst, and fresh heap pages cost
    // one fault per 4 KiB where a slab takes large pages at once. A freed
    // entry's memory is kept for the next listing, never given back. Any
    // thread; an entry may be freed on another thread than the one that made it.
    static void* operator new(std::size_t size);
    static void operator delete(void* entry, std::size_t size) noexcept;

    bool OwnsJpegInfo;
    int32_t FindIndex = 0;   // position in the order of discovery
    int32_t IconIndex = -1;  // see IconTypeName()
    std::string Path;        // the folder, always ending in "/"
    std::string Name;        // bytes as listed
    int64_t Size = 0;        // 64-bit: files of 2 GiB and more keep their size
    uint32_t Attr = 0;       // kvAttr* bits
    int64_t CreationTime = 0;
    int64_t LastAccessTime = 0;
    int64_t LastWriteTime = 0;
    QString TypeName;
    // The collation key of Name (FileNameCollationKey), made by the listing
    // while it runs, or by the first comparison that needs it on the main
    // thread; empty until made. Whoever changes Name empties it.
    mutable std::string NameKey;
    // Scratch of the sort in progress (main thread only): the entry's slot in
    // the sort's precomputed collation keys.
    mutable int32_t SortSlot = -1;

    std::string FullFileName() const { return Path + Name; }
    // The last component of Path; empty for an entry in "/".
    std::string PathOnly() const;

    // The check result, or null. The check worker replaces records from its
    // own thread while rows may be painted: code that reads a record while a
    // check may run holds a TKvJpegInfoReadLock for as long as it uses it.
    // Code that runs only while no check runs (sorting, selecting) may read
    // without it.
    const TKvJpegInfo* JpegInfo() const { return jpegInfo_.load(std::memory_order_acquire); }
    // Attaches info and frees the previous record (when OwnsJpegInfo), under
    // the exclusive record lock, so no reader holding the shared lock can see
    // the old record freed. Any thread.
    void SetJpegInfo(TKvJpegInfo* info);

    // The deep check's result (decode/DeepInfo.h), or null: attached after
    // the walk's record by the check's decoding workers, and read under the
    // same lock and rules as JpegInfo. The entry always owns it.
    const DeepInfo* DeepCheckInfo() const { return deepInfo_.load(std::memory_order_acquire); }
    // Attaches info (may be null) and frees the previous result, under the
    // exclusive record lock. Any thread.
    void SetDeepInfo(DeepInfo* info);
    // Whether either check found damage: the walk's verdict 2 and up, or
    // image data the deep check calls damaged. Hold a TKvJpegInfoReadLock
    // while a check may run.
    bool CheckFoundDamage() const;

private:
    std::atomic<TKvJpegInfo*> jpegInfo_{nullptr};
    std::atomic<DeepInfo*> deepInfo_{nullptr};
};

// The lock that guards every entry's check result against its replacement.
// A reader-writer lock rather than a hand-over through the main thread: the
// worker takes it once per file without waiting for anyone, and readers on
// any thread (rows being painted) are safe, not only the main thread.
std::shared_mutex& JpegInfoMutex();

class TKvJpegInfoReadLock {
public:
    TKvJpegInfoReadLock() : lock_(JpegInfoMutex()) {}

private:
    std::shared_lock<std::shared_mutex> lock_;
};
