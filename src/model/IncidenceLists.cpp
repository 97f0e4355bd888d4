#include "model/IncidenceLists.h"

#include "containers/Memory.h"

namespace meshaudit {

bool AllocateRows(IncidenceLists& lists, uint32_t n)
{
    lists.counts = AllocateZeroedArray<uint32_t>(n);
    if (lists.counts == nullptr) {
        return false;
    }
    lists.rows = AllocateZeroedArray<uint32_t*>(n);
    if (lists.rows == nullptr) {
        ReleaseLists(lists);
        return false;
    }
    return true;
}

bool LayOutRows(IncidenceLists& lists, uint32_t n, uint64_t total)
{
    if (total > SIZE_MAX / sizeof(uint32_t)) {
        return false;
    }
    lists.entries = AllocateZeroedArray<uint32_t>(static_cast<std::size_t>(total));
    if (lists.entries == nullptr) {
        return false;
    }
    uint32_t* next = lists.entries;
    for (uint32_t e = 0; e < n; ++e) {
        lists.rows[e] = next;
        next += lists.counts[e];
        lists.counts[e] = 0;
    }
    return true;
}

void ReleaseLists(IncidenceLists& lists)
{
    Free(lists.entries);
    Free(lists.rows);
    Free(lists.counts);
    lists.entries = nullptr;
    lists.rows = nullptr;
    lists.counts = nullptr;
}

}  // namespace meshaudit
