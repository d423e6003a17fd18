// The decoding side of a check run with the deep check on: threads that take
// the files the walk has checked from a short queue, decode them
// (DeepCheckJpegFile, with one memory budget for all) and attach each result
// to its entry under the record lock (TKvFileInfo::SetDeepInfo).
//
// Threads: Add, Finish, Stop, WaitDone and the counters are called by the
// thread that owns the pool (the check worker); the decoding threads are the
// pool's own and are joined by WaitDone once it returns true, and by the
// destructor. The entries handed over must outlive the pool's threads: the
// catalogue does not change while a check runs.
#pragma once

#include "inspection/KvJpegInfo.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DeepMemoryBudget;
class TKvFileInfo;

class DeepCheckPool {
public:
    // workers threads (0: one per core of the machine); stopRequested is
    // asked while Add waits for room, so that a stop never waits for a
    // decode to make room. beforeAttach, when set, runs on a decoding thread
    // after each decode, just before its result is attached (tests make it
    // throw, or hold the thread).
    DeepCheckPool(unsigned workers, std::function<bool()> stopRequested,
                  std::function<void(TKvFileInfo*)> beforeAttach = {});
    // Stops the threads (Stop) and joins them.
    ~DeepCheckPool();
    DeepCheckPool(const DeepCheckPool&) = delete;
    DeepCheckPool& operator=(const DeepCheckPool&) = delete;

    // Queues entry, whose walk gave walk, waiting while the queue is full.
    // Returns false without queuing it when a stop was asked meanwhile.
    bool Add(TKvFileInfo* entry, const TKvJpegInfo& walk);
    // No more files come: the threads end once the queue is empty.
    void Finish();
    // The threads finish the file in hand and end; queued files are dropped.
    void Stop();
    // Waits at most timeout for every thread to end; true, with them joined,
    // once they have.
    bool WaitDone(std::chrono::milliseconds timeout);

    unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }
    // Files decoded (or given up on) so far.
    int32_t Decoded() const { return decoded_.load(std::memory_order_relaxed); }
    // Damaged image data in files that the walk let pass, found since the
    // last call: the errors the deep check adds to the run's count.
    int32_t TakeNewErrors() { return newErrors_.exchange(0, std::memory_order_relaxed); }

private:
    struct Job {
        TKvFileInfo* entry = nullptr;
        TKvJpegInfo walk;
    };

    void Work();
    void DecodeOne(Job& job);

    std::function<bool()> stopRequested_;
    std::function<void(TKvFileInfo*)> beforeAttach_;
    std::unique_ptr<DeepMemoryBudget> budget_;

    std::mutex mutex_;
    std::condition_variable work_;   // decoding threads: a job, the finish or a stop
    std::condition_variable space_;  // the adding thread: room in the queue
    std::condition_variable ended_;  // WaitDone: a thread has ended
    std::deque<Job> queue_;
    bool finished_ = false;
    bool stopped_ = false;
    unsigned running_ = 0;

    std::atomic<int32_t> decoded_{0};
    std::atomic<int32_t> newErrors_{0};
    std::vector<std::thread> threads_;
};
