// Triangles whose orientation disagrees with a side neighbour: two
// consistently oriented neighbours run their common side in opposite
// directions, so a neighbour running it the same way flips both.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "model/ReadAhead.h"
#include "model/RecordChecks.h"
#include "model/SideGroups.h"
#include "model/TriangleSides.h"

namespace meshaudit::triangles {

namespace {

// Whether one of u's own directed sides is exactly s.
bool RunsAlong(const TRIANGLE& u, TriangleSide s)
{
    return (u.a == s.p && u.b == s.q) || (u.b == s.p && u.c == s.q) || (u.c == s.p && u.a == s.q);
}

// Whether the other triangle u has one of t's sides among its own directed
// sides, exactly as t runs it.
bool RunsAlongASideOf(const TRIANGLE& u, const TRIANGLE& t)
{
    return RunsAlong(u, SideOf(t, 0)) || RunsAlong(u, SideOf(t, 1)) || RunsAlong(u, SideOf(t, 2));
}

// The same count from the side groups, where the neighbour lists would be
// large: a triangle running along t's side from p to q starts a side at p
// ending at q, so t is flipped exactly when its group of sides from p to q
// holds another triangle, and then so is every triangle of the group. -5
// without memory, as when the lists fail.
int32_t CountFlippedBySides(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    const IncidenceLists& rows = topology.VertexTriangles();
    if (topology.Status() != 0) {
        return -5;
    }
    uint8_t* flipped = AllocateZeroedArray<uint8_t>(mesh.triangleCount);
    SideFrom* scratch = AllocateArray<SideFrom>(topology.LargestTriangleRow());
    if (flipped == nullptr || scratch == nullptr) {
        Free(flipped);
        Free(scratch);
        return -5;
    }
    ForEachSideGroup(mesh.triangles, mesh.pointCount, rows, scratch,
                     [flipped](uint32_t, uint32_t, const SideFrom* sides, uint32_t n) {
                         // One triangle starts at most one side from p to q
                         // unless p == q; sides come by triangle.
                         if (sides[0].t != sides[n - 1].t) {
                             for (uint32_t k = 0; k < n; ++k) {
                                 flipped[sides[k].t] = 1;
                             }
                         }
                     });
    uint32_t count = 0;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (flipped[t] != 0) {
            ++count;
            if (where != nullptr) {
                where->Add(t);
            }
        }
    }
    Free(scratch);
    Free(flipped);
    return static_cast<int32_t>(count);
}

}  // namespace

int32_t CountFlippedTopologicalInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
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
    if (!topology.NeighbourListsAffordable()) {
        return CountFlippedBySides(mesh, topology, where);
    }
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t flipped = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        PrefetchRowTargetsAhead(neighbours, triangleCount, triangles, triangleCount, t);
        const uint32_t* row = neighbours.Row(t);
        const uint32_t count = neighbours.Count(t);
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
