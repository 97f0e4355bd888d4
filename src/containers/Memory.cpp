#include "containers/Memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
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
// fewer. Only a hint: the block is used the same way whether the system
// follows it or not.
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

}  // namespace

void* Allocate(std::size_t bytes)
{
    if (NextRequestFails()) {
        return nullptr;
    }
    // malloc(0) may return null; one byte keeps "null means failure" true.
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    HintHugePages(block, bytes);
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
    return std::calloc(count, size);  // calloc itself refuses an overflowing product
}

void Free(void* memory)
{
    std::free(memory);
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

}  // namespace memory_testing

}  // namespace meshaudit
