// The check that opens most analyses, the exported functions and the
// structures built over a mesh, in the one order used everywhere: no point
// array, no triangle array, no points, no triangles. One order, so that a
// record that lacks several of them gets the same code from every quantity.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// -1 no point array, -2 no element array, -3 no points, -4 no elements, the
// first failure deciding; 0 when all four are there. The elements are a
// mesh's triangles, or a list of edges over its points.
inline int32_t CheckArrays(const void* points, const void* elements, uint32_t pointCount,
                           uint32_t elementCount)
{
    if (points == nullptr) {
        return -1;
    }
    if (elements == nullptr) {
        return -2;
    }
    if (pointCount == 0) {
        return -3;
    }
    if (elementCount == 0) {
        return -4;
    }
    return 0;
}

// CheckArrays of a record's points and triangles: -1 no point array, -2 no
// triangle array, -3 no points, -4 no triangles, 0 when it has all four.
inline int32_t CheckRecord(const MeshRecord& mesh)
{
    return CheckArrays(mesh.points, mesh.triangles, mesh.pointCount, mesh.triangleCount);
}

// Whether all three corners of t name a point of the mesh.
inline bool CornersInRange(const TRIANGLE& t, uint32_t pointCount)
{
    return t.a < pointCount && t.b < pointCount && t.c < pointCount;
}

// CheckRecord, then -5 when a triangle names a point beyond the points: the
// opening of the C++ APIs beside the library (solids, the repair pipeline),
// which read every corner and so refuse what the analysis only counts.
inline int32_t CheckRecordAndCorners(const MeshRecord& mesh)
{
    if (const int32_t code = CheckRecord(mesh); code != 0) {
        return code;
    }
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (!CornersInRange(mesh.triangles[t], mesh.pointCount)) {
            return -5;
        }
    }
    return 0;
}

}  // namespace meshaudit
