#include "containers/Memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace meshaudit {

namespace {

// Process-wide like every other state of the library; calls never overlap.
struct SeamState {
    std::uint64_t requests = 0;
    std::uint64_t failed = 0;
    std::uint64_t failFirst = 0;
    std::uint64_t failCount = 0;
};

SeamState seam;

// Counts the request and tells whether this one is planned to fail.
bool NextRequestFails()
{
    ++seam.requests;
    if (seam.failCount != 0 && seam.requests >= seam.failFirst &&
        seam.requests - seam.failFirst < seam.failCount) {
        ++seam.failed;
        return true;
    }
    return false;
}

// Large blocks come fresh from the system, and every 4 KiB page costs a
// fault on its first write; on a large mesh those faults take more time than
// the work done in the block. Asking for huge pages makes them 512 times
// fewer. Zeroed blocks get the hint too: a large calloc maps pages that are
// not touched yet, so the first write faults them in the same way. Only a
// hint: the block is used the same way whether the system follows it or not.
constexpr std::size_t kHugePageHintBytes = std::size_t{8} << 20;

void HintHugePages(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (block == nullptr || bytes < kHugePageHintBytes) {
        return;
    }
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHuge - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
#endif
}

// Reuse of large blocks inside a BlockReuseScope. Smaller blocks come from
// the allocator's free lists, which reuse them already; larger ones get
// fresh pages from the system each time. The size of a block is read back
// from the allocator, so only where it tells it.
#if defined(__GLIBC__)
constexpr bool kCanReuse = true;
std::size_t BlockBytes(void* block)
{
    return malloc_usable_size(block);
}
#else
constexpr bool kCanReuse = false;
std::size_t BlockBytes(void*)
{
    return 0;
}
#endif
constexpr std::size_t kReuseMinBytes = std::size_t{1} << 20;
constexpr std::size_t kKeptSlots = 16;

struct KeptBlock {
    void* block;
    std::size_t bytes;
};

// What the open scopes keep, and the bytes of large blocks in use now
// (`liveBytes`) and at most so far. The kept blocks are bounded so that the
// blocks in use and kept together stay within a sixteenth above that peak,
// which keeps the resident peak of a call close to what it is without reuse.
struct ReuseState {
    unsigned depth = 0;
    KeptBlock kept[kKeptSlots] = {};
    std::size_t keptCount = 0;
    std::size_t keptBytes = 0;
    std::size_t liveBytes = 0;
    std::size_t peakLiveBytes = 0;
};

ReuseState reuse;

bool Reusing(std::size_t bytes)
{
    return kCanReuse && reuse.depth != 0 && bytes >= kReuseMinBytes;
}

// Takes the block of a slot out of the kept set and returns it.
void* RemoveKept(std::size_t slot)
{
    void* block = reuse.kept[slot].block;
    reuse.keptBytes -= reuse.kept[slot].bytes;
    reuse.kept[slot] = reuse.kept[--reuse.keptCount];
    return block;
}

void ReleaseKept(std::size_t slot)
{
    std::free(RemoveKept(slot));
}

// The smallest kept block that holds `bytes` and wastes at most half of it
// again, taken out of the kept set; null when there is none.
void* TakeKept(std::size_t bytes)
{
    std::size_t best = kKeptSlots;
    for (std::size_t i = 0; i < reuse.keptCount; ++i) {
        const std::size_t have = reuse.kept[i].bytes;
        if (have >= bytes && have - bytes <= bytes / 2 &&
            (best == kKeptSlots || have < reuse.kept[best].bytes)) {
            best = i;
        }
    }
    if (best == kKeptSlots) {
        return nullptr;
    }
    reuse.liveBytes += reuse.kept[best].bytes;
    return RemoveKept(best);
}

// Before a fresh block of `bytes`: releases the largest kept blocks until
// live, kept and the new block fit the bound.
void MakeRoomFor(std::size_t bytes)
{
    const std::size_t need = reuse.liveBytes + bytes;
    if (need > reuse.peakLiveBytes) {
        reuse.peakLiveBytes = need;
    }
    const std::size_t bound = reuse.peakLiveBytes + reuse.peakLiveBytes / 16;
    while (reuse.keptCount != 0 && need + reuse.keptBytes > bound) {
        std::size_t largest = 0;
        for (std::size_t i = 1; i < reuse.keptCount; ++i) {
            if (reuse.kept[i].bytes > reuse.kept[largest].bytes) {
                largest = i;
            }
        }
        ReleaseKept(largest);
    }
}

void CountLive(void* block)
{
    if (block != nullptr) {
        reuse.liveBytes += BlockBytes(block);
    }
}

}  // namespace

BlockReuseScope::BlockReuseScope()
{
    ++reuse.depth;
}

BlockReuseScope::~BlockReuseScope()
{
    if (--reuse.depth != 0) {
        return;
    }
    while (reuse.keptCount != 0) {
        ReleaseKept(reuse.keptCount - 1);
    }
    reuse = ReuseState{};
}

void* Allocate(std::size_t bytes)
{
    if (NextRequestFails()) {
        return nullptr;
    }
    if (!Reusing(bytes)) {
        // malloc(0) may return null; one byte keeps "null means failure" true.
        void* block = std::malloc(bytes == 0 ? 1 : bytes);
        HintHugePages(block, bytes);
        return block;
    }
    if (void* block = TakeKept(bytes)) {
        return block;
    }
    MakeRoomFor(bytes);
    void* block = std::malloc(bytes);
    HintHugePages(block, bytes);
    CountLive(block);
    return block;
}

void* AllocateZeroed(std::size_t count, std::size_t size)
{
    if (NextRequestFails()) {
        return nullptr;
    }
    if (count == 0 || size == 0) {
        return std::calloc(1, 1);
    }
    if (count > SIZE_MAX / size) {
        return nullptr;  // the product overflows
    }
    if (!Reusing(count * size)) {
        void* block = std::calloc(count, size);
        HintHugePages(block, count * size);
        return block;
    }
    // Clearing a block whose pages are in place is far cheaper than faulting
    // in fresh zeroed pages.
    if (void* block = TakeKept(count * size)) {
        return std::memset(block, 0, count * size);
    }
    MakeRoomFor(count * size);
    void* block = std::calloc(count, size);
    HintHugePages(block, count * size);
    CountLive(block);
    return block;
}

void Free(void* memory)
{
    if (memory == nullptr) {
        return;
    }
    const std::size_t bytes = kCanReuse && reuse.depth != 0 ? BlockBytes(memory) : 0;
    if (!Reusing(bytes)) {
        std::free(memory);
        return;
    }
    reuse.liveBytes -= bytes < reuse.liveBytes ? bytes : reuse.liveBytes;
    if (reuse.keptCount == kKeptSlots) {
        std::free(memory);
        return;
    }
    reuse.kept[reuse.keptCount++] = KeptBlock{memory, bytes};
    reuse.keptBytes += bytes;
}

namespace memory_testing {

void FailAllocations(std::uint64_t first, std::uint64_t count)
{
    seam.failFirst = first;
    seam.failCount = count;
}

void ResetAllocationCounter()
{
    seam = SeamState{};
}

std::uint64_t AllocationCount()
{
    return seam.requests;
}

std::uint64_t FailedAllocationCount()
{
    return seam.failed;
}

std::size_t KeptBlockBytes()
{
    return reuse.keptBytes;
}

}  // namespace memory_testing

}  // namespace meshaudit
