#include "containers/BlockReuse.h"

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace meshaudit {

namespace {

// Smaller blocks come from the allocator's free lists, which reuse them
// already; larger ones get fresh pages from the system each time. The size
// of a block is read back from the allocator, so only where it tells it.
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
// One per thread: a scope keeps the blocks of the analysis running on its
// own thread.
struct ReuseState {
    unsigned depth = 0;
    KeptBlock kept[kKeptSlots] = {};
    std::size_t keptCount = 0;
    std::size_t keptBytes = 0;
    std::size_t liveBytes = 0;
    std::size_t peakLiveBytes = 0;
};

thread_local ReuseState reuse;

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

namespace block_reuse {

bool Applies(std::size_t bytes)
{
    return kCanReuse && reuse.depth != 0 && bytes >= kReuseMinBytes;
}

// The smallest fitting block, so that a large one stays for a large request.
void* Take(std::size_t bytes)
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

// The largest kept blocks go first: they free the most with the fewest calls.
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

void CountInUse(void* block)
{
    if (block != nullptr) {
        reuse.liveBytes += BlockBytes(block);
    }
}

bool Keep(void* block)
{
    const std::size_t bytes = kCanReuse && reuse.depth != 0 ? BlockBytes(block) : 0;
    if (!Applies(bytes)) {
        return false;
    }
    reuse.liveBytes -= bytes < reuse.liveBytes ? bytes : reuse.liveBytes;
    if (reuse.keptCount == kKeptSlots) {
        return false;
    }
    reuse.kept[reuse.keptCount++] = KeptBlock{block, bytes};
    reuse.keptBytes += bytes;
    return true;
}

}  // namespace block_reuse

namespace memory_testing {

std::size_t KeptBlockBytes()
{
    return reuse.keptBytes;
}

}  // namespace memory_testing

}  // namespace meshaudit
