#include "model/IncidenceLists.h"

#include "containers/Memory.h"

#include <cstring>

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

bool StartRows(RowWriter& writer, uint64_t capacity)
{
    if (capacity == 0) {
        capacity = 1;
    }
    if (capacity > SIZE_MAX / sizeof(uint32_t)) {
        return false;
    }
    writer.buffer = AllocateArray<uint32_t>(static_cast<std::size_t>(capacity));
    if (writer.buffer == nullptr) {
        return false;
    }
    writer.capacity = capacity;
    writer.used = 0;
    return true;
}

// Doubles the room (or more when `most` needs it) and moves the entries.
bool GrowRows(RowWriter& writer, uint64_t most)
{
    const uint64_t needed = writer.used + most;
    const uint64_t doubled = writer.capacity * 2;
    const uint64_t capacity = doubled > needed ? doubled : needed;
    if (capacity > SIZE_MAX / sizeof(uint32_t)) {
        return false;
    }
    uint32_t* larger = AllocateArray<uint32_t>(static_cast<std::size_t>(capacity));
    if (larger == nullptr) {
        return false;
    }
    if (writer.used > 0) {
        std::memcpy(larger, writer.buffer, static_cast<std::size_t>(writer.used) * sizeof(uint32_t));
    }
    Free(writer.buffer);
    writer.buffer = larger;
    writer.capacity = capacity;
    return true;
}

void FinishRows(IncidenceLists& lists, uint32_t n, RowWriter& writer)
{
    lists.entries = writer.buffer;
    uint32_t* next = lists.entries;
    for (uint32_t e = 0; e < n; ++e) {
        lists.rows[e] = next;
        next += lists.counts[e];
    }
    writer = RowWriter{};
}

void ReleaseRows(RowWriter& writer)
{
    Free(writer.buffer);
    writer = RowWriter{};
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
