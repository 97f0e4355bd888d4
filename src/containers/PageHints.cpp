#include "containers/PageHints.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace meshaudit {

namespace {

// Asks for huge pages (huge) or against them for the whole huge pages inside
// a block of at least kHugePageHintBytes; smaller blocks are left alone.
void AdviseHugePages(void* block, std::size_t bytes, bool huge)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE)
    constexpr std::size_t kHugePageHintBytes = std::size_t{64} << 20;
    if (block == nullptr || bytes < kHugePageHintBytes) {
        return;
    }
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHuge - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
    (void)huge;
#endif
}

}  // namespace

void HintHugePages(void* block, std::size_t bytes)
{
    AdviseHugePages(block, bytes, true);
}

void WithdrawHugePages(void* block, std::size_t bytes)
{
    AdviseHugePages(block, bytes, false);
}

}  // namespace meshaudit
