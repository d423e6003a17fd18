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

class ParallelChecks {
public:
    ParallelChecks(const std::vector<std::string>& files, unsigned jobs)
        : files_(files), outcomes_(files.size()), ready_(std::make_unique<bool[]>(files.size())), jobs_(jobs)
    {
    }

    void run(const std::function<void(size_t, CheckOutcome&)>& deliver,
             const std::function<void(size_t, uint64_t)>& progress)
    {
        std::vector<std::jthread> workers;
        workers.reserve(jobs_);
        for (unsigned i = 0; i < jobs_; ++i)
            workers.emplace_back([this] { work(); });

        auto nextReport = Clock::now() + kProgressInterval;
        for (size_t i = 0; i < files_.size(); ++i) {
            {
                std::unique_lock lock(mutex_);
                waitingFor_ = i;
                while (!ready_[i]) {
                    if (progress) {
                        wake_.wait_until(lock, nextReport);
                        if (Clock::now() >= nextReport) {
                            lock.unlock();
                            progress(i, bytesRead_.load(std::memory_order_relaxed));
                            nextReport = Clock::now() + kProgressInterval;
                            lock.lock();
                        }
                    } else {
                        wake_.wait(lock);
                    }
                }
            }
            deliver(i, outcomes_[i]);
            outcomes_[i] = CheckOutcome{};  // frees the comment early
            if (progress && Clock::now() >= nextReport) {
                progress(i + 1, bytesRead_.load(std::memory_order_relaxed));
                nextReport = Clock::now() + kProgressInterval;
            }
        }
    }

private:
    void work()
    {
        JpegFileReader reader;
        uint64_t reported = 0;
        for (;;) {
            const size_t i = next_.fetch_add(1, std::memory_order_relaxed);
            if (i >= files_.size())
                return;
            checkOne(files_[i], reader, outcomes_[i]);
            bytesRead_.fetch_add(reader.bytesRead() - reported, std::memory_order_relaxed);
            reported = reader.bytesRead();
            std::lock_guard lock(mutex_);
            ready_[i] = true;
            if (i == waitingFor_)
                wake_.notify_one();
        }
    }

    const std::vector<std::string>& files_;
    std::vector<CheckOutcome> outcomes_;  // slot i written by one worker, read after ready_[i]
    std::unique_ptr<bool[]> ready_;       // guarded by mutex_
    unsigned jobs_;
    std::atomic<size_t> next_{0};
    std::atomic<uint64_t> bytesRead_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    size_t waitingFor_ = 0;  // guarded by mutex_
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
