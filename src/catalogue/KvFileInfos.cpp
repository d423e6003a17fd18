#include "catalogue/KvFileInfos.h"

TKvFileInfos::TKvFileInfos(QObject* Owner) : QObject(Owner)
{
    list_.Defaults->SectionName = "OptionFileInfos";
}

TKvFileInfos::~TKvFileInfos()
{
    list_.Stop();
}
