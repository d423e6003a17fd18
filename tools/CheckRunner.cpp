#include "CheckRunner.h"

#include "JpegByteSource.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

void checkOne(const std::string& path, JpegFileReader& reader, CheckOutcome& outcome)
{
    try {
        CheckJpegFile(path, outcome.info, reader);
    } catch (const std::exception& e) {
        outcome.readFailed = true;
        outcome.error = e.what();
    }
}

void runOnCallingThread(const std::vector<std::string>& files,
                        const std::function<void(size_t, CheckOutcome&)>& deliver,
                        const std::function<void(size_t, uint64_t)>& progress)
{
    JpegFileReader reader;
    auto nextReport = Clock::now() + kProgressInterval;
    for (size_t i = 0; i < files.size(); ++i) {
        CheckOutcome outcome;
        checkOne(files[i], reader, outcome);
        deliver(i, outcome);
        if (progress && Clock::now() >= nextReport) {
            progress(i + 1, reader.bytesRead());
            nextReport = Clock::now() + kProgressInterval;
        }
    }
}

// The calling thread checks files too and, between them, hands out every
// result that is ready in order; it sleeps only when nothing is left to
// claim, so the hand-over costs no wake-up per file.
class ParallelChecks {
public:
    ParallelChecks(const std::vector<std::string>& files, unsigned jobs)
        : files_(files), outcomes_(files.size()), ready_(std::make_unique<std::atomic<bool>[]>(files.size())),
          jobs_(jobs)
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
                while (checkNext(reader)) {
                }
            });

        JpegFileReader reader;
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
            if (delivered == files_.size() || checkNext(reader))
                continue;
            waitForReady(delivered, progress ? nextReport : Clock::time_point::max());
        }
    }

private:
    // Claims and checks the next unclaimed file; false when none is left.
    bool checkNext(JpegFileReader& reader)
    {
        const size_t i = next_.fetch_add(1, std::memory_order_relaxed);
        if (i >= files_.size())
            return false;
        const uint64_t before = reader.bytesRead();
        checkOne(files_[i], reader, outcomes_[i]);
        bytesRead_.fetch_add(reader.bytesRead() - before, std::memory_order_relaxed);
        // seq_cst pairs with the waiter's flag (see waitForReady).
        ready_[i].store(true);
        if (waiting_.load()) {
            std::lock_guard lock(mutex_);
            wake_.notify_one();
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

    const std::vector<std::string>& files_;
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

void RunChecks(const std::vector<std::string>& files, unsigned jobs,
               const std::function<void(size_t, CheckOutcome&)>& deliver,
               const std::function<void(size_t, uint64_t)>& progress)
{
    if (jobs <= 1 || files.size() <= 1) {
        runOnCallingThread(files, deliver, progress);
        return;
    }
    ParallelChecks checks(files, std::min<unsigned>(jobs, static_cast<unsigned>(std::min<size_t>(files.size(), 1024))));
    checks.run(deliver, progress);
}
