#include "platform/KvThread.h"
#include "TestThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

QThread* MainThread()
{
    return QCoreApplication::instance()->thread();
}

// Turns the main event loop until done() holds or the deadline passes.
bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s)
{
    QTimer tick;  // wakes the loop now and then, so the deadline is checked
    tick.start(10);
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Worker side: polls done() as a worker polls Terminated() between items.
// False when the deadline passed first.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s)
{
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(1ms);  // the "work" between two polls
    }
    return true;
}

// Ends the process with a message when a test hangs, so a deadlock fails
// the run instead of stalling it.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              std::unique_lock lock(mutex_);
              if (!stopped_.wait_for(lock, 90s, [this] { return stop_; })) {
                  std::fprintf(stderr, "deadlock: the test did not end within 90 s\n");
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        stopped_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
    std::thread thread_;
};

class KvThreadTest : public ::testing::Test {
    Watchdog watchdog_;
};
using KvThreadSynchronize = KvThreadTest;
using KvThreadWaitFor = KvThreadTest;
using KvThreadOnTerminate = KvThreadTest;
using KvThreadTerminate = KvThreadTest;
using KvThreadFreeOnTerminate = KvThreadTest;
using KvThreadPriority = KvThreadTest;
using KvThreadDestructor = KvThreadTest;

// ---- Synchronize ----

TEST_F(KvThreadSynchronize, StepsRunOnTheMainThreadInOrderWhileMainWaits)
{
    constexpr int steps = 1000;
    std::vector<int> order;  // main thread only
    int offMainThread = 0;
    TestThread thread([&](TestThread& self) {
        for (int i = 0; i < steps; ++i)
            self.Synchronize([&, i] {
                if (QThread::currentThread() != MainThread())
                    ++offMainThread;
                order.push_back(i);
            });
    });
    thread.Resume();
    thread.WaitFor();

    ASSERT_EQ(order.size(), size_t{steps});
    for (int i = 0; i < steps; ++i)
        ASSERT_EQ(order[i], i);
    EXPECT_EQ(offMainThread, 0);
    EXPECT_TRUE(thread.Finished());
}

TEST_F(KvThreadSynchronize, WorkerWaitsForTheStepAndSeesItsWrites)
{
    // Plain ints on purpose: ThreadSanitizer checks that each hand-off orders
    // the accesses both ways.
    int writtenByWorker = -1;
    int writtenByMain = -1;
    int workerMismatches = 0;
    int mainMismatches = 0;
    TestThread thread([&](TestThread& self) {
        for (int i = 0; i < 200; ++i) {
            writtenByWorker = i;
            self.Synchronize([&, i] {
                if (writtenByWorker != i)
                    ++mainMismatches;
                writtenByMain = 2 * i;
            });
            if (writtenByMain != 2 * i)
                ++workerMismatches;
        }
    });
    thread.Resume();
    thread.WaitFor();

    EXPECT_EQ(mainMismatches, 0);
    EXPECT_EQ(workerMismatches, 0);
    EXPECT_EQ(writtenByMain, 398);
}

TEST_F(KvThreadSynchronize, EventLoopRunsTheStepsOfSeveralWorkers)
{
    // No WaitFor here: only the wake-ups posted to the event loop get the
    // steps run, so a lost wake-up shows as a timeout.
    constexpr int steps = 300;
    std::vector<int> first;
    std::vector<int> second;
    auto body = [](std::vector<int>& out) {
        return [&out](TestThread& self) {
            for (int i = 0; i < steps; ++i)
                self.Synchronize([&out, i] { out.push_back(i); });
        };
    };
    TestThread a(body(first));
    TestThread b(body(second));
    a.Resume();
    b.Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return a.Finished() && b.Finished(); }));

    ASSERT_EQ(first.size(), size_t{steps});
    ASSERT_EQ(second.size(), size_t{steps});
    for (int i = 0; i < steps; ++i) {
        ASSERT_EQ(first[i], i);
        ASSERT_EQ(second[i], i);
    }
}

TEST_F(KvThreadSynchronize, ExceptionOfAStepIsRethrownInTheWorker)
{
    std::string caught;
    QThread* thrownOn = nullptr;
    TestThread thread([&](TestThread& self) {
        try {
            self.Synchronize([&] {
                thrownOn = QThread::currentThread();
                throw std::runtime_error("step failed");
            });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        self.Synchronize([] { throw std::logic_error("not caught by Execute"); });
    });
    thread.Resume();
    thread.WaitFor();

    EXPECT_EQ(caught, "step failed");
    EXPECT_EQ(thrownOn, MainThread());
    EXPECT_EQ(thread.FatalErrorText().toStdString(), "not caught by Execute");
}

TEST_F(KvThreadSynchronize, ProcessSynchronizeQueueRunsStepsOnly)
{
    QObject context;
    bool queuedCallRan = false;
    QMetaObject::invokeMethod(&context, [&] { queuedCallRan = true; }, Qt::QueuedConnection);

    std::vector<int> order;
    TestThread thread([&](TestThread& self) {
        for (int i = 0; i < 3; ++i)
            self.Synchronize([&order, i] { order.push_back(i); });
    });
    thread.Resume();
    // The main thread drives the steps itself, without the event loop.
    ASSERT_TRUE(PollUntil([&] {
        ProcessSynchronizeQueue();
        return thread.Finished();
    }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(queuedCallRan);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(queuedCallRan);
}

TEST_F(KvThreadSynchronize, OnTheMainThreadRunsTheStepInline)
{
    TestThread thread([](TestThread&) {});
    QThread* ranOn = nullptr;
    thread.Synchronize([&] { ranOn = QThread::currentThread(); });
    EXPECT_EQ(ranOn, MainThread());

    EXPECT_THROW(thread.Synchronize([] { throw std::runtime_error("inline"); }), std::runtime_error);
}

// ---- WaitFor ----

TEST_F(KvThreadWaitFor, RunsStepsButNoOtherEvents)
{
    QObject context;
    bool timerRan = false;
    bool queuedCallRan = false;
    QTimer::singleShot(0, &context, [&] { timerRan = true; });
    QMetaObject::invokeMethod(&context, [&] { queuedCallRan = true; }, Qt::QueuedConnection);

    int stepsRun = 0;
    bool eventRanBetweenSteps = false;
    TestThread thread([&](TestThread& self) {
        for (int i = 0; i < 50; ++i)
            self.Synchronize([&] {
                ++stepsRun;
                eventRanBetweenSteps = eventRanBetweenSteps || timerRan || queuedCallRan;
            });
    });
    thread.Resume();
    thread.WaitFor();

    EXPECT_EQ(stepsRun, 50);
    EXPECT_FALSE(eventRanBetweenSteps);
    EXPECT_FALSE(timerRan);
    EXPECT_FALSE(queuedCallRan);
    // They were pending all along and run once the loop turns.
    EXPECT_TRUE(ProcessEventsUntil([&] { return timerRan && queuedCallRan; }));
}

TEST_F(KvThreadWaitFor, RunsTheStepsOfOtherWorkers)
{
    // `waited` can only end after the step of `other` has run, and the main
    // thread waits for `waited` alone.
    std::atomic<bool> otherStepRan{false};
    bool waitedTimedOut = true;
    TestThread other([&](TestThread& self) { self.Synchronize([&] { otherStepRan = true; }); });
    TestThread waited([&](TestThread&) { waitedTimedOut = !PollUntil([&] { return otherStepRan.load(); }); });
    other.Resume();
    waited.Resume();
    waited.WaitFor();

    EXPECT_TRUE(otherStepRan);
    EXPECT_FALSE(waitedTimedOut);
    other.WaitFor();
    EXPECT_TRUE(other.Finished());
}

TEST_F(KvThreadWaitFor, NeverStartedThreadIsNotStarted)
{
    bool executed = false;
    int terminates = 0;
    {
        TestThread thread([&](TestThread&) { executed = true; });
        thread.OnTerminate = [&](QObject*) { ++terminates; };
        thread.WaitFor();
        EXPECT_TRUE(thread.Suspended());
        EXPECT_FALSE(thread.Finished());
    }
    EXPECT_FALSE(executed);
    EXPECT_EQ(terminates, 0);
}

TEST_F(KvThreadWaitFor, ResumeStartsOnceOnly)
{
    std::atomic<int> runs{0};
    TestThread thread([&](TestThread&) { ++runs; });
    EXPECT_TRUE(thread.Suspended());
    thread.Resume();
    thread.Resume();
    EXPECT_FALSE(thread.Suspended());
    thread.WaitFor();
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(runs, 1);
}

TEST_F(KvThreadWaitFor, CreatedRunningStartsAfterConstruction)
{
    // Starting inside the base constructor would call the pure Execute.
    std::atomic<int> runs{0};
    TestThread byLoop([&](TestThread&) { ++runs; }, false);
    EXPECT_FALSE(byLoop.Suspended());
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return byLoop.Finished(); }));
    EXPECT_EQ(runs, 1);

    // WaitFor does not depend on the loop turning first.
    TestThread byWaitFor([&](TestThread&) { ++runs; }, false);
    byWaitFor.WaitFor();
    EXPECT_TRUE(byWaitFor.Finished());
    QCoreApplication::sendPostedEvents();  // the deferred start: now a no-op
    EXPECT_EQ(runs, 2);
}

// ---- OnTerminate ----

TEST_F(KvThreadOnTerminate, FiresOnceOnTheMainThreadBeforeWaitForReturns)
{
    struct Row {
        const char* ending;
        TestThread::Body body;
        bool handlerThrows;
        std::string fatalErrorText;  // "*": any non-empty text
    };
    const std::vector<Row> rows = {
        {"normal return", [](TestThread&) {}, false, ""},
        {"std::exception", [](TestThread&) { throw std::runtime_error("disk gone"); }, false, "disk gone"},
        {"other exception", [](TestThread&) { throw 42; }, false, "*"},
        {"terminated", [](TestThread& self) { PollUntil([&] { return self.Terminated(); }); }, false, ""},
        {"handler throws", [](TestThread&) {}, true, "handler failed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ending);
        int fired = 0;
        QThread* firedOn = nullptr;
        QObject* sender = nullptr;
        bool finishedInHandler = true;
        TestThread thread(row.body);
        thread.OnTerminate = [&](QObject* Sender) {
            ++fired;
            firedOn = QThread::currentThread();
            sender = Sender;
            finishedInHandler = thread.Finished();
            if (row.handlerThrows)
                throw std::runtime_error("handler failed");
        };
        thread.Resume();
        thread.Terminate();
        thread.WaitFor();

        EXPECT_EQ(fired, 1);
        EXPECT_EQ(firedOn, MainThread());
        EXPECT_EQ(sender, &thread);
        EXPECT_FALSE(finishedInHandler);
        EXPECT_TRUE(thread.Finished());
        if (row.fatalErrorText == "*")
            EXPECT_FALSE(thread.FatalErrorText().isEmpty());
        else
            EXPECT_EQ(thread.FatalErrorText().toStdString(), row.fatalErrorText);

        thread.WaitFor();  // again: nothing fires twice
        EXPECT_EQ(fired, 1);
    }
}

TEST_F(KvThreadOnTerminate, FiresFromTheEventLoopWhenNobodyWaits)
{
    int fired = 0;
    TestThread thread([](TestThread&) {});
    thread.OnTerminate = [&](QObject*) { ++fired; };
    thread.Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return thread.Finished(); }));
    EXPECT_EQ(fired, 1);
}

// ---- Terminate ----

TEST_F(KvThreadTerminate, PollingExecuteSeesTheRequest)
{
    std::atomic<bool> entered{false};
    bool sawRequest = false;
    TestThread thread([&](TestThread& self) {
        entered = true;
        sawRequest = PollUntil([&] { return self.Terminated(); });
    });
    EXPECT_FALSE(thread.Terminated());
    thread.Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return entered.load(); }));
    EXPECT_FALSE(thread.Finished());

    thread.Terminate();
    EXPECT_TRUE(thread.Terminated());
    thread.WaitFor();
    EXPECT_TRUE(sawRequest);
    EXPECT_TRUE(thread.Finished());
}

// ---- FreeOnTerminate ----

TEST_F(KvThreadFreeOnTerminate, DeletesItselfAfterOnTerminate)
{
    QPointer<TKvThread> pointer;
    bool aliveInHandler = false;
    auto* thread = new TestThread([](TestThread&) {});
    pointer = thread;
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](QObject*) { aliveInHandler = !pointer.isNull(); };
    thread->Resume();

    ASSERT_TRUE(ProcessEventsUntil([&] { return pointer.isNull(); }));
    EXPECT_TRUE(aliveInHandler);
}

TEST_F(KvThreadFreeOnTerminate, WaitForNeverDeletesTheObject)
{
    QPointer<TKvThread> pointer;
    auto* thread = new TestThread([](TestThread&) {});
    pointer = thread;
    thread->FreeOnTerminate = true;
    thread->Resume();
    thread->WaitFor();
    ASSERT_FALSE(pointer.isNull());
    EXPECT_TRUE(thread->Finished());

    ASSERT_TRUE(ProcessEventsUntil([&] { return pointer.isNull(); }));
}

TEST_F(KvThreadFreeOnTerminate, StopAndDeleteWhileTheSelfDeletionIsQueued)
{
    // The thread ended by itself and queued its deletion; the owner then
    // takes it over and deletes it. The queued call must die with the object.
    int fired = 0;
    QPointer<TKvThread> pointer;
    auto* thread = new TestThread([](TestThread&) {});
    pointer = thread;
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](QObject*) { ++fired; };
    thread->Resume();
    thread->WaitFor();
    ASSERT_TRUE(thread->Finished());

    thread->FreeOnTerminate = false;
    thread->Terminate();
    thread->WaitFor();
    delete thread;
    EXPECT_TRUE(pointer.isNull());
    QCoreApplication::sendPostedEvents();  // would run the stale call
    EXPECT_EQ(fired, 1);
}

TEST_F(KvThreadFreeOnTerminate, TakenOverBeforeTheCallRunsStaysAlive)
{
    QPointer<TKvThread> pointer;
    auto* thread = new TestThread([](TestThread&) {});
    pointer = thread;
    thread->FreeOnTerminate = true;
    thread->Resume();
    thread->WaitFor();

    thread->FreeOnTerminate = false;
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(pointer.isNull());
    delete thread;
}

// ---- Priority ----

TEST_F(KvThreadPriority, MapsToQtPrioritiesWhenTheThreadStarts)
{
    struct Row {
        int set;
        int expected;
        QThread::Priority running;
    };
    const std::vector<Row> rows = {
        {0, 0, QThread::IdlePriority},    {1, 1, QThread::LowestPriority},
        {2, 2, QThread::LowPriority},     {3, 3, QThread::NormalPriority},
        {4, 4, QThread::HighPriority},    {5, 5, QThread::HighestPriority},
        {6, 6, QThread::TimeCriticalPriority},
        // Out of range means the default, Highest.
        {-1, 5, QThread::HighestPriority}, {7, 5, QThread::HighestPriority},
        {255, 5, QThread::HighestPriority},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.set);
        QThread::Priority seen = QThread::InheritPriority;
        TestThread thread([&](TestThread&) { seen = QThread::currentThread()->priority(); });
        EXPECT_EQ(thread.Priority(), TKvThread::DefaultPriority);
        thread.SetPriority(3);
        thread.SetPriority(row.set);
        EXPECT_EQ(thread.Priority(), row.expected);
        thread.Resume();
        thread.WaitFor();
        EXPECT_EQ(seen, row.running);
    }
}

TEST_F(KvThreadPriority, ChangesWhileRunning)
{
    std::atomic<bool> entered{false};
    std::atomic<bool> changed{false};
    QThread::Priority seen = QThread::InheritPriority;
    TestThread thread([&](TestThread&) {
        entered = true;
        PollUntil([&] { return changed.load(); });
        seen = QThread::currentThread()->priority();
    });
    thread.SetPriority(3);
    thread.Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return entered.load(); }));
    thread.SetPriority(1);
    changed = true;
    thread.WaitFor();
    EXPECT_EQ(seen, QThread::LowestPriority);
}

// ---- Destructor ----

// Has no destructor of its own, so the base destructor must stop it. Its
// Execute reads its member only before it reports that it has started.
class UnstoppedThread : public TKvThread {
public:
    explicit UnstoppedThread(std::atomic<int>* state) : state_(state) {}

protected:
    void Execute() override
    {
        std::atomic<int>* state = state_;
        state->store(1);
        if (PollUntil([this] { return Terminated(); }))
            state->store(2);
    }

private:
    std::atomic<int>* state_;
};

TEST_F(KvThreadDestructor, StopsARunningThread)
{
    std::atomic<int> state{0};  // 1: running, 2: saw the terminate request
    int fired = 0;
    auto* thread = new UnstoppedThread(&state);
    thread->OnTerminate = [&](QObject*) { ++fired; };
    thread->Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return state.load() == 1; }));

    delete thread;
    EXPECT_EQ(state.load(), 2);
    EXPECT_EQ(fired, 1);
}

// The thread base inside a running Qt event loop, as the window uses it:
// steps and timers share the loop, a stop from a handler does not re-enter
// handlers, and the end notification can end the loop.

// Keeps the main thread busy for a while, as a step that repaints would.
void SpendMainThreadTime()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < 300'000) {
    }
}

// Runs loop until something quits it; 1 when the deadline ended it instead.
int ExecWithDeadline(QEventLoop& loop, int milliseconds = 20000)
{
    QTimer::singleShot(milliseconds, &loop, [&loop] { loop.exit(1); });
    return loop.exec();
}

}  // namespace

TEST(KvThreadInEventLoop, StepsInterleaveWithTimersAndOnTerminateEndsTheLoop)
{
    // Two workers post slow steps back to back, so while one step runs the
    // other worker's next step arrives; the loop must still give its timers
    // a turn. Each worker keeps going until it has seen ten ticks while both
    // were posting, so a loop that starves the timer runs into the deadline.
    int ticks = 0;
    int stepsSinceTick = 0;
    int longestRunWithoutTick = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        stepsSinceTick = 0;
    });
    timer.start(1);

    bool started[2] = {false, false};
    int ticksWhenBothRan = -1;
    int ticksSeen[2] = {0, 0};
    auto body = [&](int index) {
        return [&, index](TestThread& self) {
            const QDeadlineTimer deadline(15000);
            int seen = 0;
            while (seen < 10 && !deadline.hasExpired()) {
                self.Synchronize([&] {
                    started[index] = true;
                    if (ticksWhenBothRan < 0 && started[1 - index])
                        ticksWhenBothRan = ticks;
                    seen = ticksWhenBothRan < 0 ? 0 : ticks - ticksWhenBothRan;
                    longestRunWithoutTick = std::max(longestRunWithoutTick, ++stepsSinceTick);
                    SpendMainThreadTime();
                });
            }
            ticksSeen[index] = seen;
        };
    };
    TestThread first(body(0));
    TestThread second(body(1));
    QEventLoop loop;
    int fired = 0;
    const TNotifyEvent onTerminate = [&](QObject*) {
        if (++fired == 2)
            loop.quit();
    };
    first.OnTerminate = onTerminate;
    second.OnTerminate = onTerminate;
    first.Resume();
    second.Resume();

    ASSERT_EQ(ExecWithDeadline(loop), 0);
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(ticksSeen[0] >= 10 && ticksSeen[1] >= 10) << "ticks seen: " << ticksSeen[0] << " and " << ticksSeen[1];
    // Each step holds the main thread for at least 0.3 ms of wall time, so
    // after a handful of steps the 1 ms timer is due; a load on the machine
    // only makes it more overdue. A loop that turns between its batches of
    // pending steps lets it fire after a few steps; one that keeps running
    // steps while more arrive does not.
    EXPECT_LE(longestRunWithoutTick, 50) << "steps ran without a timer tick";
    EXPECT_TRUE(first.Finished());
    EXPECT_TRUE(second.Finished());
}

TEST(KvThreadInEventLoop, StopFromAHandlerDoesNotReenterHandlers)
{
    // A handler stops the worker while the worker is posting steps; a timer
    // that fires during the stop would show the loop turned inside WaitFor.
    bool inStopHandler = false;
    bool reentered = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { reentered = reentered || inStopHandler; });
    probe.start(0);

    int steps = 0;
    int stepsAtStop = -1;
    int fired = 0;
    QEventLoop loop;
    TestThread thread([&](TestThread& self) {
        const QDeadlineTimer deadline(15000);
        while (!self.Terminated() && !deadline.hasExpired()) {
            self.Synchronize([&] {
                if (++steps == 10)
                    QTimer::singleShot(0, &loop, [&] {
                        inStopHandler = true;
                        thread.Terminate();
                        thread.WaitFor();
                        stepsAtStop = steps;
                        inStopHandler = false;
                        loop.quit();
                    });
            });
        }
    });
    thread.OnTerminate = [&](QObject*) { ++fired; };
    thread.Resume();

    ASSERT_EQ(ExecWithDeadline(loop), 0);
    EXPECT_FALSE(reentered);
    EXPECT_EQ(fired, 1);
    EXPECT_GE(stepsAtStop, 10);
    EXPECT_TRUE(thread.Finished());
}

TEST(KvThreadInEventLoop, FreeOnTerminateInsideTheLoop)
{
    int fired = 0;
    QPointer<TKvThread> pointer;
    auto* thread = new TestThread([](TestThread& self) {
        for (int i = 0; i < 20; ++i)
            self.Synchronize([] {});
    });
    pointer = thread;
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](QObject*) { ++fired; };
    thread->Resume();

    EXPECT_TRUE(ProcessEventsUntil([&] { return pointer.isNull(); }));
    EXPECT_EQ(fired, 1);
}
