// A worker thread whose body is a function, with Synchronize made public,
// for the tests of the thread base.
#pragma once

#include "platform/KvThread.h"

#include <functional>
#include <utility>

class TestThread : public TKvThread {
public:
    using Body = std::function<void(TestThread&)>;

    explicit TestThread(Body body, bool createSuspended = true)
        : TKvThread(createSuspended), body_(std::move(body))
    {
    }
    // body_ is read by Execute, so stop before it goes.
    ~TestThread() override
    {
        Terminate();
        WaitFor();
    }

    using TKvThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    Body body_;
};
