// The library's one allocation seam. Every heap allocation of the library goes
// through these functions, so that a test can make the k-th allocation fail and
// check that the failure becomes a negative code and that nothing leaks.
//
// The seam sits on malloc/calloc/free because the arrays that the repairs hand
// to a host are released with free().
#pragma once

#include "containers/BlockReuse.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace meshaudit {

// Returns `bytes` bytes (at least one) or null. Never throws.
void* Allocate(std::size_t bytes);

// Returns count * size zeroed bytes (at least one) or null, also when the
// product overflows. Never throws.
void* AllocateZeroed(std::size_t count, std::size_t size);

// Releases memory from Allocate or AllocateZeroed; null is ignored.
void Free(void* memory);

// An uninitialised array of `count` elements of a trivially copyable type, or
// null (also when count * sizeof(T) overflows).
template <typename T>
T* AllocateArray(std::size_t count)
{
    if (count != 0 && count > SIZE_MAX / sizeof(T)) {
        return nullptr;
    }
    return static_cast<T*>(Allocate(count * sizeof(T)));
}

// A zero-filled array of `count` elements, or null.
template <typename T>
T* AllocateZeroedArray(std::size_t count)
{
    return static_cast<T*>(AllocateZeroed(count, sizeof(T)));
}

// Constructs one object on seam memory; null when the allocation fails.
template <typename T, typename... Args>
T* New(Args&&... args)
{
    void* memory = Allocate(sizeof(T));
    if (memory == nullptr) {
        return nullptr;
    }
    return new (memory) T(std::forward<Args>(args)...);
}

// Destroys and releases an object made by New; null is ignored.
template <typename T>
void Delete(T* object)
{
    if (object != nullptr) {
        object->~T();
        Free(object);
    }
}

// Test control of the seam, for the calling thread's allocations only.
// Allocations are numbered from 1 since the last ResetAllocationCounter().
namespace memory_testing {

// Makes allocations number first .. first + count - 1 fail (count 0: none).
void FailAllocations(std::uint64_t first, std::uint64_t count);

// Clears any planned failure and restarts the numbering at 1.
void ResetAllocationCounter();

// Number of allocation requests since the last reset.
std::uint64_t AllocationCount();

// Number of requests that were made to fail since the last reset.
std::uint64_t FailedAllocationCount();

}  // namespace memory_testing

}  // namespace meshaudit
