// Connected components of a mesh: groups of triangles joined through shared
// edges, found by breadth-first walks over the triangle neighbour lists.
#include "analysis/mesh/GraphWalk.h"
#include "analysis/RecordChecks.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"

namespace meshaudit {

int32_t ComputeComponents(const MeshRecord& mesh, MeshTopology& topology)
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
    if (bytes != nullptr && slots != nullptr) {
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
