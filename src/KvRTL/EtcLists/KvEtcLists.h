// The program's typed lists.
//
// Plain C++ (no Qt). Not thread-safe: one thread at a time per list.
#pragma once

#include "KvRTL/EtcLists/IntegerList.h"

#include <cstdint>

// A list of 32-bit signed integers, one record per value. Row selections are
// passed around in one: the list view writes the selected row indexes into
// it in ascending order.
class TIntegerList : public TNumericList<int32_t> {
public:
    TIntegerList();
    ~TIntegerList() override;
};
