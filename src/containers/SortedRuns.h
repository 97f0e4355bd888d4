// Duplicate counting by sorting: the keys are laid out in one array, sorted
// by their order, and each run of equivalent keys is one key with its number
// of occurrences. Valid only for keys free of NaN, which the pass checks.
#pragma once

#include "containers/Keys.h"
#include "containers/Memory.h"

#include <algorithm>
#include <cstdint>

namespace meshaudit {

enum class SortedRunsOutcome {
    Counted,      // members and classes filled
    HasNaN,       // a key holds a NaN: nothing counted
    OutOfMemory,  // the key array could not be allocated
};

// Counts, among the keys that `keyOf(i, key)` gives for i = 0 .. itemCount-1
// (false leaves item i out), the keys occurring twice or more (`classes`)
// and the items having such a key (`members`); both are untouched unless
// the outcome is Counted. The key array is freed on
// every path; nothing else is allocated (the sort works in place).
template <typename Key, typename KeyOf>
SortedRunsOutcome CountSortedRuns(uint32_t itemCount, KeyOf keyOf, uint32_t& members,
                                  uint32_t& classes)
{
    Key* keys = AllocateArray<Key>(itemCount);
    if (keys == nullptr) {
        return SortedRunsOutcome::OutOfMemory;
    }
    uint32_t n = 0;
    for (uint32_t i = 0; i < itemCount; ++i) {
        if (!keyOf(i, keys[n])) {
            continue;
        }
        if (HasNaN(keys[n])) {
            Free(keys);
            return SortedRunsOutcome::HasNaN;
        }
        ++n;
    }
    std::sort(keys, keys + n, [](const Key& a, const Key& b) { return a < b; });
    uint32_t runMembers = 0;
    uint32_t runClasses = 0;
    uint32_t first = 0;
    while (first < n) {
        // Sorted: the run of keys equivalent to keys[first] ends at the first
        // key that is greater.
        uint32_t end = first + 1;
        while (end < n && !(keys[first] < keys[end])) {
            ++end;
        }
        if (end - first > 1) {
            ++runClasses;
            runMembers += end - first;
        }
        first = end;
    }
    Free(keys);
    members = runMembers;
    classes = runClasses;
    return SortedRunsOutcome::Counted;
}

}  // namespace meshaudit
