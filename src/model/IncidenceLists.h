// Building blocks shared by the list builders: a list is made either in two
// passes over the same scan, the first counting entries per element, the
// second writing them into one buffer (AllocateRows, LayOutRows, Append), or
// in one pass into a growing buffer (AllocateRows, RowWriter, EndRow,
// FinishRows).
#pragma once

#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Allocates the zeroed offsets for n elements. False (nothing kept) when the
// allocation fails.
bool AllocateRows(IncidenceLists& lists, uint32_t n);

// Counts one more entry for element e's row (first pass).
inline void CountEntry(IncidenceLists& lists, uint32_t e)
{
    ++lists.starts[e + 1];
}

// Sets element e's count (first pass), in place of counting its entries.
inline void SetCount(IncidenceLists& lists, uint32_t e, uint32_t count)
{
    lists.starts[e + 1] = count;
}

// Allocates the zeroed entry buffer for `total` entries (at least the counts'
// sum) and turns the counts into each row's start, ready for Append: a row's
// end moves from its start as entries are appended, so that once every
// counted entry is appended, starts[e + 1] ends row e. False (offsets kept)
// when the buffer cannot be allocated or `total` passes 2^32 - 1.
bool LayOutRows(IncidenceLists& lists, uint32_t n, uint64_t total);

// Appends one entry to element e's row (second pass). Every element gets
// exactly as many entries as were counted for it.
inline void Append(IncidenceLists& lists, uint32_t e, uint32_t entry)
{
    lists.entries[lists.starts[e + 1]] = entry;
    ++lists.starts[e + 1];
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

// Allocates room for `capacity` entries. False (nothing kept) when it fails
// or `capacity` passes 2^32 - 1, the most a list holds.
bool StartRows(RowWriter& writer, uint64_t capacity);

// Moves the written entries to a buffer with room for `most` more (at least
// twice as large, at most 2^32 - 1 entries). False (the written entries
// kept) when it fails or `most` more would pass that.
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

// Ends element e's row at what the writer has written so far: rows are
// written in element order, each ended once.
inline void EndRow(IncidenceLists& lists, uint32_t e, const RowWriter& writer)
{
    lists.starts[e + 1] = static_cast<uint32_t>(writer.used);
}

// Hands the buffer to the lists, whose rows were all ended.
void FinishRows(IncidenceLists& lists, RowWriter& writer);

// Frees the writer's buffer (what FinishRows did not take).
void ReleaseRows(RowWriter& writer);

// Frees the buffer and the offsets and nulls the pointers.
void ReleaseLists(IncidenceLists& lists);

inline bool IsPresent(const IncidenceLists& lists)
{
    return lists.entries != nullptr;
}

}  // namespace meshaudit
