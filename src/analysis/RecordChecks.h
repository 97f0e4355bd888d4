// The input checks that open most analyses, in the one order used everywhere:
// no point array, no triangle array, no points, no triangles.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// -1 no point array, -2 no triangle array, -3 no points, -4 no triangles,
// 0 when the record has all four.
inline int32_t CheckRecord(const MeshRecord& mesh)
{
    const T3DVECF* points = mesh.points;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr) {
        return -1;
    }
    if (triangles == nullptr) {
        return -2;
    }
    if (pointCount == 0) {
        return -3;
    }
    if (triangleCount == 0) {
        return -4;
    }
    return 0;
}

// Whether all three corners of t name a point of the mesh.
inline bool CornersInRange(const TRIANGLE& t, uint32_t pointCount)
{
    return t.a < pointCount && t.b < pointCount && t.c < pointCount;
}

}  // namespace meshaudit
