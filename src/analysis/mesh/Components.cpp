// Connected components of a mesh: groups of triangles joined through shared
// edges, found by breadth-first walks over the triangle neighbour lists.
#include "analysis/mesh/GraphWalk.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"

namespace meshaudit {

int32_t ComputeComponents(const MeshRecord& mesh, MeshTopology& topology)
{
    const T3DVECF* points = mesh.points;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr) {
        return -1;
    }
    if (triangles == nullptr) {
        return -2;
    }
    if (pointCount == 0) {
        return -3;
    }
    if (triangleCount == 0) {
        return -4;
    }
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
