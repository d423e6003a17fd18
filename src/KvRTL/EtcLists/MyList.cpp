#include "KvRTL/EtcLists/MyList.h"

#include <algorithm>

EListError::EListError(const char* reason, intptr_t data)
    : std::logic_error("Listエラー"), reason_(reason), data_(data)
{
}

TMyList::~TMyList()
{
    Clear();
}

int32_t TMyList::Add(void* item)
{
    if (count_ == capacity_) {
        Grow();
        // A subclass's Grow that made no room must not lead to a write past the end.
        if (count_ == capacity_)
            Error("list did not grow", capacity_);
    }
    const int32_t index = count_;
    items_[index] = item;
    ++count_;
    if (item)
        Notify(item, lnAdded);
    return index;
}

void TMyList::Delete(int32_t index)
{
    if (index < 0 || index >= count_)
        Error("index out of range", index);
    void* const item = items_[index];
    std::copy(items_.get() + index + 1, items_.get() + count_, items_.get() + index);
    --count_;
    if (item)
        Notify(item, lnDeleted);
}

void* TMyList::Items(int32_t index) const
{
    if (index < 0 || index >= count_)
        Error("index out of range", index);
    return items_[index];
}

void TMyList::SetCapacity(int32_t newCapacity)
{
    if (newCapacity < count_ || newCapacity > MaxListSize)
        Error("capacity out of range", newCapacity);
    if (newCapacity == capacity_)
        return;
    std::unique_ptr<void*[]> resized;
    if (newCapacity > 0) {
        resized = std::make_unique<void*[]>(static_cast<std::size_t>(newCapacity));
        std::copy(items_.get(), items_.get() + count_, resized.get());
    }
    items_ = std::move(resized);
    capacity_ = newCapacity;
}

void TMyList::SetCount(int32_t newCount)
{
    if (newCount < 0 || newCount > MaxListSize)
        Error("count out of range", newCount);
    if (newCount > capacity_)
        SetCapacity(newCount);
    if (newCount > count_) {
        std::fill(items_.get() + count_, items_.get() + newCount, nullptr);
        count_ = newCount;
    } else {
        // One at a time from the end, so that Notify sees every removed item
        // while the list still holds the ones before it.
        while (count_ > newCount)
            Delete(count_ - 1);
    }
}

void TMyList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TMyList::Error(const char* reason, intptr_t data)
{
    throw EListError(reason, data);
}

void TMyList::Grow()
{
    int32_t delta = 4;
    if (capacity_ > 64)
        delta = capacity_ / 4;
    else if (capacity_ > 8)
        delta = 16;
    SetCapacity(capacity_ + delta);
}

void TMyList::Notify(void* /*item*/, TListNotification /*action*/)
{
}
