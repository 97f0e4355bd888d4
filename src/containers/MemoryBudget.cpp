#include "containers/MemoryBudget.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace meshaudit {

namespace {

struct Budget {
    std::uint64_t limit = 0;  // 0: none
    std::uint64_t held = 0;
    std::uint64_t refused = 0;
};

thread_local Budget budget;

// The block's size as the allocator tells it; where it cannot, the budget
// counts nothing and so never refuses.
std::uint64_t BlockBytes(void* block)
{
#if defined(__GLIBC__)
    return block == nullptr ? 0 : malloc_usable_size(block);
#else
    (void)block;
    return 0;
#endif
}

}  // namespace

MemoryBudgetScope::MemoryBudgetScope(std::uint64_t limitBytes)
    : savedLimit_(budget.limit), savedHeld_(budget.held), savedRefused_(budget.refused)
{
    budget = Budget{limitBytes, 0, 0};
}

MemoryBudgetScope::~MemoryBudgetScope()
{
    budget = Budget{savedLimit_, savedHeld_, savedRefused_};
}

std::uint64_t MemoryBudgetScope::Refused() const
{
    return budget.refused;
}

namespace memory_budget {

bool Admits(std::size_t bytes)
{
    if (budget.limit == 0 || (budget.held <= budget.limit && bytes <= budget.limit - budget.held)) {
        return true;
    }
    ++budget.refused;
    return false;
}

void Took(void* block)
{
    if (budget.limit != 0) {
        budget.held += BlockBytes(block);
    }
}

void Released(void* block)
{
    if (budget.limit != 0) {
        // A block from before the scope may be released within it.
        const std::uint64_t bytes = BlockBytes(block);
        budget.held = bytes < budget.held ? budget.held - bytes : 0;
    }
}

}  // namespace memory_budget

}  // namespace meshaudit
