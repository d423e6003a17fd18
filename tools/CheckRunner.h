// Checks a list of files on one or more threads and hands the results back
// on the calling thread in the order of the list.
#pragma once

#include "CheckTargets.h"
#include "decode/JpegDeepCheck.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/ReadAhead.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CheckOutcome {
    TKvJpegInfo info;
    bool readFailed = false;    // the file was opened but could not be read
    bool noDescriptor = false;  // no descriptor to open it with, even after waiting
    std::string error;          // the system's reason when readFailed or noDescriptor
    bool deepChecked = false;  // not for files with verdicts 4 to 6
    DeepInfo deep;             // with deepChecked
};

// How files are read ahead of the check (see ReadAhead).
struct CheckReading {
    // One for each file; files without one, or not regular, are not read ahead.
    const std::vector<ListedFile>* listed = nullptr;
    bool readAhead = true;
    ReadAheadLimits limits;
    // Each file is also decoded (DeepCheckJpegFile) on the thread that walked it.
    bool deep = false;
    // What the decodes of all threads may hold at once; 0: DefaultDeepMemoryBudget().
    uint64_t deepMemory = 0;
};

// Raises the soft limit of open descriptors to the hard one: a descriptor
// short is no verdict about a file.
void RaiseDescriptorLimit();

// deliver(index, outcome) runs on the calling thread for every file, in
// order. progress(done, bytesRead), when set, runs on the calling thread
// about every 100 ms. jobs >= 1; with 1 everything runs on the calling thread.
// Each thread reads ahead of its own files. No more threads run than the
// descriptor limit allows; a file that finds no descriptor waits for one a
// few seconds and then comes back with noDescriptor.
void RunChecks(const std::vector<std::string>& files, unsigned jobs, const CheckReading& reading,
               const std::function<void(size_t, CheckOutcome&)>& deliver,
               const std::function<void(size_t, uint64_t)>& progress);
