#include "containers/Memory.h"

#include <cstdlib>

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

}  // namespace

void* Allocate(std::size_t bytes)
{
    if (NextRequestFails()) {
        return nullptr;
    }
    // malloc(0) may return null; one byte keeps "null means failure" true.
    return std::malloc(bytes == 0 ? 1 : bytes);
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
