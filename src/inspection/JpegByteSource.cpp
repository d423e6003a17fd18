#include "inspection/JpegByteSource.h"

#include "inspection/MarkerScan.h"
#include "paths/LongPath.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

MemoryByteSource::MemoryByteSource(std::span<const uint8_t> data)
{
    window_ = data.data();
    windowStart_ = 0;
    windowLength_ = data.size();
    size_ = data.size();
}

bool MemoryByteSource::fill(uint64_t)
{
    // The window is the whole data: a byte outside it does not exist.
    return false;
}

JpegFileReader::JpegFileReader(size_t window) : capacity_(std::max<size_t>(window, 1)) {}

int JpegFileReader::folderFor(const std::string& path, const char*& name)
{
    return folders_.folderFor(path, name);
}

void JpegFileReader::attach(int fd, uint64_t size)
{
    fd_ = fd;
    firstFill_ = true;
    passedOn_ = 0;
    size_ = size;
    window_ = buffer_.get();
    windowStart_ = 0;
    windowLength_ = 0;
}

void JpegFileReader::detach()
{
    fd_ = -1;
    size_ = 0;
    windowLength_ = 0;
}

bool JpegFileReader::fill(uint64_t pos)
{
    // The walk steps back at most a segment's worth of already-read bytes;
    // keeping some of them in a forward refill saves a re-read at the seam.
    const uint64_t lookBehind = std::min<uint64_t>(capacity_ / 8, 512);
    uint64_t start = pos;
    if (pos >= windowStart_ + windowLength_ && pos >= lookBehind && pos - lookBehind >= windowStart_)
        start = pos - lookBehind;

    if (sink_ && start > passedOn_) {
        // The walk jumps over bytes (a segment's content, entropy-coded data
        // past a window): they are read on the way, window by window, so
        // that the sink sees every byte, and the walk goes on from the
        // window that holds pos.
        while (pos - passedOn_ >= capacity_) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity_, size_ - passedOn_));
            const size_t got = readWindow(passedOn_, want);
            passWindow();
            if (got < want)
                return false;  // the file shrank before pos
        }
        start = passedOn_;
    }
    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity_, size_ - start));
    const size_t got = readWindow(start, want);
    if (sink_)
        passWindow();
    return pos < start + got;
}

void JpegFileReader::passRest()
{
    while (passedOn_ < size_) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity_, size_ - passedOn_));
        if (readWindow(passedOn_, want) == 0)
            return;
        passWindow();
    }
}

void JpegFileReader::passWindow()
{
    const uint64_t end = windowStart_ + windowLength_;
    if (end <= passedOn_)
        return;
    // Windows start at or before passedOn_: a refill either moves forward
    // from it or steps back over bytes already passed on.
    const size_t skip = static_cast<size_t>(passedOn_ - windowStart_);
    sink_->take(window_ + skip, windowLength_ - skip);
    passedOn_ = end;
}

size_t JpegFileReader::readWindow(uint64_t start, size_t want)
{
    if (allocated_ < want) {
        // Grows to the largest file seen, never beyond the window.
        const size_t grown = std::min(capacity_, std::max(want, allocated_ * 2));
        buffer_.reset(new uint8_t[grown]);
        allocated_ = grown;
    }
    size_t got = 0;
    if (firstFill_) {
        // The file's first read tries the page cache alone, which tells
        // read-ahead whether files are coming from the disk.
        firstFill_ = false;
        iovec part{buffer_.get(), want};
        const ssize_t n = ::preadv2(fd_, &part, 1, static_cast<off_t>(start), RWF_NOWAIT);
        if (n == static_cast<ssize_t>(want)) {
            got = want;
            ++cachedFiles_;
        } else {
            got = n > 0 ? static_cast<size_t>(n) : 0;
            ++diskWaits_;
        }
    }
    while (got < want) {
        const ssize_t n = ::pread(fd_, buffer_.get() + got, want - got, static_cast<off_t>(start + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            windowLength_ = 0;
            throw std::system_error(errno, std::generic_category(), "read");
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytesRead_ += got;
    // A large file: the next window is read from the disk while this one is
    // walked.
    if (got == want && start + got < size_)
        ::posix_fadvise(fd_, static_cast<off_t>(start + got), static_cast<off_t>(capacity_), POSIX_FADV_WILLNEED);
    window_ = buffer_.get();
    windowStart_ = start;
    windowLength_ = got;
    if (got < want)
        size_ = start + got;  // the file shrank: what was read is all there is
    return got;
}

bool BoundedReader::ensure()
{
    if (pos_ - source_.windowStart_ < source_.windowLength_)
        return true;
    if (pos_ >= source_.size_)
        return false;
    return source_.fill(pos_);
}

bool BoundedReader::read(void* destination, size_t n)
{
    auto* out = static_cast<uint8_t*>(destination);
    while (n > 0) {
        if (!ensure())
            return false;
        const size_t offset = static_cast<size_t>(pos_ - source_.windowStart_);
        const size_t chunk = std::min(n, source_.windowLength_ - offset);
        std::memcpy(out, source_.window_ + offset, chunk);
        out += chunk;
        pos_ += chunk;
        n -= chunk;
    }
    return true;
}

BoundedReader::MarkerSearch BoundedReader::nextMarker(uint8_t& marker)
{
    for (;;) {
        if (!ensure()) {
            pos_ = std::max(pos_, source_.size_);
            return MarkerSearch::End;
        }
        // Pairs that lie wholly in the window are searched in one call, stuffed
        // zeros and restart markers included; the last byte of the window is
        // looked at with the next one below, whatever refill that needs.
        const size_t offset = static_cast<size_t>(pos_ - source_.windowStart_);
        const size_t available = source_.windowLength_ - offset;
        const size_t hit = FindMarkerPair(source_.window_ + offset, available);
        pos_ += hit;
        if (hit + 1 < available) {
            marker = source_.window_[offset + hit + 1];
            pos_ += 2;
            return MarkerSearch::Found;
        }
        uint8_t last;
        if (!u8(last) || last != 0xFF)
            continue;
        if (!u8(marker))
            return MarkerSearch::Truncated;
        if (marker != 0x00 && (marker & 0xF8) != 0xD0)
            return MarkerSearch::Found;
        if (pos_ >= source_.size_)
            return MarkerSearch::End;
    }
}
