#include "CheckRunner.h"

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

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

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

void checkOnce(const std::string& path, JpegFileReader& reader, int openedAhead, DeepRun deep, CheckOutcome& outcome)
{
    CheckJpegFile(path, outcome.info, reader, openedAhead);
    // A file that is missing, cannot be opened or is empty has no data to say anything about.
    const int32_t verdict = outcome.info.Verdict;
    if (deep.on && verdict != jvFileNotFound && verdict != jvCannotOpen && verdict != jvEmptyFile) {
        outcome.deep = DeepCheckJpegFile(path, outcome.info, deep.budget);
        outcome.deepChecked = true;
    }
}

void checkOne(const std::string& path, JpegFileReader& reader, int openedAhead, DeepRun deep, CheckOutcome& outcome)
{
    const auto deadline = Clock::now() + kDescriptorWait;
    for (;;) {
        try {
            checkOnce(path, reader, openedAhead, deep, outcome);
            return;
        } catch (const std::system_error& e) {
            if (!isDescriptorShortage(e)) {
                outcome = CheckOutcome{};
                outcome.readFailed = true;
                outcome.error = e.what();
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

// A read-ahead over files, or none when reading says so.
std::unique_ptr<ReadAhead> makeReadAhead(const std::vector<std::string>& files, const CheckReading& reading,
                                         const JpegFileReader& reader)
{
    if (!reading.readAhead || !reading.listed || reading.listed->size() != files.size())
        return nullptr;
    const std::vector<ListedFile>& listed = *reading.listed;
    return std::make_unique<ReadAhead>(
        [&files, &listed](size_t index, std::string& path, uint64_t& size) {
            path = files[index];
            size = listed[index].size;
            return listed[index].regular ? ReadAhead::Kind::Regular : ReadAhead::Kind::Other;
        },
        &reader, reading.limits);
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
// kept for the output and the listing. More threads than that would only
// wait for descriptors.
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

int takeAhead(ReadAhead* ahead, size_t index, size_t end)
{
    return ahead ? ahead->take(index, end) : -1;
}

void runOnCallingThread(const std::vector<std::string>& files, const CheckReading& reading, DeepRun deep,
                        const std::function<void(size_t, CheckOutcome&)>& deliver,
                        const std::function<void(size_t, uint64_t)>& progress)
{
    JpegFileReader reader;
    const std::unique_ptr<ReadAhead> ahead = makeReadAhead(files, reading, reader);
    auto nextReport = Clock::now() + kProgressInterval;
    for (size_t i = 0; i < files.size(); ++i) {
        CheckOutcome outcome;
        checkOne(files[i], reader, takeAhead(ahead.get(), i, files.size()), deep, outcome);
        deliver(i, outcome);
        if (progress && Clock::now() >= nextReport) {
            progress(i + 1, reader.bytesRead());
            nextReport = Clock::now() + kProgressInterval;
        }
    }
}

// The calling thread checks files too and, between them, hands out every
// result that is ready in order; it sleeps only when nothing is left to
// claim, so the hand-over costs no wake-up per file. Files are claimed in
// runs of consecutive ones, so that each thread can read ahead of its own.
class ParallelChecks {
public:
    ParallelChecks(const std::vector<std::string>& files, unsigned jobs, const CheckReading& reading, DeepRun deep)
        : files_(files), reading_(reading), deep_(deep), outcomes_(files.size()),
          ready_(std::make_unique<std::atomic<bool>[]>(files.size())), jobs_(jobs)
    {
    }

    void run(const std::function<void(size_t, CheckOutcome&)>& deliver,
             const std::function<void(size_t, uint64_t)>& progress)
    {
        std::vector<std::jthread> workers;
        workers.reserve(jobs_ - 1);
        for (unsigned i = 1; i < jobs_; ++i)
            workers.emplace_back([this] {
                JpegFileReader reader;
                const std::unique_ptr<ReadAhead> ahead = makeReadAhead(files_, reading_, reader);
                while (checkNext(reader, ahead.get())) {
                }
            });

        JpegFileReader reader;
        const std::unique_ptr<ReadAhead> ahead = makeReadAhead(files_, reading_, reader);
        auto nextReport = Clock::now() + kProgressInterval;
        size_t delivered = 0;
        while (delivered < files_.size()) {
            while (delivered < files_.size() && ready_[delivered].load(std::memory_order_acquire)) {
                deliver(delivered, outcomes_[delivered]);
                outcomes_[delivered] = CheckOutcome{};  // frees the comment early
                ++delivered;
            }
            if (progress && Clock::now() >= nextReport) {
                progress(delivered, bytesRead_.load(std::memory_order_relaxed));
                nextReport = Clock::now() + kProgressInterval;
            }
            if (delivered == files_.size() || checkNext(reader, ahead.get()))
                continue;
            waitForReady(delivered, progress ? nextReport : Clock::time_point::max());
        }
    }

private:
    // Claims and checks the next run of unclaimed files; false when none is left.
    bool checkNext(JpegFileReader& reader, ReadAhead* ahead)
    {
        // Runs shrink as the list runs out, so that the threads end together.
        size_t first = next_.load(std::memory_order_relaxed);
        size_t run = 0;
        do {
            if (first >= files_.size())
                return false;
            run = std::clamp<size_t>((files_.size() - first) / (jobs_ * size_t{4}), 1, kLongestRun);
        } while (!next_.compare_exchange_weak(first, first + run, std::memory_order_relaxed));
        const size_t end = first + run;
        for (size_t i = first; i < end; ++i) {
            const uint64_t before = reader.bytesRead();
            checkOne(files_[i], reader, takeAhead(ahead, i, end), deep_, outcomes_[i]);
            bytesRead_.fetch_add(reader.bytesRead() - before, std::memory_order_relaxed);
            // seq_cst pairs with the waiter's flag (see waitForReady).
            ready_[i].store(true);
            if (waiting_.load()) {
                std::lock_guard lock(mutex_);
                wake_.notify_one();
            }
        }
        return true;
    }

    // Sleeps until result i is ready or the deadline passes.
    void waitForReady(size_t i, Clock::time_point deadline)
    {
        waiting_.store(true);
        {
            std::unique_lock lock(mutex_);
            while (!ready_[i].load() && Clock::now() < deadline) {
                if (deadline == Clock::time_point::max())
                    wake_.wait(lock);
                else
                    wake_.wait_until(lock, deadline);
            }
        }
        waiting_.store(false);
    }

    static constexpr size_t kLongestRun = 16;

    const std::vector<std::string>& files_;
    const CheckReading reading_;
    const DeepRun deep_;
    std::vector<CheckOutcome> outcomes_;  // slot i written by its checker, read after ready_[i]
    std::unique_ptr<std::atomic<bool>[]> ready_;
    unsigned jobs_;
    std::atomic<size_t> next_{0};
    std::atomic<uint64_t> bytesRead_{0};
    std::atomic<bool> waiting_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

}  // namespace

void RaiseDescriptorLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void RunChecks(const std::vector<std::string>& files, unsigned jobs, const CheckReading& reading,
               const std::function<void(size_t, CheckOutcome&)>& deliver,
               const std::function<void(size_t, uint64_t)>& progress)
{
    jobs = std::min(jobs, threadsWithinDescriptorLimit());
    DeepMemoryBudget budget(reading.deepMemory > 0 ? reading.deepMemory : DefaultDeepMemoryBudget());
    const DeepRun deep{reading.deep, &budget};
    if (jobs <= 1 || files.size() <= 1) {
        runOnCallingThread(files, withinDescriptorLimit(reading, 1), deep, deliver, progress);
        return;
    }
    const unsigned threads = std::min<unsigned>(jobs, static_cast<unsigned>(std::min<size_t>(files.size(), 1024)));
    ParallelChecks checks(files, threads, withinDescriptorLimit(reading, threads), deep);
    checks.run(deliver, progress);
}
