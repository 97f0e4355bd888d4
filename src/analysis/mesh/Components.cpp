// Connected components of a mesh: groups of triangles joined through shared
// edges, found by breadth-first walks over the triangle neighbour lists.
#include "analysis/mesh/EdgeWalk.h"
#include "analysis/mesh/GraphWalk.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/DisjointSets.h"
#include "containers/Memory.h"
#include "model/RecordChecks.h"

namespace meshaudit {

namespace {

// The groups of triangles joined through shared sides, from the triangles
// of each edge instead of the neighbour lists: the triangles having both end
// points of an edge are joined, once per edge. Only for meshes without a
// triangle that repeats a point, whose lists are symmetric: there a walk's
// group is a connected set, so the groups are the same, and numbering them
// by their smallest triangle is the walk's seed order. Sets hang larger
// roots under smaller ones, so a root is its set's smallest triangle. -5 when
// the edge lists fail, -6 without memory.
int32_t GroupsByEdges(const MeshRecord& mesh, MeshTopology& topology, uint32_t* parent, uint8_t* parity,
                      LocationList* where)
{
    uint32_t edgeCount = 0;
    topology.Edges(edgeCount);
    const IncidenceLists& onEdge = topology.EdgeTriangles();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t* group = where != nullptr ? AllocateArray<uint32_t>(mesh.triangleCount) : nullptr;
    if (where != nullptr && group == nullptr) {
        return -6;
    }
    DisjointSets sets(parent, parity, mesh.triangleCount);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const uint32_t* row = onEdge.Row(e);
        const uint32_t count = onEdge.Count(e);
        for (uint32_t k = 1; k < count; ++k) {
            bool joined = false;
            sets.Relate(row[0], row[k], 0, joined);
        }
    }
    uint32_t groups = 0;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        uint8_t unused = 0;
        const uint32_t root = sets.Find(t, unused);
        if (root == t) {
            ++groups;
        }
        if (group != nullptr) {
            group[t] = root == t ? groups - 1 : group[root];
            where->Add(group[t]);
        }
    }
    Free(group);
    return static_cast<int32_t>(groups);
}

// The walk's groups, read edge by edge, where a triangle repeats a point:
// its neighbour row holds every triangle at that point, which need not list
// it back, so a group is what the walk from its seed reaches and only the
// walk finds it. -5 when the edges fail, -6 without memory.
int32_t GroupsByWalk(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    const uint32_t triangleCount = mesh.triangleCount;
    SideEdges sides;
    if (const int32_t code = sides.Build(topology, mesh.triangles, triangleCount); code != 0) {
        return code;
    }
    uint8_t* reached = AllocateZeroedArray<uint8_t>(triangleCount);
    uint32_t* queue = AllocateArray<uint32_t>(triangleCount);
    uint8_t* spent = AllocateZeroedArray<uint8_t>(sides.EdgeCount());
    uint32_t* group = where != nullptr ? AllocateArray<uint32_t>(triangleCount) : nullptr;
    int32_t result = -6;
    if (reached != nullptr && queue != nullptr && spent != nullptr && (where == nullptr || group != nullptr)) {
        uint32_t groups = 0;
        const auto seed = [&groups, group](uint32_t s) {
            if (group != nullptr) {
                group[s] = groups;
            }
            ++groups;
            return uint8_t{1};
        };
        const auto reach = [&groups, group](uint32_t, uint32_t u) {
            if (group != nullptr) {
                group[u] = groups - 1;
            }
            return uint8_t{1};
        };
        WalkByEdges(sides, triangleCount, reached, queue, spent, seed, reach);
        for (uint32_t t = 0; group != nullptr && t < triangleCount; ++t) {
            where->Add(group[t]);
        }
        result = static_cast<int32_t>(groups);
    }
    Free(group);
    Free(spent);
    Free(queue);
    Free(reached);
    return result;
}

}  // namespace

int32_t ComputeComponentsInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    if (const int32_t code = CheckRecord(mesh); code != 0) {
        return code;
    }
    // A count alone is the one an earlier walk or orientability check over
    // this mesh kept (MeshTopology::WalkGroups), whichever way it went.
    if (where == nullptr && topology.WalkGroups() >= 0) {
        return static_cast<int32_t>(topology.WalkGroups());
    }
    const uint32_t triangleCount = mesh.triangleCount;
    if (!topology.NeighbourListsAffordable()) {
        if (AnyTriangleRepeatsAPoint(mesh.triangles, triangleCount)) {
            return GroupsByWalk(mesh, topology, where);
        }
        uint8_t* parity = AllocateArray<uint8_t>(triangleCount);
        uint32_t* parent = AllocateArray<uint32_t>(triangleCount);
        const int32_t result = parity != nullptr && parent != nullptr
                                   ? GroupsByEdges(mesh, topology, parent, parity, where)
                                   : -6;
        Free(parent);
        Free(parity);
        return result;
    }
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    if (topology.Status() != 0 || topology.TriangleCount() != triangleCount) {
        return -5;
    }
    // A breadth-first walk needs a visited byte and a queue slot per
    // triangle; the disjoint sets, a parent and a parity byte: the same room.
    uint8_t* bytes = AllocateZeroedArray<uint8_t>(triangleCount);
    uint32_t* slots = AllocateArray<uint32_t>(triangleCount);
    int32_t result = -6;
    if (where != nullptr) {
        // The walk numbers the groups in seed order, that is by their first
        // triangle, as it counts them.
        uint32_t* group = AllocateArray<uint32_t>(triangleCount);
        if (bytes != nullptr && slots != nullptr && group != nullptr) {
            result = static_cast<int32_t>(CountGroups(triangleCount, neighbours, bytes, slots, group));
            for (uint32_t t = 0; t < triangleCount; ++t) {
                where->Add(group[t]);
            }
        }
        Free(group);
    } else if (bytes != nullptr && slots != nullptr) {
        // Walking jumps from row to row across the whole mesh; when the lists
        // are symmetric one pass in triangle order finds the same groups.
        result = static_cast<int32_t>(
            AnyTriangleRepeatsAPoint(mesh.triangles, triangleCount)
                ? CountGroups(triangleCount, neighbours, bytes, slots)
                : CountSymmetricGroups(triangleCount, neighbours, slots, bytes));
    }
    Free(slots);
    Free(bytes);
    return result;
}

}  // namespace meshaudit
