#include "RecordOutput.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

RecordOutput::RecordOutput(int fd, char terminator, bool interactive)
    : fd_(fd), terminator_(terminator), interactive_(interactive)
{
    buffer_.reserve(1 << 16);
}

void RecordOutput::add(std::string_view record)
{
    if (held_ == 0)
        oldest_ = Clock::now();
    buffer_.append(record);
    buffer_ += terminator_;
    ++held_;
    // 1 MiB is far above what 100 ms of records usually take; beyond it the
    // records are written at once rather than held.
    if (held_ >= kMaxHeldRecords || buffer_.size() >= (1u << 20))
        writeHeld();
}

void RecordOutput::writeDue(Clock::time_point now)
{
    if (held_ > 0 && (interactive_ || now - oldest_ >= kMaxHold))
        writeHeld();
}

bool RecordOutput::writeAll()
{
    if (held_ > 0)
        writeHeld();
    return !failed();
}

void RecordOutput::writeHeld()
{
    size_t at = 0;
    while (at < buffer_.size() && !failed()) {
        // The most whole records that fit into one atomic write; a record
        // longer than that alone.
        size_t end = at + kAtomicWrite;
        if (end >= buffer_.size()) {
            end = buffer_.size();
        } else {
            const size_t last = buffer_.rfind(terminator_, end - 1);
            end = last != std::string::npos && last >= at ? last + 1 : buffer_.find(terminator_, at) + 1;
        }
        if (!writeWhole(buffer_.data() + at, end - at))
            error_ = errno;
        at = end;
    }
    buffer_.clear();
    held_ = 0;
}

bool RecordOutput::writeWhole(const char* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            // A signal that is to end the run interrupts a write; the rest
            // of the line still goes out before the run ends.
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}
