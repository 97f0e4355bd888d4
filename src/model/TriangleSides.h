// Small questions about triangles asked by the topology builders and by the
// analyses that scan a point's incident triangles.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Whether the triangle has point p as a corner.
inline bool HasCorner(const TRIANGLE& t, uint32_t p)
{
    return t.a == p || t.b == p || t.c == p;
}

// Whether the triangle has both p and q as corners (p == q: p once suffices).
inline bool HasCorners(const TRIANGLE& t, uint32_t p, uint32_t q)
{
    return HasCorner(t, p) && HasCorner(t, q);
}

// Side s (0: corner 0 to 1, 1: 1 to 2, 2: 2 to 0) of the triangle.
struct TriangleSide {
    uint32_t p;
    uint32_t q;
};

inline TriangleSide SideOf(const TRIANGLE& t, int s)
{
    switch (s) {
    case 0:
        return TriangleSide{t.a, t.b};
    case 1:
        return TriangleSide{t.b, t.c};
    default:
        return TriangleSide{t.c, t.a};
    }
}

// Whether a triangle other than t, found in p's row of the vertex triangle
// lists, has both p and q as corners. Orientation plays no part.
inline bool SideIsShared(const TRIANGLE* triangles, const IncidenceLists& vertexTriangles,
                         uint32_t t, uint32_t p, uint32_t q)
{
    const uint32_t* row = vertexTriangles.rows[p];
    const uint32_t count = vertexTriangles.counts[p];
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t u = row[i];
        if (u != t && HasCorners(triangles[u], p, q)) {
            return true;
        }
    }
    return false;
}

}  // namespace meshaudit
