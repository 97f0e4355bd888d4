#include "containers/PageHints.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace meshaudit {

namespace {

constexpr std::size_t kHugePageHintBytes = std::size_t{64} << 20;

#if defined(__linux__) && defined(MADV_HUGEPAGE)
// Gives `advice` for the whole huge pages inside the block.
void Advise(void* block, std::size_t bytes, int advice)
{
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHuge - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, advice);
    }
}
#endif

}  // namespace

void HintHugePages(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (block != nullptr && bytes >= kHugePageHintBytes) {
        Advise(block, bytes, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
#endif
}

void WithdrawHugePages(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_NOHUGEPAGE)
    if (block != nullptr && bytes >= kHugePageHintBytes) {
        Advise(block, bytes, MADV_NOHUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace meshaudit
