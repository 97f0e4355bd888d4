// Triangles whose orientation disagrees with a side neighbour: two
// consistently oriented neighbours run their common side in opposite
// directions, so a neighbour running it the same way flips both.
#include "analysis/RecordChecks.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "analysis/triangles/TriangleSides.h"

namespace meshaudit::triangles {

namespace {

// Whether some other triangle at the side's first end point has the side
// among its own directed sides, exactly as s runs.
bool HasSameDirectionNeighbour(const TRIANGLE* triangles, const IncidenceLists& vertexTriangles,
                               uint32_t t, Side s)
{
    // A triangle running along s has both end points: only those (found by
    // merging the two end points' rows) need their corners read.
    return ForEachEntryWithBoth(vertexTriangles, s.from, s.to, [&](uint32_t u) {
        return u != t && RunsAlong(triangles[u], s);
    });
}

}  // namespace

int32_t CountFlippedTopological(const MeshRecord& mesh, MeshTopology& topology)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;

    const IncidenceLists& vertexTriangles = topology.VertexTriangles();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t flipped = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        for (int e = 0; e < 3; ++e) {
            // A triangle running along s has both of its end points, so the
            // sharing test is implied by the direction test.
            if (HasSameDirectionNeighbour(triangles, vertexTriangles, t, SideOf(triangles[t], e))) {
                ++flipped;
                break;
            }
        }
    }
    return static_cast<int32_t>(flipped);
}

}  // namespace meshaudit::triangles
