// Invalid triangles: by repeated index, and by coincident corners.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Keys.h"
#include "model/ReadAhead.h"
#include "model/RecordChecks.h"

namespace meshaudit::triangles {

int32_t CountInvalidTopologicalInto(const MeshRecord& mesh, LocationList* where)
{
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (triangles == nullptr) {
        return -1;
    }
    if (triangleCount == 0) {
        return -2;
    }
    uint32_t count = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (tri.a == tri.b || tri.a == tri.c || tri.b == tri.c) {
            ++count;
            if (where != nullptr) {
                where->Add(t);
            }
        }
    }
    return static_cast<int32_t>(count);
}

int32_t CountInvalidGeometricalInto(const MeshRecord& mesh, LocationList* where)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;

    uint32_t count = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        PrefetchCornersAhead(mesh, t);
        const TRIANGLE& tri = triangles[t];
        // A corner that names no point has no coordinates to compare.
        if (!CornersInRange(tri, pointCount)) {
            continue;
        }
        const T3DVECF& p0 = points[tri.a];
        const T3DVECF& p1 = points[tri.b];
        const T3DVECF& p2 = points[tri.c];
        if (p0 == p1 || p0 == p2 || p1 == p2) {
            ++count;
            if (where != nullptr) {
                where->Add(t);
            }
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit::triangles
