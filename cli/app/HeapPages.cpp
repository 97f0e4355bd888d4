#include "HeapPages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
// MADV_COLLAPSE (Linux 6.1) is in the kernel's headers before glibc's.
#if !defined(MADV_COLLAPSE) && __has_include(<linux/mman.h>)
#include <linux/mman.h>
#endif
#endif

namespace meshaudit::cli {

namespace {

// The rest of the start-up heap's spare top, taken once and kept for the
// life of the process (reachable here, not leaked), never written.
void* g_startRest = nullptr;

}  // namespace

void HeapOnHugePages(std::size_t bytes) noexcept
{
#if defined(__GLIBC__) && defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    if (bytes < kHuge || bytes > (std::size_t{1} << 30)) {
        return;
    }
    if (g_startRest != nullptr) {
        return;  // once
    }
    void* (*volatile allocate)(std::size_t) = std::malloc;
    // The heap's first blocks (those of the start-up) share a 2 MiB page
    // with the spare top of the heap, already on small pages. That spare
    // top is taken first (all but a few bytes, so that it serves no later
    // block), and the break is moved on to the next 2 MiB boundary, so that
    // the heap goes on from there. The allocator takes memory it finds moved
    // on like this as a gap that is not its own (as it does behind any other
    // user of sbrk) and never touches it: both cost address space only.
    const std::size_t spare = mallinfo2().keepcost;
    if (spare > 256 && spare < (std::size_t{64} << 20)) {
        g_startRest = allocate(spare - 64);
    }
    if (g_startRest == nullptr) {
        return;
    }
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (before == static_cast<std::uintptr_t>(-1)) {
        return;
    }
    const std::uintptr_t first = (before + kHuge - 1) & ~(kHuge - 1);
    if (first != before && sbrk(static_cast<intptr_t>(first - before)) == reinterpret_cast<void*>(-1)) {
        return;
    }
    if (mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1) {
        return;
    }
    // One block larger than the spare top of the heap makes the allocator
    // grow the heap by its size and the pad; freed at once, it leaves that
    // room at the top for the blocks to come. Called through a volatile
    // pointer, since a compiler may drop a malloc whose block is only freed.
    std::free(allocate(std::size_t{1} << 20));
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t last = after & ~(kHuge - 1);
    if (after == static_cast<std::uintptr_t>(-1) || last <= first) {
        return;
    }
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#if defined(MADV_COLLAPSE)
    // Growing wrote the allocator's marks on the first 2 MiB, in small pages
    // already: made one huge page now (a copy of those few pages), not
    // filled page by page later.
    madvise(reinterpret_cast<void*>(first), kHuge, MADV_COLLAPSE);
#endif
#else
    (void)bytes;
#endif
}

}  // namespace meshaudit::cli
