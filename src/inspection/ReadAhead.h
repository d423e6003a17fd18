// Keeps the disk busy ahead of a walk through a list of files: while one file
// is checked, the next ones are opened and announced to the kernel
// (POSIX_FADV_WILLNEED), so that their reads are under way when their turn
// comes. Their descriptors are handed to the check, so no file is opened twice.
#pragma once

#include "inspection/JpegByteSource.h"
#include "paths/LongPath.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

struct ReadAheadLimits {
    // Files open ahead at once, and bytes (by the listing's sizes) announced
    // ahead; at least one file is announced whatever its size.
    size_t files = 32;
    uint64_t bytes = 64u << 20;
    // With a reader given: read ahead only while files come from the disk.
    // Files read without read-ahead tell (JpegFileReader::diskWaits): one
    // that waited turns read-ahead on; while it is on, one file in
    // kProbeInterval is looked at before it is announced (a read that may
    // not wait for the disk), and when its head is in the page cache
    // already, read-ahead is off again. Warm files then cost nothing more
    // than without read-ahead, and no cold file waits for its turn.
    bool onlyWhenCold = true;
};

// One thread only: the one that walks the list.
class ReadAhead {
public:
    // What the listing saw at an item's path. Only a regular file is ever
    // opened ahead (a FIFO or a device could wait or have side effects); an
    // item of unknown kind is looked at with a stat first.
    enum class Kind { Regular, Other, Unknown };
    // Item index of the list: its path, its size as listed (0: unknown) and kind.
    using Describe = std::function<Kind(size_t index, std::string& path, uint64_t& size)>;
    // Asked between two opens ahead; true ends the announcing at once.
    using Stopping = std::function<bool()>;

    // reader: the one that checks the files handed over, for onlyWhenCold
    // (null: always read ahead).
    ReadAhead(Describe describe, const JpegFileReader* reader, ReadAheadLimits limits = {}, Stopping stopping = {});
    // Closes every descriptor still held.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // For the walk's turn at index (indices rise from call to call; end is
    // one past the last item this walk will take): announces the items after
    // it up to the limits, and returns the descriptor opened ahead for index,
    // which the caller now owns, or -1 (not opened ahead, or the open failed:
    // the check opens it as it would without read-ahead).
    int take(size_t index, size_t end);
    // Closes everything held ahead; later takes start afresh.
    void abandon();

    // Files opened ahead since creation (for tests and measurements).
    uint64_t opened() const { return opened_; }
    // Whether read-ahead is on now (always, without onlyWhenCold).
    bool active() const { return active_; }

    static constexpr size_t kProbeInterval = 64;

private:
    struct Ahead {
        size_t index;
        int fd;  // -1: not opened (not regular, or the open failed)
        uint64_t size;
    };
    void announceUpTo(size_t end);
    // Turns read-ahead on or off from how the previous file was read.
    void followTheDisk();

    Describe describe_;
    ReadAheadLimits limits_;
    Stopping stopping_;
    FolderLookup folders_;
    std::deque<Ahead> ahead_;
    size_t nextToAnnounce_ = 0;
    uint64_t bytesAhead_ = 0;
    size_t openAhead_ = 0;
    uint64_t opened_ = 0;
    std::string path_;
    const JpegFileReader* reader_;
    bool adaptive_;
    bool active_;
    bool previousReadAtItsTurn_ = false;
    uint64_t waitsSeen_ = 0;
    uint64_t cachedSeen_ = 0;
};
