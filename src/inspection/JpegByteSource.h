// Byte sources for the marker walk and the one bounded reader through which
// the walk touches them.
//
// A source exposes a window of the data [windowStart, windowStart + windowLength)
// and refills it on request. The in-memory source's window is the whole data;
// the file source reads through one reused buffer, so a file of any size is
// walked in bounded memory with the same results as a whole-file walk.
#pragma once

#include "paths/LongPath.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

class JpegByteSource {
public:
    virtual ~JpegByteSource() = default;
    JpegByteSource() = default;
    JpegByteSource(const JpegByteSource&) = delete;
    JpegByteSource& operator=(const JpegByteSource&) = delete;

    // Bytes in the data. A file source lowers it when the file turns out
    // shorter than it said (it shrank while being read).
    uint64_t size() const { return size_; }

protected:
    // Makes the window hold the byte at pos (pos < size()). Returns false when
    // that byte cannot be had because the data ended early. Throws
    // std::system_error when the underlying read fails.
    virtual bool fill(uint64_t pos) = 0;

    const uint8_t* window_ = nullptr;
    uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
    uint64_t size_ = 0;

    friend class BoundedReader;
};

// Receives every byte of a file exactly once and in order, as a
// JpegFileReader reads it (a content hash computed from the check's own read).
class ContentSink {
public:
    virtual ~ContentSink() = default;
    virtual void take(const uint8_t* bytes, size_t count) = 0;
};

class MemoryByteSource final : public JpegByteSource {
public:
    explicit MemoryByteSource(std::span<const uint8_t> data);

protected:
    bool fill(uint64_t pos) override;
};

// Reads an open file through one buffer that is reused from file to file.
// Not thread-safe: give each thread its own reader.
class JpegFileReader final : public JpegByteSource {
public:
    static constexpr size_t kDefaultWindow = 1u << 20;

    // window: bytes held at once (at least 1; tests use tiny windows to
    // exercise every refill path).
    explicit JpegFileReader(size_t window = kDefaultWindow);

    // See FolderLookup.
    int folderFor(const std::string& path, const char*& name);

    // Starts reading fd (not owned) whose size fstat reported.
    void attach(int fd, uint64_t size);
    void detach();

    // With a sink, every byte of each attached file passes through it once,
    // in order: a refill that would jump over bytes the walk skips reads
    // them on the way (the same reads a plain sequential read would make),
    // and passRest() reads whatever the walk left, to the end of the file.
    // nullptr (the default) turns this off. The sink is not owned.
    void setContentSink(ContentSink* sink) { sink_ = sink; }
    ContentSink* contentSink() const { return sink_; }
    // Reads and passes on the rest of the attached file, up to the size given
    // to attach (or to where it ends, when it shrank). A caller that must
    // know whether the file changed meanwhile looks at it again afterwards.
    // Throws std::system_error when a read fails.
    void passRest();

    // Bytes the reader pulled from files since it was created.
    uint64_t bytesRead() const { return bytesRead_; }
    // Files whose first read came wholly from the page cache, and files whose
    // first read had to wait for the disk (or could not tell), since creation.
    uint64_t cachedFiles() const { return cachedFiles_; }
    uint64_t diskWaits() const { return diskWaits_; }

protected:
    bool fill(uint64_t pos) override;

private:
    // Reads up to want bytes at start into the buffer (want <= capacity_);
    // returns how many the file had there.
    size_t readWindow(uint64_t start, size_t want);
    // Passes on the bytes of the window [windowStart_, +windowLength_) that
    // lie past what was passed on before.
    void passWindow();

    size_t capacity_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t allocated_ = 0;
    int fd_ = -1;
    bool firstFill_ = false;
    uint64_t bytesRead_ = 0;
    uint64_t cachedFiles_ = 0;
    uint64_t diskWaits_ = 0;
    ContentSink* sink_ = nullptr;
    uint64_t passedOn_ = 0;
    FolderLookup folders_;
};

// The only code that turns offsets into memory accesses. Positions are
// absolute file offsets; a position may lie past the end (a segment length
// may point there), reads from there fail.
class BoundedReader {
public:
    explicit BoundedReader(JpegByteSource& source) : source_(source) {}

    uint64_t pos() const { return pos_; }
    uint64_t size() const { return source_.size_; }
    bool atEnd() const { return pos_ >= source_.size_; }
    void seek(uint64_t pos) { pos_ = pos; }
    // Relative move; the walk only ever steps back over bytes it has read.
    void skip(int64_t delta) { pos_ = static_cast<uint64_t>(static_cast<int64_t>(pos_) + delta); }

    bool u8(uint8_t& value)
    {
        // Unsigned: a position before the window wraps and fails the test too.
        if (pos_ - source_.windowStart_ < source_.windowLength_) {
            value = source_.window_[pos_ - source_.windowStart_];
            ++pos_;
            return true;
        }
        return read(&value, 1);
    }

    bool u16be(uint16_t& value)
    {
        uint8_t bytes[2];
        if (!read(bytes, 2))
            return false;
        value = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
        return true;
    }

    // Copies n bytes and advances; false (position unspecified) when the data
    // ends first.
    bool read(void* destination, size_t n);

    enum class MarkerSearch { Found, End, Truncated };
    // From the position, passes over every byte that is not FF and every
    // FF 00 (stuffed zero) and FF D0..D7 (restart) pair that is followed by
    // more data, as the walk would one marker at a time, and reads the next
    // marker code. Found: the position is just after the code. End: the data
    // ended (the position is at or past the end). Truncated: an FF was the
    // last byte, so its code could not be read.
    MarkerSearch nextMarker(uint8_t& marker);

private:
    // Makes the window hold pos_; false when the data has no byte there.
    bool ensure();

    JpegByteSource& source_;
    uint64_t pos_ = 0;
};
