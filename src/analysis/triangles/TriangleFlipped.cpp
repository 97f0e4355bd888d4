// Triangles whose orientation disagrees with a side neighbour: two
// consistently oriented neighbours run their common side in opposite
// directions, so a neighbour running it the same way flips both.
#include "analysis/RecordChecks.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "analysis/triangles/TriangleSides.h"
#include "model/ReadAhead.h"

namespace meshaudit::triangles {

namespace {

// Whether the other triangle u has one of t's sides among its own directed
// sides, exactly as t runs it.
bool RunsAlongASideOf(const TRIANGLE& u, const TRIANGLE& t)
{
    return RunsAlong(u, SideOf(t, 0)) || RunsAlong(u, SideOf(t, 1)) || RunsAlong(u, SideOf(t, 2));
}

}  // namespace

int32_t CountFlippedTopologicalInto(const MeshRecord& mesh, MeshTopology& topology, ElementList* where)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;

    // A triangle running along one of t's sides has both end points of that
    // side, so it is among t's side neighbours (the shared lists, which hold
    // every other triangle having both end points of a side of t): testing
    // each neighbour against all three sides finds exactly the triangles a
    // search side by side would.
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t flipped = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        PrefetchRowTargetsAhead(neighbours, triangleCount, triangles, triangleCount, t);
        const uint32_t* row = neighbours.rows[t];
        const uint32_t count = neighbours.counts[t];
        for (uint32_t i = 0; i < count; ++i) {
            if (RunsAlongASideOf(triangles[row[i]], triangles[t])) {
                ++flipped;
                if (where != nullptr) {
                    where->Add(t);
                }
                break;
            }
        }
    }
    return static_cast<int32_t>(flipped);
}

}  // namespace meshaudit::triangles
