#include "catalogue/DeepCheckPool.h"

#include "catalogue/KvFileInfo.h"
#include "decode/DeepMemoryBudget.h"
#include "decode/JpegDeepCheck.h"

#include <algorithm>

namespace {

// Files the walk may be ahead of the decodes: enough that no decoding
// thread waits for the walk, few enough that the files are still in the
// page cache when they are decoded.
constexpr size_t kQueuedFiles = 64;
// How often Add looks whether a stop was asked while it waits for room.
constexpr auto kStopPoll = std::chrono::milliseconds(10);

}  // namespace

DeepCheckPool::DeepCheckPool(unsigned workers, std::function<bool()> stopRequested,
                             std::function<void(TKvFileInfo*)> beforeAttach)
    : stopRequested_(std::move(stopRequested)), beforeAttach_(std::move(beforeAttach)),
      budget_(std::make_unique<DeepMemoryBudget>(DefaultDeepMemoryBudget()))
{
    if (workers == 0)
        workers = std::max(1u, std::thread::hardware_concurrency());
    threads_.reserve(workers);
    try {
        for (unsigned i = 0; i < workers; ++i) {
            {
                const std::lock_guard lock(mutex_);
                ++running_;
            }
            threads_.emplace_back([this] { Work(); });
        }
    } catch (...) {
        // Fewer threads than asked for: the run goes on with those there are.
        const std::lock_guard lock(mutex_);
        running_ = static_cast<unsigned>(threads_.size());
        if (threads_.empty())
            throw;
    }
}

DeepCheckPool::~DeepCheckPool()
{
    Stop();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
}

bool DeepCheckPool::Add(TKvFileInfo* entry, const TKvJpegInfo& walk)
{
    std::unique_lock lock(mutex_);
    while (queue_.size() >= kQueuedFiles && !stopped_) {
        if (stopRequested_ && stopRequested_())
            return false;
        space_.wait_for(lock, kStopPoll);
    }
    if (stopped_)
        return false;
    queue_.push_back({entry, walk});
    work_.notify_one();
    return true;
}

void DeepCheckPool::Finish()
{
    const std::lock_guard lock(mutex_);
    finished_ = true;
    work_.notify_all();
}

void DeepCheckPool::Stop()
{
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    queue_.clear();
    work_.notify_all();
    space_.notify_all();
}

bool DeepCheckPool::WaitDone(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(mutex_);
        if (!ended_.wait_for(lock, timeout, [this] { return running_ == 0; }))
            return false;
    }
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
    return true;
}

void DeepCheckPool::Work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [this] { return stopped_ || finished_ || !queue_.empty(); });
            if (stopped_ || queue_.empty()) {
                --running_;
                ended_.notify_all();
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
            space_.notify_one();
        }
        DecodeOne(job);
    }
}

void DeepCheckPool::DecodeOne(Job& job)
{
    // A failure with one file (no descriptor, no memory for its result)
    // leaves that file without a result; the run goes on.
    try {
        auto info = std::make_unique<DeepInfo>(DeepCheckJpegFile(job.entry->FullFileName(), job.walk, budget_.get()));
        if (beforeAttach_)
            beforeAttach_(job.entry);
        const bool newError = info->Verdict == DeepVerdict::Damaged && !IsJpegErrorVerdict(job.walk.Verdict);
        job.entry->SetDeepInfo(info.release());
        if (newError)
            newErrors_.fetch_add(1, std::memory_order_relaxed);
    } catch (...) {
    }
    decoded_.fetch_add(1, std::memory_order_relaxed);
}
