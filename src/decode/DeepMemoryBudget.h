// One memory budget that all deep checks of a run share, so that checking
// many large files at once waits instead of driving the machine into swap.
//
// Thread-safe: any number of decoding threads take and give back.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class DeepMemoryBudget {
public:
    // bytes >= 1.
    explicit DeepMemoryBudget(uint64_t bytes);

    uint64_t total() const { return total_; }

    // Takes bytes once that much is free, waiting for other takers to give
    // theirs back; false at once, taking nothing, when bytes exceed the
    // whole budget.
    bool take(uint64_t bytes);
    void giveBack(uint64_t bytes);

private:
    const uint64_t total_;
    uint64_t used_ = 0;
    std::mutex mutex_;
    std::condition_variable freed_;
};

// A quarter of the physical memory (at least 64 MiB): what the deep checks of
// a run may hold together unless told otherwise.
uint64_t DefaultDeepMemoryBudget();

// "512M", "2G", "65536K" or a count of bytes ("1073741824"); suffixes K, M,
// G and T (any case, optionally followed by "iB" or "B") are powers of 1024.
// Nothing when the text is no such size or is 0.
std::optional<uint64_t> ParseMemorySize(std::string_view text);

// "512 MiB", "5.8 GiB": a size for people.
std::string MemoryText(uint64_t bytes);
