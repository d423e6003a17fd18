#include "decode/DeepMemoryBudget.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <limits>

#include <unistd.h>

DeepMemoryBudget::DeepMemoryBudget(uint64_t bytes) : total_(std::max<uint64_t>(bytes, 1)) {}

bool DeepMemoryBudget::take(uint64_t bytes)
{
    if (bytes > total_)
        return false;
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return total_ - used_ >= bytes; });
    used_ += bytes;
    return true;
}

void DeepMemoryBudget::giveBack(uint64_t bytes)
{
    {
        std::lock_guard lock(mutex_);
        used_ -= std::min(used_, bytes);
    }
    freed_.notify_all();
}

uint64_t DefaultDeepMemoryBudget()
{
    constexpr uint64_t kFloor = 64ull << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 1ull << 30;
    return std::max(kFloor, static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4);
}

std::optional<uint64_t> ParseMemorySize(std::string_view text)
{
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || value == 0)
        return std::nullopt;
    std::string suffix(end, text.data() + text.size());
    for (char& c : suffix)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int shift = 0;
    if (!suffix.empty()) {
        const std::string_view units = "KMGT";
        const size_t unit = units.find(suffix[0]);
        const std::string_view rest = std::string_view(suffix).substr(1);
        if (unit == std::string_view::npos || !(rest.empty() || rest == "B" || rest == "IB"))
            return std::nullopt;
        shift = 10 * static_cast<int>(unit + 1);
    }
    if (value > (std::numeric_limits<uint64_t>::max() >> shift))
        return std::nullopt;
    return value << shift;
}

std::string MemoryText(uint64_t bytes)
{
    char text[32];
    if (bytes >= (10ull << 30) || (bytes >= (1ull << 30) && bytes % (1ull << 30) == 0))
        std::snprintf(text, sizeof text, "%.0f GiB", static_cast<double>(bytes) / (1ull << 30));
    else if (bytes >= (1ull << 30))
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1ull << 30));
    else
        std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>(bytes >> 20));
    return text;
}
