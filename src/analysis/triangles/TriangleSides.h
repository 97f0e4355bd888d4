// Small tests on the sides of triangles, by point index, shared by the
// border, degree and orientation counters.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"

#include <cstdint>

namespace meshaudit::triangles {

// The directed side e (0, 1, 2) of a triangle: (a, b), (b, c), (c, a).
struct Side {
    uint32_t from;
    uint32_t to;
};

inline Side SideOf(const TRIANGLE& t, int e)
{
    switch (e) {
    case 0:
        return Side{t.a, t.b};
    case 1:
        return Side{t.b, t.c};
    default:
        return Side{t.c, t.a};
    }
}

inline bool HasCorner(const TRIANGLE& t, uint32_t p)
{
    return t.a == p || t.b == p || t.c == p;
}

// Whether u has both end points of the side among its corners, in any order.
inline bool HasBothEnds(const TRIANGLE& u, Side s)
{
    return HasCorner(u, s.from) && HasCorner(u, s.to);
}

// Whether one of u's own directed sides is exactly s.
inline bool RunsAlong(const TRIANGLE& u, Side s)
{
    return (u.a == s.from && u.b == s.to) || (u.b == s.from && u.c == s.to) ||
           (u.c == s.from && u.a == s.to);
}

// Whether another triangle than t, taken from the triangles at the side's
// first end point, has both end points of the side.
inline bool IsShared(const IncidenceLists& vertexTriangles, uint32_t t, Side s)
{
    return meshaudit::SideIsShared(vertexTriangles, t, s.from, s.to);
}

}  // namespace meshaudit::triangles
