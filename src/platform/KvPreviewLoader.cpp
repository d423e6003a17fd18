#include "KvPreviewLoader.h"

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
        lock.lock();
        if (!abandoned_) {
            QMetaObject::invokeMethod(
                this, [this, generation = request.generation, delivery = std::move(delivery)] {
                    Deliver(generation, delivery);
                }, Qt::QueuedConnection);
        } else if (delivery) {
            // Whatever it holds (pixels) is let go here, not on the main thread.
            lock.unlock();
            delivery = nullptr;
            lock.lock();
        }
    }
}

void TKvPreviewLoader::Deliver(uint64_t generation, const Delivery& delivery)
{
    if (generation != generation_)
        return;
    pending_ = false;
    if (delivery)
        delivery();
}
