// Building blocks shared by the list builders: every list is made in two
// passes over the same scan, the first counting entries per element, the
// second writing them into one buffer.
#pragma once

#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Allocates zeroed counts and rows for n elements. False (nothing kept) when
// either allocation fails.
bool AllocateRows(IncidenceLists& lists, uint32_t n);

// Allocates the zeroed entry buffer for `total` entries, points each row at
// its running offset and clears the counts, ready for Append. False (counts
// and rows kept) when the buffer cannot be allocated.
bool LayOutRows(IncidenceLists& lists, uint32_t n, uint64_t total);

// Appends one entry to element e's row (second pass).
inline void Append(IncidenceLists& lists, uint32_t e, uint32_t entry)
{
    lists.rows[e][lists.counts[e]] = entry;
    ++lists.counts[e];
}

// Frees the buffer, the rows and the counts and nulls the pointers.
void ReleaseLists(IncidenceLists& lists);

inline bool IsPresent(const IncidenceLists& lists)
{
    return lists.entries != nullptr;
}

}  // namespace meshaudit
