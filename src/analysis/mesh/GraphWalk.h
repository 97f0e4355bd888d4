// Grouping over packed neighbour lists, shared by the component count
// (triangles) and the border count (edges): breadth first, and by disjoint
// sets where the lists are symmetric.
#pragma once

#include "containers/DisjointSets.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Counts the groups of elements 0 .. elementCount - 1 joined through their
// neighbour lists. Seeds are taken in index order; each group is walked
// first-in first-out. `visited` holds one zeroed byte per element and
// `queue` room for elementCount indices (each element enters it once).
// Neighbour entries not below elementCount are ignored. `group`, when not
// null, receives each element's group number (0, 1, ... in seed order).
inline uint32_t CountGroups(uint32_t elementCount, const IncidenceLists& neighbours,
                            uint8_t* visited, uint32_t* queue, uint32_t* group = nullptr)
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
            if (group != nullptr) {
                group[element] = groups;
            }
            const uint32_t* row = neighbours.Row(element);
            const uint32_t count = neighbours.Count(element);
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

// Whether some triangle names one point at two corners. Only such a
// triangle makes the triangle neighbour lists one-sided: its side (p, p)
// lists every triangle at p, and those need not list it back. Without one,
// u is t's neighbour exactly when t is u's (two triangles with two distinct
// points in common always have a side joining them).
inline bool AnyTriangleRepeatsAPoint(const TRIANGLE* triangles, uint32_t triangleCount)
{
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (tri.a == tri.b || tri.b == tri.c || tri.c == tri.a) {
            return true;
        }
    }
    return false;
}

// The number of groups CountGroups finds, for neighbour lists that are
// symmetric (then a walk's group is a connected set, whatever the order).
// One pass in element order over the lists instead of a walk jumping
// between rows. `parent` and `parity` hold room for elementCount entries.
// Each pair is joined from the row of its smaller element only: symmetry
// puts it in both rows, and the number of joins does not depend on order.
inline uint32_t CountSymmetricGroups(uint32_t elementCount, const IncidenceLists& neighbours,
                                     uint32_t* parent, uint8_t* parity)
{
    DisjointSets sets(parent, parity, elementCount);
    uint32_t groups = elementCount;
    for (uint32_t element = 0; element < elementCount; ++element) {
        const uint32_t* row = neighbours.Row(element);
        const uint32_t count = neighbours.Count(element);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t next = row[i];
            bool joined = false;
            if (next > element && next < elementCount) {
                sets.Relate(element, next, 0, joined);
                groups -= joined ? 1 : 0;
            }
        }
    }
    return groups;
}

}  // namespace meshaudit
