// Checks the files of a listing while it goes on, on one or more threads,
// and hands the results back on the calling thread in the listing's order,
// holding no more than a fixed number of files between the two.
#pragma once

#include "CheckTargets.h"
#include "RecordFormat.h"
#include "decode/JpegDeepCheck.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/ReadAhead.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

struct CheckOutcome {
    TKvJpegInfo info;
    FileFacts facts;
    bool readFailed = false;    // the file was opened but could not be read
    bool noDescriptor = false;  // no descriptor to open it with, even after waiting
    std::string error;          // the system's reason when readFailed or noDescriptor
    int errorNumber = 0;        // its errno, 0 when there is none
    bool deepChecked = false;  // not for files with verdicts 4 to 6
    DeepInfo deep;             // with deepChecked
};

// One target of the listing and, for a file, what its check found.
struct CheckItem {
    CheckTarget target;
    CheckOutcome outcome;  // for a target without listingError
};

// How files are read ahead of the check (see ReadAhead).
struct CheckReading {
    bool readAhead = true;
    ReadAheadLimits limits;
    // Each file is also decoded (DeepCheckJpegFile) on the thread that walked it.
    bool deep = false;
    // What the decodes of all threads may hold at once; 0: DefaultDeepMemoryBudget().
    uint64_t deepMemory = 0;
};

struct RunProgress {
    uint64_t delivered = 0;
    uint64_t listed = 0;         // targets the listing has passed on so far
    uint64_t foldersListed = 0;
    bool listingDone = false;
    uint64_t bytesRead = 0;
};

// Raises the soft limit of open descriptors to the hard one: a descriptor
// short is no verdict about a file.
void RaiseDescriptorLimit();

// list(lister-side sink) runs on a thread of its own and passes on the
// targets; they are checked on `jobs` threads (>= 1), each reading ahead of
// its own files, no more threads than the descriptor limit allows.
// deliver(item) runs on the calling thread for every target, in the order
// listed; tick(progress) runs on the calling thread about every kTick, also
// while no result comes. Either may end the process (std::_Exit): nothing is
// waited for then. A file that finds no descriptor waits for one a few
// seconds and then comes back with noDescriptor.
void RunChecks(const std::function<void(TargetLister&)>& list, const CheckTargetOptions& options, unsigned jobs,
               const CheckReading& reading, const std::function<void(CheckItem&)>& deliver,
               const std::function<void(const RunProgress&)>& tick);

inline constexpr std::chrono::milliseconds kTick{20};
