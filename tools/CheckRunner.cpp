#include "CheckRunner.h"

#include "decode/DeepMemoryBudget.h"
#include "fixity/Sha256.h"
#include "inspection/JpegByteSource.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using Clock = std::chrono::steady_clock;

// How long one file waits for a descriptor that other programs (ENFILE) or
// this one's other threads hold, before the run gives up.
constexpr auto kDescriptorWait = std::chrono::seconds(3);

bool isDescriptorShortage(const std::system_error& e)
{
    return e.code() == std::errc::too_many_files_open || e.code() == std::errc::too_many_files_open_in_system;
}

// The deep check's side of a run: whether files are decoded, and the memory
// budget all decoding threads share.
struct DeepRun {
    bool on = false;
    DeepMemoryBudget* budget = nullptr;
};

// Whether path, looked at again after its read, is the file that was read.
bool sameAfterRead(JpegFileReader& reader, const std::string& path, const struct stat& before)
{
    const char* name = nullptr;
    const int folder = reader.folderFor(path, name);
    struct stat after {};
    return folder != -1 && ::fstatat(folder, name, &after, 0) == 0 && after.st_size == before.st_size
           && after.st_mtim.tv_sec == before.st_mtim.tv_sec && after.st_mtim.tv_nsec == before.st_mtim.tv_nsec
           && after.st_ino == before.st_ino && after.st_dev == before.st_dev;
}

void checkOnce(const std::string& path, JpegFileReader& reader, int openedAhead, DeepRun deep, Sha256Digest* digest,
               CheckOutcome& outcome)
{
    struct stat opened {};
    if (digest)
        digest->start();
    CheckJpegFile(path, outcome.info, reader, openedAhead, &opened);
    if (S_ISREG(opened.st_mode))
        outcome.facts = {true, static_cast<uint64_t>(opened.st_size), opened.st_mtim.tv_sec,
                         static_cast<uint32_t>(opened.st_mtim.tv_nsec), static_cast<uint64_t>(opened.st_ino)};
    // A file that is missing, cannot be opened or is empty has no data to say anything about.
    const int32_t verdict = outcome.info.Verdict;
    if (digest && S_ISREG(opened.st_mode) && verdict != jvCannotOpen) {
        outcome.sha256 = digest->finish();
        outcome.hashed = true;
        outcome.changedWhileRead
            = digest->count() != static_cast<uint64_t>(opened.st_size) || !sameAfterRead(reader, path, opened);
    }
    if (deep.on && verdict != jvFileNotFound && verdict != jvCannotOpen && verdict != jvEmptyFile) {
        outcome.deep = DeepCheckJpegFile(path, outcome.info, deep.budget);
        outcome.deepChecked = true;
    }
}

void checkOne(const std::string& path, JpegFileReader& reader, int openedAhead, DeepRun deep, Sha256Digest* digest,
              CheckOutcome& outcome)
{
    const auto deadline = Clock::now() + kDescriptorWait;
    for (;;) {
        try {
            checkOnce(path, reader, openedAhead, deep, digest, outcome);
            return;
        } catch (const std::system_error& e) {
            if (!isDescriptorShortage(e)) {
                outcome = CheckOutcome{};
                outcome.readFailed = true;
                outcome.error = e.code().message();
                outcome.errorNumber = e.code().category() == std::generic_category()
                                              || e.code().category() == std::system_category()
                                          ? e.code().value()
                                          : 0;
                return;
            }
            outcome = CheckOutcome{};
            if (Clock::now() >= deadline) {
                outcome.noDescriptor = true;
                outcome.error = e.code().message();
                return;
            }
        } catch (const std::exception& e) {
            outcome = CheckOutcome{};
            outcome.readFailed = true;
            outcome.error = e.what();
            return;
        }
        openedAhead = -1;  // taken over and closed by the failed try
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Descriptors held ahead by all threads stay below half of what the process
// may open, so that a check never fails to open its file for want of one.
CheckReading withinDescriptorLimit(CheckReading reading, unsigned threads)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return reading;
    const size_t perThread = static_cast<size_t>(limit.rlim_cur / 2) / threads;
    reading.limits.files = std::min(reading.limits.files, perThread);
    if (reading.limits.files < 2)
        reading.readAhead = false;
    return reading;
}

// Each checking thread holds at most two descriptors besides those it reads
// ahead (its folder and the file being walked or decoded); a few more are
// kept for the output, the listing and the file list. More threads than that
// would only wait for descriptors.
unsigned threadsWithinDescriptorLimit()
{
    constexpr rlim_t kReserved = 16;
    constexpr rlim_t kPerThread = 2;
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1024;
    if (limit.rlim_cur <= kReserved + kPerThread)
        return 1;
    return static_cast<unsigned>(std::min<rlim_t>(1024, (limit.rlim_cur - kReserved) / kPerThread));
}

// The items between the listing and the output: a ring of kCapacity slots
// and three positions that only grow, delivered <= claimed <= listed <=
// delivered + kCapacity. The listing thread fills slots, the checking
// threads claim runs of consecutive ones (so each can read ahead of its
// own), and the calling thread hands them out in order and frees them. The
// calling thread is woken when much is waiting or all is done; otherwise it
// looks every kTick, so that the hand-over costs no wake-up per file.
class CheckStream final : public TargetSink {
public:
    static constexpr size_t kCapacity = 8192;
    static constexpr size_t kLongestRun = 16;
    static constexpr size_t kLongestSingleRun = 1024;
    static constexpr size_t kBatch = 64;

    CheckStream(unsigned jobs) : slots_(kCapacity), ready_(std::make_unique<std::atomic<bool>[]>(kCapacity)), jobs_(jobs) {}

    // The listing's side.
    void take(CheckTarget&& target) override
    {
        batch_.push_back(std::move(target));
        if (batch_.size() >= kBatch)
            publish();
    }
    void pausing() override { publish(); }
    void finish()
    {
        publish();
        std::lock_guard lock(mutex_);
        listingDone_ = true;
        work_.notify_all();
        wake_.notify_one();
    }

    // A checking thread's side: the next run [first, end) to check; false
    // when the listing has ended and every item is claimed.
    bool claim(size_t& first, size_t& end)
    {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [this] { return claimed_ < listed_ || listingDone_; });
        if (claimed_ == listed_)
            return false;
        // One thread takes all that is listed, to read ahead across it;
        // several take short runs, shorter still as the listed items run
        // out, so that they end together.
        const size_t run = jobs_ == 1 ? std::min(listed_ - claimed_, kLongestSingleRun)
                                      : std::clamp<size_t>((listed_ - claimed_) / (jobs_ * size_t{4}), 1, kLongestRun);
        first = claimed_;
        end = claimed_ += run;
        return true;
    }
    CheckItem& item(size_t position) { return slots_[position % kCapacity]; }
    void checked(size_t position, uint64_t bytes)
    {
        bytesRead_.fetch_add(bytes, std::memory_order_relaxed);
        ready_[position % kCapacity].store(true, std::memory_order_release);
        const size_t done = completed_.fetch_add(1) + 1;
        if (done - delivered_.load(std::memory_order_relaxed) >= kCapacity / 2
            || (listingDone_.load() && done == listed_.load())) {
            std::lock_guard lock(mutex_);
            wake_.notify_one();
        }
    }

    // The calling thread's side.
    bool isReady(size_t position) const { return ready_[position % kCapacity].load(std::memory_order_acquire); }
    void release(size_t position)
    {
        item(position) = CheckItem{};  // frees the strings early
        ready_[position % kCapacity].store(false, std::memory_order_relaxed);
    }
    void releasedUpTo(size_t position)
    {
        std::lock_guard lock(mutex_);
        delivered_.store(position, std::memory_order_relaxed);
        space_.notify_one();
    }
    // Whether every item has been handed out.
    bool allDelivered(size_t position)
    {
        std::lock_guard lock(mutex_);
        return listingDone_ && position == listed_;
    }
    void waitForMore(size_t position, Clock::time_point until)
    {
        std::unique_lock lock(mutex_);
        if (!isReady(position) && !(listingDone_ && position == listed_))
            wake_.wait_until(lock, until);
    }
    RunProgress progress(size_t delivered, uint64_t foldersListed) const
    {
        return {delivered, listed_.load(std::memory_order_relaxed), foldersListed,
                listingDone_.load(std::memory_order_relaxed), bytesRead_.load(std::memory_order_relaxed)};
    }

private:

    void publish()
    {
        if (batch_.empty())
            return;
        std::unique_lock lock(mutex_);
        for (CheckTarget& target : batch_) {
            space_.wait(lock, [this] { return listed_ < delivered_.load(std::memory_order_relaxed) + kCapacity; });
            item(listed_).target = std::move(target);
            listed_.fetch_add(1, std::memory_order_relaxed);
        }
        work_.notify_all();
        lock.unlock();
        batch_.clear();
    }

    std::vector<CheckItem> slots_;
    std::unique_ptr<std::atomic<bool>[]> ready_;
    unsigned jobs_;
    std::vector<CheckTarget> batch_;  // the listing thread's, not yet passed on

    std::mutex mutex_;
    std::condition_variable work_;   // checking threads: something to claim
    std::condition_variable space_;  // the listing: a free slot
    std::condition_variable wake_;   // the calling thread: much is ready, or all
    // Written under mutex_; read without it for progress and wake-ups.
    std::atomic<size_t> listed_{0};
    std::atomic<bool> listingDone_{false};
    size_t claimed_ = 0;
    std::atomic<size_t> delivered_{0};
    std::atomic<size_t> completed_{0};
    std::atomic<uint64_t> bytesRead_{0};
};

// The thread's hooks, or the reason they could not be made.
std::unique_ptr<CheckHooks> makeHooks(const CheckReading& reading, std::string& error)
{
    if (!reading.hooks)
        return nullptr;
    try {
        return reading.hooks();
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

void checkClaimedRuns(CheckStream& stream, const CheckReading& reading, DeepRun deep)
{
    JpegFileReader reader;
    std::unique_ptr<Sha256Digest> digest;
    if (reading.hash) {
        digest = std::make_unique<Sha256Digest>();
        reader.setContentSink(digest.get());
    }
    std::string hooksError;
    const std::unique_ptr<CheckHooks> hooks = makeHooks(reading, hooksError);
    std::unique_ptr<ReadAhead> ahead;
    if (reading.readAhead)
        ahead = std::make_unique<ReadAhead>(
            [&stream](size_t position, std::string& path, uint64_t& size) {
                const CheckItem& item = stream.item(position);
                path = item.target.path;
                size = item.target.listed.size;
                // A file settled without reading is not opened ahead either.
                return item.target.listed.regular && !item.outcome.stored ? ReadAhead::Kind::Regular
                                                                           : ReadAhead::Kind::Other;
            },
            &reader, reading.limits);
    size_t first = 0, end = 0;
    while (stream.claim(first, end)) {
        // Settled before any is read ahead.
        std::vector<bool> settled(end - first);
        for (size_t i = first; i < end; ++i) {
            CheckItem& item = stream.item(i);
            if (item.target.listingError != 0)
                continue;
            if (!hooksError.empty()) {
                item.outcome.catalogueError = hooksError;
                continue;
            }
            try {
                settled[i - first] = hooks && hooks->settle(item.target, item.outcome);
            } catch (const std::exception& e) {
                item.outcome.catalogueError = e.what();
            }
        }
        for (size_t i = first; i < end; ++i) {
            CheckItem& item = stream.item(i);
            const uint64_t before = reader.bytesRead();
            if (item.target.listingError == 0 && !settled[i - first] && item.outcome.catalogueError.empty()) {
                const int openedAhead = ahead ? ahead->take(i, end) : -1;
                checkOne(item.target.path, reader, openedAhead, deep, digest.get(), item.outcome);
                if (hooks && !item.outcome.readFailed && !item.outcome.noDescriptor) {
                    try {
                        hooks->checked(item.target, item.outcome);
                    } catch (const std::exception& e) {
                        item.outcome.catalogueError = e.what();
                    }
                }
            }
            stream.checked(i, reader.bytesRead() - before);
        }
        if (hooks) {
            try {
                hooks->runDone();
            } catch (const std::exception&) {
                // The next lookup says what is wrong.
            }
        }
    }
}

}  // namespace

void RaiseDescriptorLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void RunChecks(const std::function<void(TargetLister&)>& list, const CheckTargetOptions& options, unsigned jobs,
               const CheckReading& reading, const std::function<void(CheckItem&)>& deliver,
               const std::function<void(const RunProgress&)>& tick)
{
    const unsigned threads = std::max(1u, std::min(jobs, threadsWithinDescriptorLimit()));
    const CheckReading threadReading = withinDescriptorLimit(reading, threads);
    DeepMemoryBudget budget(reading.deepMemory > 0 ? reading.deepMemory : DefaultDeepMemoryBudget());
    const DeepRun deep{reading.deep, &budget};
    CheckStream stream(threads);

    TargetLister lister(options, stream);
    std::jthread listing([&] {
        list(lister);
        stream.finish();
    });
    std::vector<std::jthread> checkers;
    checkers.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        checkers.emplace_back([&] { checkClaimedRuns(stream, threadReading, deep); });

    size_t next = 0;
    auto nextTick = Clock::now() + kTick;
    for (;;) {
        const size_t first = next;
        while (stream.isReady(next)) {
            deliver(stream.item(next));
            stream.release(next);
            ++next;
            if (next - first >= CheckStream::kCapacity / 4)
                break;
        }
        if (next != first)
            stream.releasedUpTo(next);
        const auto now = Clock::now();
        if (now >= nextTick) {
            tick(stream.progress(next, lister.foldersListed()));
            nextTick = now + kTick;
        }
        if (stream.allDelivered(next))
            break;
        if (!stream.isReady(next))
            stream.waitForMore(next, nextTick);
    }
    tick(stream.progress(next, lister.foldersListed()));
}
