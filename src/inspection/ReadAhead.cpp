#include "inspection/ReadAhead.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr uint64_t kAnnouncedHead = 1u << 20;

// Whether the file's first byte can be read without waiting for the disk.
bool HeadIsCached(int fd)
{
    char byte;
    iovec part{&byte, 1};
    return ::preadv2(fd, &part, 1, 0, RWF_NOWAIT) >= 0;
}

}  // namespace

ReadAhead::ReadAhead(Describe describe, const JpegFileReader* reader, ReadAheadLimits limits, Stopping stopping)
    : describe_(std::move(describe)), limits_(limits), stopping_(std::move(stopping)), reader_(reader),
      adaptive_(reader && limits.onlyWhenCold), active_(!adaptive_)
{
    if (reader_) {
        waitsSeen_ = reader_->diskWaits();
        cachedSeen_ = reader_->cachedFiles();
    }
}

void ReadAhead::followTheDisk()
{
    if (!adaptive_)
        return;
    const uint64_t waits = reader_->diskWaits();
    const uint64_t cached = reader_->cachedFiles();
    if (waits != waitsSeen_)
        active_ = true;  // opened ahead or not, it came from the disk
    else if (cached != cachedSeen_ && previousReadAtItsTurn_)
        active_ = false;  // read without read-ahead, and from the cache
    waitsSeen_ = waits;
    cachedSeen_ = cached;
}

ReadAhead::~ReadAhead()
{
    abandon();
}

void ReadAhead::abandon()
{
    for (const Ahead& item : ahead_) {
        if (item.fd >= 0)
            ::close(item.fd);
    }
    ahead_.clear();
    nextToAnnounce_ = 0;
    bytesAhead_ = 0;
    openAhead_ = 0;
}

int ReadAhead::take(size_t index, size_t end)
{
    followTheDisk();
    // Items passed over (the walk skipped them) give their descriptors back.
    while (!ahead_.empty() && ahead_.front().index < index) {
        const Ahead& item = ahead_.front();
        if (item.fd >= 0) {
            ::close(item.fd);
            --openAhead_;
            bytesAhead_ -= item.size;
        }
        ahead_.pop_front();
    }
    int fd = -1;
    if (!ahead_.empty() && ahead_.front().index == index) {
        const Ahead& item = ahead_.front();
        if (item.fd >= 0) {
            fd = item.fd;
            --openAhead_;
            bytesAhead_ -= item.size;
        }
        ahead_.pop_front();
    }
    previousReadAtItsTurn_ = fd < 0;
    if (nextToAnnounce_ <= index)
        nextToAnnounce_ = index + 1;
    if (active_)
        announceUpTo(end);
    return fd;
}

void ReadAhead::announceUpTo(size_t end)
{
    // Items not opened count too, so that a run of them ends the step.
    while (nextToAnnounce_ < end && openAhead_ < limits_.files && ahead_.size() < 4 * limits_.files &&
           (openAhead_ == 0 || bytesAhead_ < limits_.bytes)) {
        if (stopping_ && stopping_())
            return;
        Ahead item{nextToAnnounce_++, -1, 0};
        const bool probe = adaptive_ && item.index % kProbeInterval == kProbeInterval - 1;
        const Kind kind = describe_(item.index, path_, item.size);
        const char* name = nullptr;
        const int folder = kind == Kind::Other ? -1 : folders_.folderFor(path_, name);
        bool regular = kind == Kind::Regular;
        if (kind == Kind::Unknown && folder != -1) {
            struct stat status {};
            regular = ::fstatat(folder, name, &status, 0) == 0 && S_ISREG(status.st_mode);
            item.size = regular ? static_cast<uint64_t>(status.st_size) : 0;
        }
        if (regular && folder != -1) {
            // Non-blocking all the same: the name may have become a FIFO
            // since it was listed. The check's fstat refuses anything that is
            // not a regular file.
            item.fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (item.fd >= 0 && probe && HeadIsCached(item.fd)) {
                // Not announced by us, yet in memory: the files come from
                // the cache again. This one is handed over all the same.
                active_ = false;
                ++opened_;
                ++openAhead_;
                bytesAhead_ += item.size;
                ahead_.push_back(item);
                return;
            }
            if (item.fd >= 0) {
                // The head of the file only: announcing a large file whole
                // costs a walk over its cached pages even when it is warm, and
                // the reader announces the rest a window ahead of itself.
                ::posix_fadvise(item.fd, 0, static_cast<off_t>(kAnnouncedHead), POSIX_FADV_WILLNEED);
                ++opened_;
                ++openAhead_;
                bytesAhead_ += item.size;
            }
        }
        ahead_.push_back(item);
    }
}
