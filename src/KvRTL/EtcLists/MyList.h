// A growable list of untyped references, the base of the typed lists.
//
// Plain C++ (no Qt). Not thread-safe: one thread at a time per list.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

// Actions passed to TMyList::Notify.
enum TListNotification : int {
    lnAdded = 0,
    lnDeleted = 2,
};

// Raised by TMyList::Error for every misuse of a list (an index, a capacity
// or a count out of range). what() is always "Listエラー"; the reason is kept
// apart for debugging only.
class EListError : public std::logic_error {
public:
    EListError(const char* reason, intptr_t data);

    // Where the failure is reported from: "EtcLists\MyList", line 117.
    const char* SourceFile() const noexcept { return "EtcLists\\MyList"; }
    int SourceLine() const noexcept { return 117; }

    const char* Reason() const noexcept { return reason_; }
    intptr_t Data() const noexcept { return data_; }

private:
    const char* reason_;  // a string literal
    intptr_t data_;
};

// The list holds references it does not own; a subclass that owns its items
// releases them in Notify. Count and Capacity range over 0 .. MaxListSize.
class TMyList {
public:
    static constexpr int32_t MaxListSize = 134'217'727;  // 2^27 - 1

    TMyList() = default;
    // Clears the list. Notify calls made from here reach this class's own
    // Notify only (C++ dispatch in a destructor), so a subclass whose Notify
    // releases items calls Clear in its own destructor.
    virtual ~TMyList();

    TMyList(const TMyList&) = delete;
    TMyList& operator=(const TMyList&) = delete;

    // Appends item, growing first when the list is full, and returns its
    // index. Notify(item, lnAdded) runs after the append when item is not null.
    int32_t Add(void* item);
    // Removes the item at index and closes the gap; Notify(item, lnDeleted)
    // runs afterwards when the removed item was not null.
    void Delete(int32_t index);
    void* Items(int32_t index) const;

    int32_t Count() const noexcept { return count_; }
    int32_t Capacity() const noexcept { return capacity_; }
    // Fails below Count or above MaxListSize.
    void SetCapacity(int32_t newCapacity);
    // Growing fills the new slots with null without notifying; shrinking
    // deletes from the end one item at a time through Delete. Fails below 0
    // or above MaxListSize.
    void SetCount(int32_t newCount);
    // SetCount(0), then SetCapacity(0).
    virtual void Clear();

    // Throws EListError; never returns.
    [[noreturn]] static void Error(const char* reason, intptr_t data);

protected:
    // Capacity grows by a quarter above 64 slots, by 16 above 8, else by 4.
    virtual void Grow();
    // Called after an add or a delete of a non-null item; does nothing here.
    virtual void Notify(void* item, TListNotification action);

private:
    std::unique_ptr<void*[]> items_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};
