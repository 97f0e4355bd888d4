// A budget on the bytes the library holds at once, set by a host for the
// calls it makes on one thread (locate(), through LocateRequest): an
// allocation that would take the bytes held past the budget fails at the
// seam as if the system had none, so the analysis stores its documented
// allocation-failure codes instead of growing without bound.
#pragma once

#include <cstddef>
#include <cstdint>

namespace meshaudit {

// Sets the calling thread's budget for its lifetime (0: none) and puts the
// previous one back at the end; the bytes held are counted from the start
// of the scope. Scopes nest.
class MemoryBudgetScope {
public:
    explicit MemoryBudgetScope(std::uint64_t limitBytes);
    ~MemoryBudgetScope();
    MemoryBudgetScope(const MemoryBudgetScope&) = delete;
    MemoryBudgetScope& operator=(const MemoryBudgetScope&) = delete;

    // How many allocations the budget refused so far in this scope.
    std::uint64_t Refused() const;

private:
    std::uint64_t savedLimit_;
    std::uint64_t savedHeld_;
    std::uint64_t savedRefused_;
};

namespace memory_budget {

// Whether `bytes` more fit the calling thread's budget; counts a refusal
// when not. Always true without a budget.
bool Admits(std::size_t bytes);

// A block of the seam was handed out or is being released: its size as the
// allocator tells it is added to or taken from the bytes held.
void Took(void* block);
void Released(void* block);

}  // namespace memory_budget

}  // namespace meshaudit
