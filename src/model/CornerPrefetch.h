// Scans in triangle order read each triangle's three corner points. When a
// mesh's triangles are stored in no spatial order (common in exports and
// scans), each of those reads is a wait on main memory, one after another.
// Asking for the corners of a triangle some steps ahead lets the waits
// overlap. Only a hint: no value read or computed changes.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// How many triangles ahead of the one being read the corners are asked for.
inline constexpr uint32_t kCornersAhead = 16;

// Asks for the corner points of triangle t + kCornersAhead, when there is
// such a triangle and all its corners name points. Always inlined: a
// prefetch has no effect the compiler can see, so GCC takes a separate
// function made only of prefetches for one without effects and drops every
// call to it.
[[gnu::always_inline]] inline void PrefetchCornersAhead(const MeshRecord& mesh, uint32_t t)
{
    if (t + kCornersAhead >= mesh.triangleCount) {
        return;
    }
    const TRIANGLE& later = mesh.triangles[t + kCornersAhead];
    if (later.a < mesh.pointCount && later.b < mesh.pointCount && later.c < mesh.pointCount) {
        __builtin_prefetch(&mesh.points[later.a]);
        __builtin_prefetch(&mesh.points[later.b]);
        __builtin_prefetch(&mesh.points[later.c]);
    }
}

}  // namespace meshaudit
