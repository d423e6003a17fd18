// The preview's loads, off the window's thread: one thread of the loader's
// own runs one load at a time, and only the newest request counts. Starting
// a load abandons the one before it (whose result is never delivered) and
// a queued one that never began; so going through a folder faster than its
// photos decode leaves no backlog, and a file that takes minutes to decode
// costs the window nothing.
//
// Who may call what: construction, destruction, Start, Cancel and Pending on
// the main thread only (the thread the loader lives on). A load runs on the
// loader's thread and must not touch a widget; what it returns runs on the
// main thread, through the event loop, and only while its load is still the
// newest one.
//
// Lifetime: the destructor abandons the running load and joins the thread,
// so an owner that destroys the loader before the widgets its deliveries
// touch is safe; a delivery that has not run by then never runs.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class TKvPreviewLoader : public QObject {
    Q_OBJECT

public:
    // Runs on the main thread when the load that made it is still the newest.
    using Delivery = std::function<void()>;
    // Runs on the loader's thread. It polls abandoned and returns soon after
    // it turns true; what it returns then is dropped on the loader's thread
    // (on the main thread when the load is overtaken only after it ended).
    // A load that returns no delivery, or throws, ends the pending state all
    // the same.
    using Load = std::function<Delivery(const std::atomic<bool>& abandoned)>;

    explicit TKvPreviewLoader(QObject* parent = nullptr);
    ~TKvPreviewLoader() override;

    TKvPreviewLoader(const TKvPreviewLoader&) = delete;
    TKvPreviewLoader& operator=(const TKvPreviewLoader&) = delete;

    // Abandons any earlier load and queues this one. The thread starts with
    // the first load. Throws std::system_error when the OS refuses a thread.
    void Start(Load load);
    // Abandons the load in hand: no delivery follows.
    void Cancel();
    // A load was started and has neither delivered nor been cancelled.
    bool Pending() const { return pending_; }

private Q_SLOTS:
    void DeliverReady();  // main thread

private:
    struct Request {
        Load load;
        uint64_t generation = 0;
    };
    struct Result {
        Delivery delivery;
        uint64_t generation = 0;
    };
    void Run();  // the loader's thread

    // Main thread only.
    uint64_t generation_ = 0;
    bool pending_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_: results pass through here rather than through the
    // posted event, which only wakes the main thread, so that every
    // hand-over is one ThreadSanitizer can see.
    std::optional<Request> next_;
    std::optional<Result> ready_;
    bool quit_ = false;
    // Set under mutex_ by Start, Cancel and the destructor; cleared under it
    // when the thread takes the next request; read by the running load.
    std::atomic<bool> abandoned_{false};
    std::thread thread_;
};
