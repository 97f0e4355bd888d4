// Breadth-first grouping over packed neighbour lists, shared by the
// component count (triangles) and the border count (edges).
#pragma once

#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Counts the groups of elements 0 .. elementCount - 1 joined through their
// neighbour lists. Seeds are taken in index order; each group is walked
// first-in first-out. `visited` holds one zeroed byte per element and
// `queue` room for elementCount indices (each element enters it once).
// Neighbour entries not below elementCount are ignored.
inline uint32_t CountGroups(uint32_t elementCount, const IncidenceLists& neighbours,
                            uint8_t* visited, uint32_t* queue)
{
    uint32_t groups = 0;
    for (uint32_t seed = 0; seed < elementCount; ++seed) {
        if (visited[seed] != 0) {
            continue;
        }
        visited[seed] = 1;
        uint32_t head = 0;
        uint32_t tail = 0;
        queue[tail++] = seed;
        while (head != tail) {
            const uint32_t element = queue[head++];
            const uint32_t* row = neighbours.rows[element];
            const uint32_t count = neighbours.counts[element];
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t next = row[i];
                if (next < elementCount && visited[next] == 0) {
                    visited[next] = 1;
                    queue[tail++] = next;
                }
            }
        }
        ++groups;
    }
    return groups;
}

}  // namespace meshaudit
