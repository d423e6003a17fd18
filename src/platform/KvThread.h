// The thread base of the workers: a thread object that starts suspended,
// runs Execute on its own thread, hands steps to the main thread through
// Synchronize, is stopped with Terminate + WaitFor, fires OnTerminate on the
// main thread when it ends and may free itself afterwards.
//
// "The main thread" is QCoreApplication::instance()->thread(); a
// QCoreApplication must exist before the first Resume. Who may call what:
//   - any thread: Terminate, Terminated, Finished;
//   - the thread's own Execute: Synchronize (also allowed on the main
//     thread, where it runs the step directly);
//   - the main thread only: construction, destruction, Resume, Suspended,
//     WaitFor, Priority, SetPriority, FatalErrorText, the fields OnTerminate
//     and FreeOnTerminate, and ProcessSynchronizeQueue. Misuse that would
//     otherwise deadlock or break that rule (Resume, WaitFor or
//     ProcessSynchronizeQueue off the main thread; WaitFor from one of the
//     thread's own synchronized steps, including its OnTerminate) ends the
//     process with a message instead.
//
// Lifetime rules:
//   - Every worker must be stopped (Terminate + WaitFor, or deleted) before
//     the QCoreApplication is destroyed: a Synchronize with no main thread to
//     run it blocks its worker for ever.
//   - The base destructor stops a running thread, but by then the subclass
//     part is already destroyed. A subclass whose Execute reads its own
//     members must call Terminate(); WaitFor(); in its own destructor.
//   - FreeOnTerminate deletes the object through the main event loop; an
//     owner that keeps a raw pointer to such a thread must forget it in
//     OnTerminate (or hold a QPointer).
//
// The worker is a std::thread (joined by WaitFor), so ThreadSanitizer sees
// its whole life; it has no Qt event loop of its own.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class QThread;

using TNotifyEvent = std::function<void(QObject* Sender)>;

class TKvThread : public QObject {
    Q_OBJECT

public:
    // Priorities 0..6: Idle, Lowest, Lower, Normal, Higher, Highest,
    // TimeCritical. The workers' setting defaults to Highest, and a value out
    // of range (an edited settings file) means that default.
    static constexpr int DefaultPriority = 5;

    // With CreateSuspended the thread waits for Resume. Without it, the
    // thread starts on the next turn of the main event loop (or at WaitFor,
    // whichever comes first): starting here would run Execute before the
    // subclass is constructed.
    explicit TKvThread(bool CreateSuspended = true);
    // Stops a running thread first: Terminate(), then WaitFor() (which fires
    // OnTerminate, with this object half destroyed; use Sender only as an
    // identity then). A thread that never started is simply dropped, without
    // OnTerminate.
    ~TKvThread() override;

    TKvThread(const TKvThread&) = delete;
    TKvThread& operator=(const TKvThread&) = delete;

    // Starts the thread if it has not started yet; otherwise does nothing.
    // Throws std::system_error when the OS refuses a new thread; the object
    // then stays suspended.
    void Resume();
    // True until the thread is started (or scheduled to start).
    bool Suspended() const;

    // Asks Execute to stop; Execute polls Terminated() and returns soon after.
    void Terminate();
    bool Terminated() const;

    // Blocks until the thread has ended: Execute has returned and the end
    // event (OnTerminate) has run. Meanwhile runs the pending synchronized
    // steps of every worker and nothing else: the event loop does not turn,
    // so no timer, no queued call and no UI handler runs re-entrantly. A
    // thread that never started returns at once (nothing is started); one
    // created with CreateSuspended false is started first.
    void WaitFor();
    // True once the end event has run (after OnTerminate returned).
    bool Finished() const;

    // Mapped onto QThread::Priority (0 Idle .. 6 TimeCritical) and applied
    // when the thread starts, and at once while it runs. Under Linux's normal
    // scheduling policy Qt can only tell Idle (the idle class) from the rest.
    // The OS may refuse a priority to an unprivileged user; that is not an
    // error (the thread keeps the priority it has).
    int Priority() const;
    void SetPriority(int Value);

    // Empty unless Execute ended by an exception (std::exception: its what(),
    // UTF-8; anything else: a fixed text) or OnTerminate threw. Read it in
    // OnTerminate or once Finished().
    QString FatalErrorText() const;

    // Fired on the main thread when the thread ends, however it ended
    // (normally, terminated or by an exception); Sender is this object.
    TNotifyEvent OnTerminate;
    // When true, the object deletes itself on the main thread after
    // OnTerminate, by a queued call (so only once the event loop turns, never
    // inside WaitFor). Set it false again before the call runs to keep the
    // object; deleting the object drops the call.
    bool FreeOnTerminate = false;

protected:
    // The thread body. Runs on the worker thread; should poll Terminated().
    // An exception ends the thread and is kept as FatalErrorText.
    virtual void Execute() = 0;

    // Runs Step on the main thread and blocks until it has run; steps of all
    // workers run in the order they were posted. An exception thrown by Step
    // is rethrown here. On the main thread, runs Step directly.
    void Synchronize(std::function<void()> Step);

private Q_SLOTS:
    void StartDeferred();
    void FreeSelf();

private:
    void ThreadBody();   // worker
    void DoTerminate();  // main thread, as the last synchronized step

    void ApplyPriorityLocked();

    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    bool started_ = false;
    bool startPending_ = false;
    bool destroying_ = false;
    int stepsRunning_ = 0;  // this thread's steps on the main thread's stack
    // Guarded by the synchronize queue's mutex:
    bool workerEnded_ = false;
    QThread* workerQThread_ = nullptr;  // Qt's view of the worker while it runs
    int priority_ = DefaultPriority;    // written by the main thread only
    QString fatalErrorText_;  // worker until the end step, then main thread
};

// Runs the synchronized steps that are pending when it is called, in order.
// Main thread only; steps posted meanwhile are left for the next call or the
// event loop, so a busy worker cannot keep the main thread here.
void ProcessSynchronizeQueue();
