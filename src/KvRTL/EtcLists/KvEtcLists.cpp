#include "KvRTL/EtcLists/KvEtcLists.h"

// Defined here so that the class's vtable lives in this one object file.
TIntegerList::TIntegerList() = default;
TIntegerList::~TIntegerList() = default;
