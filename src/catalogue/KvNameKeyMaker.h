// Makes the name collation keys of entries while they are being listed, on a
// thread of its own, so that the sort after a listing finds them made
// instead of making them one by one on the main thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class TKvFileInfo;

class TKvNameKeyMaker {
public:
    TKvNameKeyMaker();
    // Abandons what is left.
    ~TKvNameKeyMaker();
    TKvNameKeyMaker(const TKvNameKeyMaker&) = delete;
    TKvNameKeyMaker& operator=(const TKvNameKeyMaker&) = delete;

    // Queues an entry whose Name is final; the entry must stay alive and
    // untouched by others until Finish or Abandon returns. One thread only.
    void Add(TKvFileInfo* entry);
    // Makes every queued key and waits for them.
    void Finish();
    // Stops as soon as possible; entries left without a key get theirs when
    // first compared.
    void Abandon();

private:
    void Run();
    void HandOver();
    void Close(bool abandon);

    std::vector<TKvFileInfo*> batch_;  // the adding thread's, not yet handed over
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<TKvFileInfo*> queued_;  // guarded by mutex_
    bool closing_ = false;              // guarded by mutex_
    std::atomic<bool> abandoned_{false};
    std::thread thread_;
};
