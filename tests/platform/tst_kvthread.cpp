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
    // a turn. Each worker keeps going until it has seen ten ticks.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(1);

    int steps = 0;
    int ticksSeen[2] = {0, 0};
    auto body = [&](int index) {
        return [&, index](TestThread& self) {
            const QDeadlineTimer deadline(15000);
            int seen = 0;
            while (seen < 10 && !deadline.hasExpired()) {
                self.Synchronize([&] {
                    ++steps;
                    seen = ticks;
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
    QVERIFY(ticksSeen[0] >= 10);
    QVERIFY(ticksSeen[1] >= 10);
    QVERIFY(steps >= 20);
    // A step takes 0.3 ms and the timer is due every 1 ms, so a loop that
    // gives the timer its turn runs a few steps per tick (tens in all, a few
    // hundred on a loaded machine); one that keeps running steps while more
    // arrive never lets the timer tick and runs tens of thousands until the
    // workers' deadline.
    QVERIFY2(steps < 5000, qPrintable(QStringLiteral("%1 steps ran before ten timer ticks").arg(steps)));
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
