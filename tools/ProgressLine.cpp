#include "ProgressLine.h"

#include <cstdio>

void ProgressLine::show(const RunProgress& progress)
{
    const auto now = std::chrono::steady_clock::now();
    if (!enabled_ || now < next_)
        return;
    next_ = now + std::chrono::milliseconds(100);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(progress.bytesRead) / 1e6 / seconds : 0.0;
    const auto done = static_cast<unsigned long long>(progress.delivered);
    const auto listed = static_cast<unsigned long long>(progress.listed);
    if (progress.listingDone)
        std::fprintf(stderr, "\r%llu/%llu files, %.1f MB/s\033[K", done, listed, rate);
    else
        std::fprintf(stderr, "\rlisting: %llu files in %llu folders so far; %llu checked, %.1f MB/s\033[K", listed,
                     static_cast<unsigned long long>(progress.foldersListed), done, rate);
    shown_ = true;
}

void ProgressLine::clear()
{
    if (shown_)
        std::fputs("\r\033[K", stderr);
    shown_ = false;
}
