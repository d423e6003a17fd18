#include "platform/KvPreviewLoader.h"

#include <QMetaObject>

#include <pthread.h>

TKvPreviewLoader::TKvPreviewLoader(QObject* parent)
    : QObject(parent)
{
}

TKvPreviewLoader::~TKvPreviewLoader()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        abandoned_ = true;
        next_.reset();
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
    // Deliveries still queued for this object are dropped with it.
}

void TKvPreviewLoader::Start(Load load)
{
    if (!thread_.joinable()) {
        thread_ = std::thread(&TKvPreviewLoader::Run, this);
        pthread_setname_np(thread_.native_handle(), "preview");
    }
    pending_ = true;
    std::optional<Request> replaced;
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
        replaced = std::exchange(next_, Request{std::move(load), ++generation_});
    }
    wake_.notify_one();
}

void TKvPreviewLoader::Cancel()
{
    ++generation_;  // a delivery already on its way finds itself stale
    pending_ = false;
    std::optional<Request> dropped;
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
    dropped = std::move(next_);
    next_.reset();
}

void TKvPreviewLoader::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || next_; });
        if (quit_)
            return;
        Request request = std::move(*next_);
        next_.reset();
        abandoned_ = false;
        lock.unlock();

        Delivery delivery;
        try {
            delivery = request.load(abandoned_);
        } catch (...) {
            // Ends as a load that delivers nothing: the pending state ends.
        }
        request.load = nullptr;
        std::optional<Result> replaced;
        lock.lock();
        if (!abandoned_) {
            // A result the main thread has not taken yet is older: dropped.
            replaced = std::exchange(ready_, Result{std::move(delivery), request.generation});
            if (!replaced)
                QMetaObject::invokeMethod(this, "DeliverReady", Qt::QueuedConnection);
        }
        // Whatever an abandoned load holds (pixels) is let go here, not on
        // the main thread.
        lock.unlock();
        replaced.reset();
        delivery = nullptr;
        lock.lock();
    }
}

void TKvPreviewLoader::DeliverReady()
{
    std::optional<Result> result;
    {
        const std::lock_guard lock(mutex_);
        result = std::move(ready_);
        ready_.reset();
    }
    if (!result || result->generation != generation_)
        return;
    pending_ = false;
    if (result->delivery)
        result->delivery();
}
