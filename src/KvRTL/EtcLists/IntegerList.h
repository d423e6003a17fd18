// Lists of values kept in separately allocated records, one record per value,
// and the assignment base they share.
//
// Plain C++ (no Qt). Not thread-safe: one thread at a time per list.
#pragma once

#include "KvRTL/EtcLists/MyList.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <type_traits>

// Raised when an object is assigned from one whose class it cannot copy.
class EAssignError : public std::logic_error {
public:
    EAssignError();
};

// Base of objects that copy their contents from another object by Assign.
class TPersistent {
public:
    virtual ~TPersistent() = default;

    // Copies source's contents into this object. This base knows no contents:
    // it asks source to copy itself here (AssignTo), which fails with
    // EAssignError unless source's class knows this one.
    virtual void Assign(const TPersistent& source);

protected:
    TPersistent() = default;
    TPersistent(const TPersistent&) = default;
    TPersistent& operator=(const TPersistent&) = default;

    // Copies this object into dest; throws EAssignError in this base.
    virtual void AssignTo(TPersistent& dest) const;
};

// Owns one record per value; the inner TMyList holds pointers to them.
// Items are read by value. Every index is checked: out of range raises
// EListError ("Listエラー").
template <typename TRecord>
class TMyRecordList : public TPersistent {
public:
    TMyRecordList() = default;
    // Frees every record.
    ~TMyRecordList() override { Clear(); }

    TMyRecordList(const TMyRecordList&) = delete;
    TMyRecordList& operator=(const TMyRecordList&) = delete;

    // Allocates a record holding value, appends it and returns its index.
    int32_t Add(const TRecord& value)
    {
        auto record = std::make_unique<TRecord>(value);
        const int32_t index = list_.Add(record.get());
        record.release();  // now owned through list_
        return index;
    }

    TRecord Items(int32_t index) const { return *static_cast<const TRecord*>(list_.Items(index)); }
    int32_t Count() const noexcept { return list_.Count(); }

    // Frees every record, then clears the inner list (capacity 0).
    void Clear()
    {
        for (int32_t i = 0; i < list_.Count(); ++i)
            delete static_cast<TRecord*>(list_.Items(i));
        list_.Clear();
    }

    // From a record list of the same record type: clears this list, then
    // appends a copy of each of source's values in order. Assigning a list to
    // itself leaves it unchanged. From any other class: TPersistent::Assign,
    // which throws EAssignError and leaves this list unchanged.
    void Assign(const TPersistent& source) override
    {
        const auto* other = dynamic_cast<const TMyRecordList*>(&source);
        if (!other) {
            TPersistent::Assign(source);
            return;
        }
        // Clearing first would otherwise empty both sides.
        if (other == this)
            return;
        Clear();
        list_.SetCapacity(other->Count());
        for (int32_t i = 0; i < other->Count(); ++i)
            Add(other->Items(i));
    }

private:
    TMyList list_;
};

// A record list of plain numbers.
template <typename TNumber>
class TNumericList : public TMyRecordList<TNumber> {
    static_assert(std::is_arithmetic_v<TNumber>, "TNumericList holds numbers only");
};

// The one record type this program uses; instantiated once, in IntegerList.cpp.
extern template class TMyRecordList<int32_t>;
extern template class TNumericList<int32_t>;
