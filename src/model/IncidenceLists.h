// Building blocks shared by the list builders: a list is made either in two
// passes over the same scan, the first counting entries per element, the
// second writing them into one buffer (AllocateRows, LayOutRows, Append), or
// in one pass into a growing buffer (AllocateRows, RowWriter, FinishRows).
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

// Entries written row after row, in element order, into one buffer that
// grows when the next row might not fit: a list whose size is only known once
// it is written is made in one scan instead of a counting scan and a writing
// scan. The writer owns the buffer until FinishRows hands it to the lists.
struct RowWriter {
    uint32_t* buffer = nullptr;
    uint64_t capacity = 0;
    uint64_t used = 0;
};

// Allocates room for `capacity` entries. False (nothing kept) when it fails.
bool StartRows(RowWriter& writer, uint64_t capacity);

// Moves the written entries to a buffer with room for `most` more (at least
// twice as large). False (the written entries kept) when it fails.
bool GrowRows(RowWriter& writer, uint64_t most);

// Makes room for `most` more entries. False (the written entries kept) when
// it fails.
inline bool ReserveRow(RowWriter& writer, uint64_t most)
{
    return writer.capacity - writer.used >= most || GrowRows(writer, most);
}

// Appends one entry; room for it was reserved.
inline void Put(RowWriter& writer, uint32_t entry)
{
    writer.buffer[writer.used] = entry;
    ++writer.used;
}

// Hands the buffer to the lists and points each row at its offset: the
// counts hold each element's number of entries, written in element order.
void FinishRows(IncidenceLists& lists, uint32_t n, RowWriter& writer);

// Frees the writer's buffer (what FinishRows did not take).
void ReleaseRows(RowWriter& writer);

// Frees the buffer, the rows and the counts and nulls the pointers.
void ReleaseLists(IncidenceLists& lists);

inline bool IsPresent(const IncidenceLists& lists)
{
    return lists.entries != nullptr;
}

}  // namespace meshaudit
