// The standard output of scanlark-check: records written whole, so that
// several checkers writing into one pipe or one file opened for appending
// never tear each other's lines, and flushed often enough that a run that
// is killed loses little.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// One thread only (the one that delivers the results).
class RecordOutput {
public:
    using Clock = std::chrono::steady_clock;

    // fd: where to write. terminator ends every record ('\n', or '\0' for
    // --print0). interactive: a person watches (a terminal), so every batch
    // of records is written at once; otherwise whole records are held until
    // kMaxHeldRecords are waiting or the oldest has waited kMaxHold.
    RecordOutput(int fd, char terminator, bool interactive);

    // Appends one record; record must not hold the terminator, which is
    // added. Writes when the rules above say so.
    void add(std::string_view record);
    // Writes whatever the holding rules say is due by now; call it at least
    // every few tens of milliseconds while records wait.
    void writeDue(Clock::time_point now = Clock::now());
    // Writes every record held. False when the output could not be written
    // (the reason stays in errno); records are then dropped.
    bool writeAll();
    bool holding() const { return held_ > 0; }
    bool interactive() const { return interactive_; }
    // Whether a write has failed (the reason is in error()).
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }

    static constexpr size_t kMaxHeldRecords = 1000;
    // With writeDue called every 20 ms, no record waits longer than 100 ms.
    static constexpr std::chrono::milliseconds kMaxHold{80};
    // A pipe takes a write of up to this many bytes whole, never mixed with
    // another writer's (POSIX PIPE_BUF on Linux); longer records get a write
    // of their own.
    static constexpr size_t kAtomicWrite = 4096;

private:
    // Writes buffer_ in calls of whole records, each at most kAtomicWrite
    // bytes where the records allow.
    void writeHeld();
    // One write(2) of bytes, finished after an interruption or a partial write.
    bool writeWhole(const char* bytes, size_t size);

    int fd_;
    char terminator_;
    bool interactive_;
    std::string buffer_;
    size_t held_ = 0;
    Clock::time_point oldest_{};
    int error_ = 0;
};
