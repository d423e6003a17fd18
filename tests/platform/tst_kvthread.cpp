// The thread base inside a running Qt event loop, as the window uses it:
// steps and timers share the loop, a stop from a handler does not re-enter
// handlers, and the end notification can end the loop.
#include "KvThread.h"
#include "TestThread.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>

namespace {

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

class TstKvThread : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stepsInterleaveWithTimersAndOnTerminateEndsTheLoop();
    void stopFromAHandlerDoesNotReenterHandlers();
    void freeOnTerminateInsideTheLoop();
};

void TstKvThread::stepsInterleaveWithTimersAndOnTerminateEndsTheLoop()
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

    QCOMPARE(ExecWithDeadline(loop), 0);
    QCOMPARE(fired, 2);
    QVERIFY2(ticksSeen[0] >= 10 && ticksSeen[1] >= 10,
             qPrintable(QStringLiteral("ticks seen: %1 and %2").arg(ticksSeen[0]).arg(ticksSeen[1])));
    // Each step holds the main thread for at least 0.3 ms of wall time, so
    // after a handful of steps the 1 ms timer is due; a load on the machine
    // only makes it more overdue. A loop that turns between its batches of
    // pending steps lets it fire after a few steps; one that keeps running
    // steps while more arrive does not.
    QVERIFY2(longestRunWithoutTick <= 50,
             qPrintable(QStringLiteral("%1 steps ran without a timer tick").arg(longestRunWithoutTick)));
    QVERIFY(first.Finished());
    QVERIFY(second.Finished());
}

void TstKvThread::stopFromAHandlerDoesNotReenterHandlers()
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

    QCOMPARE(ExecWithDeadline(loop), 0);
    QVERIFY(!reentered);
    QCOMPARE(fired, 1);
    QVERIFY(stepsAtStop >= 10);
    QVERIFY(thread.Finished());
}

void TstKvThread::freeOnTerminateInsideTheLoop()
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

    QTRY_VERIFY_WITH_TIMEOUT(pointer.isNull(), 20000);
    QCOMPARE(fired, 1);
}

QTEST_GUILESS_MAIN(TstKvThread)
#include "tst_kvthread.moc"
