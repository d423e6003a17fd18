// Checks the files of a listing while it goes on, on one or more threads,
// and hands the results back on the calling thread in the listing's order,
// holding no more than a fixed number of files between the two.
#pragma once

#include "CheckTargets.h"
#include "RecordFormat.h"
#include "decode/JpegDeepCheck.h"
#include "fixity/Fixity.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/ReadAhead.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

    // With CheckReading::hash, for a regular file that was opened: the
    // SHA-256 of its content, from the check's own reads. changedWhileRead:
    // the file was not the same after the read as before (size, time or
    // inode), so the digest belongs to no state of it.
    bool hashed = false;
    Sha256Bytes sha256{};
    bool changedWhileRead = false;

    // With catalogue hooks: how the file compares with its record, the
    // record as it was before this run (if any), and with Moved the path
    // whose recorded content this is. stored: the file was not read, its
    // verdicts are the record's (sha256 too, with hashed set).
    Fixity fixity = Fixity::None;
    std::optional<FixityRecord> recorded;
    std::string movedFrom;
    bool stored = false;
    // A catalogue that could not be read: the run cannot go on.
    std::string catalogueError;
};

// One target of the listing and, for a file, what its check found.
struct CheckItem {
    CheckTarget target;
    CheckOutcome outcome;  // for a target without listingError
};

// What a run does on a checking thread around each file besides the check;
// one object per checking thread, used by that thread only.
class CheckHooks {
public:
    virtual ~CheckHooks() = default;
    // Before the file is opened or read ahead: true when it need not be read
    // at all, its outcome filled in.
    virtual bool settle(const CheckTarget& target, CheckOutcome& outcome) = 0;
    // After the check of a file that was not settled and could be read.
    virtual void checked(const CheckTarget& target, CheckOutcome& outcome) = 0;
    // After each run of files the thread claimed, before it waits for more.
    virtual void runDone() {}
};

// How files are read ahead of the check (see ReadAhead).
struct CheckReading {
    bool readAhead = true;
    ReadAheadLimits limits;
    // Each file is also decoded (DeepCheckJpegFile) on the thread that walked it.
    bool deep = false;
    // What the decodes of all threads may hold at once; 0: DefaultDeepMemoryBudget().
    uint64_t deepMemory = 0;
    // Each file's content is hashed (SHA-256) from the check's reads.
    bool hash = false;
    // Makes each checking thread's hooks, on that thread; none when empty.
    // It may throw (std::exception): the thread's items then carry the
    // reason in catalogueError.
    std::function<std::unique_ptr<CheckHooks>()> hooks;
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
