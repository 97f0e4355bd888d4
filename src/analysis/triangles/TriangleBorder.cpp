// Border vertices and the triangles that touch them.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "model/RecordChecks.h"
#include "model/TriangleSides.h"

namespace meshaudit::triangles {

int32_t BorderVertices(const MeshRecord& mesh, MeshTopology& topology, uint8_t*& mask)
{
    mask = nullptr;
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;

    // The topology marks each triangle's border sides once for every border
    // analysis.
    const uint8_t* borderSides = topology.BorderSides();
    if (topology.Status() != 0) {
        return -5;
    }
    uint8_t* marks = AllocateZeroedArray<uint8_t>(pointCount);
    if (marks == nullptr) {
        return -6;
    }
    // The topology only builds over meshes whose corners are all in range, so
    // every index below names a point.
    uint32_t marked = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const uint8_t bits = borderSides[t];
        if (bits == 0) {
            continue;
        }
        for (int e = 0; e < 3; ++e) {
            if (((bits >> e) & 1u) == 0) {
                continue;
            }
            const TriangleSide s = SideOf(triangles[t], e);
            for (const uint32_t p : {s.p, s.q}) {
                if (marks[p] == 0) {
                    marks[p] = 1;
                    ++marked;
                }
            }
        }
    }
    mask = marks;
    return static_cast<int32_t>(marked);
}

int32_t CountBorderInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;

    uint8_t* mask = nullptr;
    const int32_t marked = BorderVertices(mesh, topology, mask);
    if (marked < 0) {
        return -5;
    }
    uint32_t count = 0;
    if (marked > 0) {
        for (uint32_t t = 0; t < triangleCount; ++t) {
            const TRIANGLE& tri = triangles[t];
            if (mask[tri.a] != 0 || mask[tri.b] != 0 || mask[tri.c] != 0) {
                ++count;
                if (where != nullptr) {
                    where->Add(t);
                }
            }
        }
    }
    Free(mask);
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit::triangles
