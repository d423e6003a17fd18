#include "JpegByteSource.h"

#include "LongPath.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
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

JpegFileReader::~JpegFileReader()
{
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

int JpegFileReader::folderFor(const std::string& path, const char*& name)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        name = path.c_str();
        return AT_FDCWD;
    }
    name = path.c_str() + slash + 1;
    const std::string_view folder(path.data(), slash == 0 ? 1 : slash);
    if (folderFd_ >= 0 && folder == folder_)
        return folderFd_;
    if (folderFd_ >= 0)
        ::close(folderFd_);
    folder_.assign(folder);
    folderFd_ = OpenLongPath(AT_FDCWD, folder_, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        folder_.clear();
    return folderFd_;
}

void JpegFileReader::attach(int fd, uint64_t size)
{
    fd_ = fd;
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

    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity_, size_ - start));
    if (allocated_ < want) {
        // Grows to the largest file seen, never beyond the window.
        const size_t grown = std::min(capacity_, std::max(want, allocated_ * 2));
        buffer_.reset(new uint8_t[grown]);
        allocated_ = grown;
    }
    size_t got = 0;
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
    window_ = buffer_.get();
    windowStart_ = start;
    windowLength_ = got;
    if (got < want)
        size_ = start + got;  // the file shrank: what was read is all there is
    return pos < start + got;
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

bool BoundedReader::findFF()
{
    for (;;) {
        if (!ensure()) {
            pos_ = std::max(pos_, source_.size_);
            return false;
        }
        const size_t offset = static_cast<size_t>(pos_ - source_.windowStart_);
        const uint8_t* from = source_.window_ + offset;
        const auto* hit = static_cast<const uint8_t*>(std::memchr(from, 0xFF, source_.windowLength_ - offset));
        if (hit) {
            pos_ += static_cast<uint64_t>(hit - from);
            return true;
        }
        pos_ = source_.windowStart_ + source_.windowLength_;
    }
}

BoundedReader::MarkerSearch BoundedReader::nextMarker(uint8_t& marker)
{
    for (;;) {
        if (!findFF())
            return MarkerSearch::End;
        ++pos_;
        if (!u8(marker))
            return MarkerSearch::Truncated;
        // Entropy-coded data is full of these; handling them here keeps the
        // walk at memchr speed. Both do nothing in the walk.
        if (marker != 0x00 && (marker & 0xF8) != 0xD0)
            return MarkerSearch::Found;
        if (pos_ >= source_.size_)
            return MarkerSearch::End;
    }
}
