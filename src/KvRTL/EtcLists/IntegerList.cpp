#include "KvRTL/EtcLists/IntegerList.h"

EAssignError::EAssignError() : std::logic_error("cannot assign an object of an unrelated class") {}

void TPersistent::Assign(const TPersistent& source)
{
    source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& /*dest*/) const
{
    throw EAssignError();
}

template class TMyRecordList<int32_t>;
template class TNumericList<int32_t>;
