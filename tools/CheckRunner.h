// Checks a list of files on one or more threads and hands the results back
// on the calling thread in the order of the list.
#pragma once

#include "KvJpegInfo.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CheckOutcome {
    TKvJpegInfo info;
    bool readFailed = false;  // the file was opened but could not be read
    std::string error;        // the system's reason when readFailed
};

// deliver(index, outcome) runs on the calling thread for every file, in
// order. progress(done, bytesRead), when set, runs on the calling thread
// about every 100 ms. jobs >= 1; with 1 everything runs on the calling thread.
void RunChecks(const std::vector<std::string>& files, unsigned jobs,
               const std::function<void(size_t, CheckOutcome&)>& deliver,
               const std::function<void(size_t, uint64_t)>& progress);
