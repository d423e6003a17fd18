#include "catalogue/KvFileInfo.h"

#include "decode/DeepInfo.h"

#include <cstdint>
#include <mutex>
#include <new>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef KV_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
// Free slots stay poisoned, so a use of a freed entry is still caught until
// its slot is handed out again.
#define KV_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define KV_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define KV_POISON(address, size) ((void)(address), (void)(size))
#define KV_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace {

// Slots of one size carved from 2 MiB slabs aligned to 2 MiB, which the
// kernel may back with one large page each: one fault per slab instead of
// 512. Freed slots go on a list and are handed out first.
class EntryPool {
public:
    // A size is a multiple of the alignment, so slots side by side stay aligned.
    static constexpr size_t kSlot = sizeof(TKvFileInfo);
    static_assert(kSlot >= sizeof(void*) && alignof(TKvFileInfo) <= alignof(std::max_align_t));

    void* Allocate()
    {
        const std::lock_guard lock(mutex_);
        if (free_) {
            void* slot = free_;
            KV_UNPOISON(slot, kSlot);
            free_ = *static_cast<void**>(slot);
            return slot;
        }
        if (static_cast<size_t>(end_ - next_) < kSlot)
            NewSlab();
        void* slot = next_;
        next_ += kSlot;
        KV_UNPOISON(slot, kSlot);
        return slot;
    }

    void Release(void* slot) noexcept
    {
        const std::lock_guard lock(mutex_);
        *static_cast<void**>(slot) = free_;
        free_ = slot;
        KV_POISON(slot, kSlot);
    }

private:
    static constexpr size_t kSlab = size_t{2} << 20;

    void NewSlab()
    {
        // Twice the size, then the unaligned ends cut off: mmap promises
        // only page alignment.
        void* mapped = ::mmap(nullptr, 2 * kSlab, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        char* const start = static_cast<char*>(mapped);
        const auto address = reinterpret_cast<uintptr_t>(start);
        char* const slab = start + ((kSlab - address % kSlab) % kSlab);
        if (slab > start)
            ::munmap(start, static_cast<size_t>(slab - start));
        ::munmap(slab + kSlab, static_cast<size_t>(start + 2 * kSlab - (slab + kSlab)));
        // Without large pages (not built in, or turned off) the slab is
        // faulted in page by page, as heap memory would be.
        ::madvise(slab, kSlab, MADV_HUGEPAGE);
        KV_POISON(slab, kSlab);
        next_ = slab;
        end_ = slab + kSlab;
    }

    std::mutex mutex_;
    void* free_ = nullptr;
    char* next_ = nullptr;  // the newest slab's part never handed out
    char* end_ = nullptr;
};

EntryPool& entryPool()
{
    // Never destroyed: entries may outlive every static object.
    static EntryPool* const pool = new EntryPool;
    return *pool;
}

}  // namespace

void* TKvFileInfo::operator new(std::size_t size)
{
    // Anything else (a larger class built on this one) takes the heap.
    if (size != sizeof(TKvFileInfo))
        return ::operator new(size);
    return entryPool().Allocate();
}

void TKvFileInfo::operator delete(void* entry, std::size_t size) noexcept
{
    if (!entry)
        return;
    if (size != sizeof(TKvFileInfo)) {
        ::operator delete(entry);
        return;
    }
    entryPool().Release(entry);
}

TKvFileInfo::~TKvFileInfo()
{
    if (OwnsJpegInfo)
        delete jpegInfo_.load(std::memory_order_acquire);
    delete deepInfo_.load(std::memory_order_acquire);
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

void TKvFileInfo::SetDeepInfo(DeepInfo* info)
{
    const std::unique_lock lock(JpegInfoMutex());
    DeepInfo* previous = deepInfo_.exchange(info, std::memory_order_acq_rel);
    if (previous != info)
        delete previous;
}

bool TKvFileInfo::CheckFoundDamage() const
{
    const TKvJpegInfo* walk = JpegInfo();
    const DeepInfo* deep = DeepCheckInfo();
    return (walk && walk->Verdict >= jvDamaged) || (deep && deep->Verdict == DeepVerdict::Damaged);
}

std::shared_mutex& JpegInfoMutex()
{
    static std::shared_mutex mutex;
    return mutex;
}
