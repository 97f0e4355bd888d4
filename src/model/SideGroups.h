// Triangle sides grouped by their end points, point by point: the linear way
// to what the triangle neighbour lists give. Those lists hand every triangle
// on an edge all the others, so k triangles on one edge (a "book", or k
// copies of one triangle) make k (k - 1) entries, and a few thousand such
// triangles exhaust any memory. The analyses that read the lists take these
// groups instead when the lists would be large (see
// MeshTopology::NeighbourListsAffordable): a group's triangles are counted
// or joined once per group, not once per member.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"

#include <algorithm>
#include <cstdint>

namespace meshaudit {

// Side s of triangle t, from the point being grouped to point q.
struct SideFrom {
    uint32_t q;
    uint32_t t;
    uint32_t s;
};

// Calls visit(p, q, sides, n) for each distinct end q, in ascending order,
// of the sides that start at point p: `sides` are the n sides from p to q,
// by triangle, then side. `scratch` has room for p's VertexTriangles row: a
// point starts no more sides than its row has entries.
template <typename Visit>
void ForEachSideGroupAt(const TRIANGLE* triangles, const IncidenceLists& vertexTriangles, uint32_t p,
                        SideFrom* scratch, const Visit& visit)
{
    uint32_t n = 0;
    ForEachSideFrom(triangles, vertexTriangles.Row(p), vertexTriangles.Count(p), p,
                    [&](uint32_t t, int s, uint32_t q) { scratch[n++] = SideFrom{q, t, static_cast<uint32_t>(s)}; });
    // Every (q, t, s) is distinct, so the order is fully determined.
    std::sort(scratch, scratch + n, [](const SideFrom& x, const SideFrom& y) {
        return x.q != y.q ? x.q < y.q : x.t != y.t ? x.t < y.t : x.s < y.s;
    });
    for (uint32_t first = 0; first < n;) {
        uint32_t end = first + 1;
        while (end < n && scratch[end].q == scratch[first].q) {
            ++end;
        }
        visit(p, scratch[first].q, scratch + first, end - first);
        first = end;
    }
}

// ForEachSideGroupAt for every point in ascending order; `scratch` has room
// for the longest row.
template <typename Visit>
void ForEachSideGroup(const TRIANGLE* triangles, uint32_t pointCount, const IncidenceLists& vertexTriangles,
                      SideFrom* scratch, const Visit& visit)
{
    for (uint32_t p = 0; p < pointCount; ++p) {
        ForEachSideGroupAt(triangles, vertexTriangles, p, scratch, visit);
    }
}

// The entries of p's row, repeats kept, whose triangle has q as a corner:
// what the neighbour lists give a side from p to q, before its own
// triangle's entries (as many as it has corners at p) are left out.
inline uint32_t EntriesWithBoth(const IncidenceLists& vertexTriangles, uint32_t p, uint32_t q)
{
    uint32_t n = 0;
    ForEachEntryWithBoth(vertexTriangles, p, q, [&n](uint32_t) {
        ++n;
        return false;
    });
    return n;
}

// The number of corners of t at point p.
inline uint32_t CornersAt(const TRIANGLE& t, uint32_t p)
{
    return static_cast<uint32_t>(t.a == p) + static_cast<uint32_t>(t.b == p) + static_cast<uint32_t>(t.c == p);
}

}  // namespace meshaudit
