// Read-ahead hints for scans in triangle or point order. Such a scan reads
// each triangle's corner points, or the triangles of a row of incidence
// lists (a triangle's neighbours, a point's triangles). When a mesh's
// triangles are stored in no spatial order (common in exports and scans),
// each of those reads is a wait on main memory, one after another. Asking
// for what an element some steps ahead will read lets the waits overlap.
// Only hints: no value read or computed changes.
//
// Both are always inlined: a prefetch has no effect the compiler can see, so
// GCC takes a separate function made only of prefetches for one without
// effects and drops every call to it.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// How many triangles ahead of the one being read the corners are asked for.
inline constexpr uint32_t kCornersAhead = 16;

// Asks for the corner points of triangle t + kCornersAhead, when there is
// such a triangle and all its corners name points.
[[gnu::always_inline]] inline void PrefetchCornersAhead(const MeshRecord& mesh, uint32_t t)
{
    if (t >= mesh.triangleCount || mesh.triangleCount - t <= kCornersAhead) {
        return;
    }
    const TRIANGLE& later = mesh.triangles[t + kCornersAhead];
    if (later.a < mesh.pointCount && later.b < mesh.pointCount && later.c < mesh.pointCount) {
        __builtin_prefetch(&mesh.points[later.a]);
        __builtin_prefetch(&mesh.points[later.b]);
        __builtin_prefetch(&mesh.points[later.c]);
    }
}

// How many rows ahead of the one being read their targets are asked for.
inline constexpr uint32_t kRowsAhead = 8;

// Asks for targets[x] for every entry x of row i + kRowsAhead of lists with
// one row per element (rowCount rows: one per triangle for the neighbour
// lists, one per point for the vertex triangle lists), when there is such a
// row; entries at or beyond targetCount are passed over. The targets are the
// triangles the entries name, or anything else kept per triangle.
template <typename Target>
[[gnu::always_inline]] inline void PrefetchRowTargetsAhead(const IncidenceLists& lists,
                                                           uint32_t rowCount, const Target* targets,
                                                           uint32_t targetCount, uint32_t i)
{
    if (i >= rowCount || rowCount - i <= kRowsAhead) {
        return;
    }
    const uint32_t* row = lists.Row(i + kRowsAhead);
    const uint32_t count = lists.Count(i + kRowsAhead);
    for (uint32_t k = 0; k < count; ++k) {
        if (row[k] < targetCount) {
            __builtin_prefetch(&targets[row[k]]);
        }
    }
}

}  // namespace meshaudit
