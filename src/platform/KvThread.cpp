#include "platform/KvThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <utility>

#ifdef __linux__
#include <pthread.h>
#endif

namespace {

// One step handed from a worker to the main thread. It lives on the posting
// worker's stack; the worker does not return before `done`. Linked into the
// queue in place, so handing a step over never allocates and cannot fail.
struct SynchronizeRequest {
    std::function<void()>* step;
    int* ownerStepsRunning;  // the owner's counter, main thread only
    bool done = false;
    std::exception_ptr error;
    SynchronizeRequest* next = nullptr;
};

class SynchronizeDispatcher;

// The process-wide queue of pending steps. All of it is guarded by `mutex`,
// so ThreadSanitizer sees every hand-off; the Qt event is only a wake-up.
struct SynchronizeQueue {
    std::mutex mutex;
    // Signalled when a step is posted, when one has run and when a worker
    // ends; workers and WaitFor each wait for their own condition.
    std::condition_variable changed;
    // Pending steps, oldest first.
    SynchronizeRequest* head = nullptr;
    SynchronizeRequest* tail = nullptr;
    size_t count = 0;
    SynchronizeDispatcher* dispatcher = nullptr;  // lives on the main thread
    bool wakeUpPosted = false;
};

SynchronizeQueue& Queue()
{
    // Never destroyed: a worker left blocked at exit must not meet a dead mutex.
    static auto* queue = new SynchronizeQueue;
    return *queue;
}

bool OnMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void RequireMainThread(const char* function)
{
    if (!OnMainThread())
        qFatal("%s must be called on the main thread", function);
}

// Posts the wake-up unless one is outstanding. Called with the mutex held, so
// the dispatcher cannot be destroyed meanwhile. Invoked by name with no
// arguments: nothing our code wrote travels through Qt's event queue.
void PostWakeUpLocked(SynchronizeQueue& queue);

void AppendLocked(SynchronizeQueue& queue, SynchronizeRequest* request)
{
    if (queue.tail != nullptr)
        queue.tail->next = request;
    else
        queue.head = request;
    queue.tail = request;
    ++queue.count;
}

// Runs the oldest pending step, if any. Called and returns with `lock` held.
// One at a time, so a step that waits for another thread keeps the order.
bool RunNextStep(SynchronizeQueue& queue, std::unique_lock<std::mutex>& lock)
{
    SynchronizeRequest* request = queue.head;
    if (request == nullptr)
        return false;
    queue.head = request->next;
    if (queue.head == nullptr)
        queue.tail = nullptr;
    --queue.count;
    lock.unlock();

    std::exception_ptr error;
    ++*request->ownerStepsRunning;
    try {
        (*request->step)();
    } catch (...) {
        error = std::current_exception();
    }
    --*request->ownerStepsRunning;

    lock.lock();
    request->error = std::move(error);
    request->done = true;
    queue.changed.notify_all();
    return true;
}

// Runs at most `limit` steps: those pending when the caller started.
void RunPendingSteps(SynchronizeQueue& queue, std::unique_lock<std::mutex>& lock, size_t limit)
{
    for (size_t i = 0; i < limit && RunNextStep(queue, lock); ++i) {
    }
}

// Receives the wake-ups on the main thread. A child of the application, so
// it goes with it; the next Resume under a new application makes a new one.
class SynchronizeDispatcher : public QObject {
    Q_OBJECT

public:
    explicit SynchronizeDispatcher(QObject* parent) : QObject(parent) {}

    ~SynchronizeDispatcher() override
    {
        SynchronizeQueue& queue = Queue();
        const std::lock_guard lock(queue.mutex);
        if (queue.dispatcher == this) {
            queue.dispatcher = nullptr;
            queue.wakeUpPosted = false;
        }
    }

public Q_SLOTS:
    void Drain()
    {
        SynchronizeQueue& queue = Queue();
        std::unique_lock lock(queue.mutex);
        // Steps posted from now on need a new wake-up; they run on a later
        // turn, so painting and input get their turn in between.
        queue.wakeUpPosted = false;
        RunPendingSteps(queue, lock, queue.count);
    }
};

void PostWakeUpLocked(SynchronizeQueue& queue)
{
    if (queue.wakeUpPosted || queue.dispatcher == nullptr)
        return;
    queue.wakeUpPosted = true;
    QMetaObject::invokeMethod(queue.dispatcher, "Drain", Qt::QueuedConnection);
}

// Main thread: makes the dispatcher if there is none yet.
void EnsureDispatcher()
{
    SynchronizeQueue& queue = Queue();
    {
        const std::lock_guard lock(queue.mutex);
        if (queue.dispatcher != nullptr)
            return;
    }
    // Only the main thread creates it, so nobody can race us here.
    auto* dispatcher = new SynchronizeDispatcher(QCoreApplication::instance());
    const std::lock_guard lock(queue.mutex);
    queue.dispatcher = dispatcher;
    if (queue.count > 0)
        PostWakeUpLocked(queue);
}

QThread::Priority ToQtPriority(int priority)
{
    static constexpr QThread::Priority table[] = {
        QThread::IdlePriority,   QThread::LowestPriority,  QThread::LowPriority,
        QThread::NormalPriority, QThread::HighPriority,    QThread::HighestPriority,
        QThread::TimeCriticalPriority,
    };
    return table[priority];
}

}  // namespace

TKvThread::TKvThread(bool CreateSuspended)
{
    if (!CreateSuspended) {
        startPending_ = true;
        QMetaObject::invokeMethod(this, "StartDeferred", Qt::QueuedConnection);
    }
}

TKvThread::~TKvThread()
{
    if (started_) {
        destroying_ = true;
        Terminate();
        WaitFor();
    }
}

void TKvThread::StartDeferred()
{
    if (startPending_)
        Resume();
}

void TKvThread::Resume()
{
    RequireMainThread("TKvThread::Resume");
    if (started_)
        return;
    EnsureDispatcher();
    thread_ = std::thread([this] { ThreadBody(); });
    started_ = true;
    startPending_ = false;
}

bool TKvThread::Suspended() const
{
    return !started_ && !startPending_;
}

void TKvThread::Terminate()
{
    terminated_.store(true);
}

bool TKvThread::Terminated() const
{
    return terminated_.load();
}

bool TKvThread::Finished() const
{
    return finished_.load();
}

int TKvThread::Priority() const
{
    return priority_;
}

void TKvThread::SetPriority(int Value)
{
    const std::lock_guard lock(Queue().mutex);
    priority_ = (Value >= 0 && Value <= 6) ? Value : DefaultPriority;
    ApplyPriorityLocked();
}

void TKvThread::ApplyPriorityLocked()
{
    // Under the mutex the worker cannot end, so its QThread is alive. Qt maps
    // the priority onto the scheduler and ignores a refusal by the OS.
    if (workerQThread_ != nullptr)
        workerQThread_->setPriority(ToQtPriority(priority_));
}

QString TKvThread::FatalErrorText() const
{
    return fatalErrorText_;
}

void TKvThread::WaitFor()
{
    RequireMainThread("TKvThread::WaitFor");
    if (startPending_)
        Resume();
    if (!started_)
        return;
    // The worker is blocked until that step returns, so waiting here would
    // never end.
    if (stepsRunning_ > 0)
        qFatal("TKvThread::WaitFor called from a synchronized step of the same thread");

    SynchronizeQueue& queue = Queue();
    std::unique_lock lock(queue.mutex);
    while (!workerEnded_) {
        if (!RunNextStep(queue, lock))
            queue.changed.wait(lock);
    }
    lock.unlock();
    // The worker has only its return left.
    if (thread_.joinable())
        thread_.join();
}

void TKvThread::Synchronize(std::function<void()> Step)
{
    if (!Step)
        return;
    if (OnMainThread()) {
        Step();
        return;
    }
    SynchronizeRequest request{&Step, &stepsRunning_, false, {}, nullptr};
    SynchronizeQueue& queue = Queue();
    std::unique_lock lock(queue.mutex);
    AppendLocked(queue, &request);
    PostWakeUpLocked(queue);
    queue.changed.notify_all();  // a WaitFor may be sleeping
    queue.changed.wait(lock, [&request] { return request.done; });
    lock.unlock();
    if (request.error)
        std::rethrow_exception(request.error);
}

void TKvThread::ThreadBody()
{
#ifdef __linux__
    pthread_setname_np(pthread_self(), "TKvThread");
#endif
    SynchronizeQueue& queue = Queue();
    {
        const std::lock_guard lock(queue.mutex);
        workerQThread_ = QThread::currentThread();
        ApplyPriorityLocked();
    }
    try {
        Execute();
    } catch (const std::exception& error) {
        fatalErrorText_ = QString::fromUtf8(error.what());
    } catch (...) {
        fatalErrorText_ = QStringLiteral("Execute ended with an exception that is not a std::exception");
    }
    // Cannot throw: the hand-off does not allocate and DoTerminate catches
    // everything itself.
    Synchronize([this] { DoTerminate(); });

    const std::lock_guard lock(queue.mutex);
    workerQThread_ = nullptr;
    workerEnded_ = true;
    queue.changed.notify_all();
    // From here on the owner may delete this object: touch nothing of it.
}

void TKvThread::DoTerminate()
{
    try {
        if (OnTerminate)
            OnTerminate(this);
    } catch (const std::exception& error) {
        if (fatalErrorText_.isEmpty())
            fatalErrorText_ = QString::fromUtf8(error.what());
    } catch (...) {
        if (fatalErrorText_.isEmpty())
            fatalErrorText_ = QStringLiteral("OnTerminate ended with an exception that is not a std::exception");
    }
    finished_.store(true);
    if (FreeOnTerminate && !destroying_)
        QMetaObject::invokeMethod(this, "FreeSelf", Qt::QueuedConnection);
}

void TKvThread::FreeSelf()
{
    // The owner may have taken the object over since the call was queued.
    if (FreeOnTerminate)
        delete this;
}

void ProcessSynchronizeQueue()
{
    RequireMainThread("ProcessSynchronizeQueue");
    SynchronizeQueue& queue = Queue();
    std::unique_lock lock(queue.mutex);
    RunPendingSteps(queue, lock, queue.count);
}

#include "KvThread.moc"
