// Connected components of a mesh: groups of triangles joined through shared
// edges, found by breadth-first walks over the triangle neighbour lists.
#include "analysis/mesh/GraphWalk.h"
#include "analysis/RecordChecks.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"

namespace meshaudit {

int32_t ComputeComponentsInto(const MeshRecord& mesh, MeshTopology& topology, ElementList* where)
{
    if (const int32_t code = CheckRecord(mesh); code != 0) {
        return code;
    }
    const uint32_t triangleCount = mesh.triangleCount;
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
