#include "catalogue/KvNameKeyMaker.h"

#include "catalogue/KvCollation.h"
#include "catalogue/KvFileInfo.h"

#include <system_error>

namespace {

// Large enough that the lock is taken rarely, small enough that the maker
// starts while the listing is still young.
constexpr size_t kBatch = 256;

}  // namespace

TKvNameKeyMaker::TKvNameKeyMaker()
{
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to spare: the keys are made when first compared instead.
        return;
    }
    batch_.reserve(kBatch);
}

TKvNameKeyMaker::~TKvNameKeyMaker()
{
    Abandon();
}

void TKvNameKeyMaker::Add(TKvFileInfo* entry)
{
    if (!thread_.joinable())
        return;
    batch_.push_back(entry);
    if (batch_.size() >= kBatch)
        HandOver();
}

void TKvNameKeyMaker::HandOver()
{
    if (batch_.empty())
        return;
    {
        const std::lock_guard lock(mutex_);
        queued_.insert(queued_.end(), batch_.begin(), batch_.end());
    }
    batch_.clear();
    wake_.notify_one();
}

void TKvNameKeyMaker::Finish()
{
    HandOver();
    Close(false);
}

void TKvNameKeyMaker::Abandon()
{
    batch_.clear();
    Close(true);
}

void TKvNameKeyMaker::Close(bool abandon)
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        if (abandon)
            abandoned_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TKvNameKeyMaker::Run()
{
    std::vector<TKvFileInfo*> work;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !queued_.empty() || closing_; });
            if (abandoned_ || queued_.empty())
                return;
            work.swap(queued_);
        }
        for (TKvFileInfo* entry : work) {
            if (abandoned_.load(std::memory_order_relaxed))
                return;
            entry->NameKey = FileNameCollationKey(entry->Name);
        }
        work.clear();
    }
}
