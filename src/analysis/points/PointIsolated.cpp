// Points that no triangle uses: one pass over the triangles marking corners.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "model/RecordChecks.h"

namespace meshaudit::points {

int32_t CountIsolated(const MeshRecord& mesh, LocationList* where)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;

    uint8_t* used = AllocateZeroedArray<uint8_t>(pointCount);
    if (used == nullptr) {
        return -5;
    }
    // A corner that names no point marks nothing: it uses no point of the mesh.
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (tri.a < pointCount) {
            used[tri.a] = 1;
        }
        if (tri.b < pointCount) {
            used[tri.b] = 1;
        }
        if (tri.c < pointCount) {
            used[tri.c] = 1;
        }
    }
    uint32_t isolated = 0;
    for (uint32_t i = 0; i < pointCount; ++i) {
        isolated += used[i] == 0 ? 1u : 0u;
        if (where != nullptr && used[i] == 0) {
            where->Add(i);
        }
    }
    Free(used);
    return static_cast<int32_t>(isolated);
}

}  // namespace meshaudit::points
