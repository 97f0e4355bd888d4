// The allocation seam: every request is counted, so that a test can make the
// k-th one fail; the calling thread's memory budget (MemoryBudget.h) may
// refuse it; and large blocks go through the reuse of the open
// BlockReuseScope and get the huge-page hint.
#include "containers/Memory.h"

#include "containers/BlockReuse.h"
#include "containers/MemoryBudget.h"
#include "containers/PageHints.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace meshaudit {

namespace {

// One per thread, so that analyses on several threads (the location API) do
// not share counters; a test's planned failures apply to its own thread.
struct SeamState {
    std::uint64_t requests = 0;
    std::uint64_t failed = 0;
    std::uint64_t failFirst = 0;
    std::uint64_t failCount = 0;
};

thread_local SeamState seam;

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

// A fresh block from the system, hinted and counted as in use by the reuse.
template <typename System>
void* Fresh(std::size_t bytes, System system)
{
    const bool reusing = block_reuse::Applies(bytes);
    if (reusing) {
        block_reuse::MakeRoomFor(bytes);
    }
    void* block = system();
    HintHugePages(block, bytes);
    if (reusing) {
        block_reuse::CountInUse(block);
    }
    return block;
}

}  // namespace

namespace {

void* AllocateWithinBudget(std::size_t bytes)
{
    if (block_reuse::Applies(bytes)) {
        if (void* block = block_reuse::Take(bytes)) {
            return block;
        }
    }
    // malloc(0) may return null; one byte keeps "null means failure" true.
    return Fresh(bytes, [bytes] { return std::malloc(bytes == 0 ? 1 : bytes); });
}

void* AllocateZeroedWithinBudget(std::size_t count, std::size_t size)
{
    const std::size_t bytes = count * size;
    // Clearing a block whose pages are in place is far cheaper than faulting
    // in fresh zeroed pages.
    if (block_reuse::Applies(bytes)) {
        if (void* block = block_reuse::Take(bytes)) {
            return std::memset(block, 0, bytes);
        }
    }
    return Fresh(bytes, [count, size] { return std::calloc(count, size); });
}

}  // namespace

void* Allocate(std::size_t bytes)
{
    if (NextRequestFails() || !memory_budget::Admits(bytes)) {
        return nullptr;
    }
    void* block = AllocateWithinBudget(bytes);
    memory_budget::Took(block);
    return block;
}

void* AllocateZeroed(std::size_t count, std::size_t size)
{
    if (NextRequestFails()) {
        return nullptr;
    }
    if (count == 0 || size == 0) {
        count = 1;
        size = 1;
    }
    if (count > SIZE_MAX / size || !memory_budget::Admits(count * size)) {
        return nullptr;  // the product overflows, or is beyond the budget
    }
    void* block = AllocateZeroedWithinBudget(count, size);
    memory_budget::Took(block);
    return block;
}

void Free(void* memory)
{
    memory_budget::Released(memory);
    if (memory != nullptr && !block_reuse::Keep(memory)) {
        std::free(memory);
    }
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
