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
    uint8_t* visited = AllocateZeroedArray<uint8_t>(triangleCount);
    uint32_t* queue = AllocateArray<uint32_t>(triangleCount);
    int32_t result = -6;
    if (visited != nullptr && queue != nullptr) {
        result = static_cast<int32_t>(CountGroups(triangleCount, neighbours, visited, queue));
    }
    Free(queue);
    Free(visited);
    return result;
}

}  // namespace meshaudit
