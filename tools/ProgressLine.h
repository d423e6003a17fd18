// The progress of a run on one rewritten terminal line of stderr: while the
// folders are listed, how many files were found in how many folders;
// then "done/total files", and the reading speed.
#pragma once

#include "CheckRunner.h"

#include <chrono>

class ProgressLine {
public:
    // shown: whether to show anything (stderr is a terminal, no --quiet).
    explicit ProgressLine(bool shown) : enabled_(shown), start_(std::chrono::steady_clock::now()) {}

    // Redraws the line at most every 100 ms.
    void show(const RunProgress& progress);
    // Removes the line, so that a message or rows can take its place.
    void clear();

private:
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point next_{};
    bool shown_ = false;
};
