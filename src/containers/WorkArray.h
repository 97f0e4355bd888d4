// Working arrays: std::vector on the library's allocation
// seam (containers/Memory.h), so that its failures can be tested and large
// blocks are reused within a call like the library's own. A failed
// allocation throws std::bad_alloc, which the entry points (solids(),
// repair()) turn into -6.
#pragma once

#include "containers/Memory.h"

#include <cstddef>
#include <new>
#include <vector>

namespace meshaudit {

template <typename T>
struct SeamAllocator {
    using value_type = T;

    SeamAllocator() = default;
    template <typename U>
    SeamAllocator(const SeamAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        T* memory = AllocateArray<T>(count);
        if (memory == nullptr) {
            throw std::bad_alloc();
        }
        return memory;
    }
    void deallocate(T* memory, std::size_t) noexcept { Free(memory); }

    template <typename U>
    bool operator==(const SeamAllocator<U>&) const noexcept
    {
        return true;
    }
};

template <typename T>
using WorkArray = std::vector<T, SeamAllocator<T>>;

}  // namespace meshaudit
