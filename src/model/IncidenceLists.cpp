#include "model/IncidenceLists.h"

#include "containers/Memory.h"

#include <cstring>

namespace meshaudit {

namespace {

// The most entries a list holds: its offsets are 4 bytes.
constexpr uint64_t kMostEntries = UINT32_MAX;

}  // namespace

bool AllocateRows(IncidenceLists& lists, uint32_t n)
{
    lists.starts = AllocateZeroedArray<uint32_t>(uint64_t{n} + 1);
    return lists.starts != nullptr;
}

bool LayOutRows(IncidenceLists& lists, uint32_t n, uint64_t total)
{
    if (total > kMostEntries) {
        return false;
    }
    lists.entries = AllocateZeroedArray<uint32_t>(static_cast<std::size_t>(total));
    if (lists.entries == nullptr) {
        return false;
    }
    // starts[e + 1] holds e's count; it becomes e's start, where Append
    // moves it on from.
    uint32_t start = 0;
    for (uint32_t e = 0; e < n; ++e) {
        const uint32_t count = lists.starts[e + 1];
        lists.starts[e + 1] = start;
        start += count;
    }
    return true;
}

bool StartRows(RowWriter& writer, uint64_t capacity)
{
    if (capacity == 0) {
        capacity = 1;
    }
    if (capacity > kMostEntries) {
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
    if (needed > kMostEntries) {
        return false;
    }
    const uint64_t doubled = writer.capacity * 2;
    const uint64_t capacity = doubled < needed ? needed : (doubled > kMostEntries ? kMostEntries : doubled);
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

void FinishRows(IncidenceLists& lists, RowWriter& writer)
{
    lists.entries = writer.buffer;
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
    Free(lists.starts);
    lists.entries = nullptr;
    lists.starts = nullptr;
}

}  // namespace meshaudit
