#include "KvFileInfo.h"

#include <mutex>

TKvFileInfo::~TKvFileInfo()
{
    if (OwnsJpegInfo)
        delete jpegInfo_.load(std::memory_order_acquire);
}

std::string TKvFileInfo::PathOnly() const
{
    std::string path = Path;
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void TKvFileInfo::SetJpegInfo(TKvJpegInfo* info)
{
    const std::unique_lock lock(JpegInfoMutex());
    TKvJpegInfo* previous = jpegInfo_.exchange(info, std::memory_order_acq_rel);
    if (OwnsJpegInfo && previous != info)
        delete previous;
}

std::shared_mutex& JpegInfoMutex()
{
    static std::shared_mutex mutex;
    return mutex;
}
