// Counters over the triangle degrees: the entry counts of the shared
// triangle-neighbour lists.
#include "analysis/RecordChecks.h"
#include "analysis/triangles/TriangleAnalyses.h"

namespace meshaudit::triangles {

namespace {

// Folds the degrees of all triangles with `step`, starting at `start`.
template <typename Step>
int32_t FoldDegrees(const MeshRecord& mesh, MeshTopology& topology, uint32_t start, Step step)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const uint32_t triangleCount = mesh.triangleCount;
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    const uint32_t* degrees = neighbours.counts;
    if (topology.Status() != 0 || degrees == nullptr) {
        return -5;
    }
    uint32_t value = start;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        value = step(value, degrees[t]);
    }
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t CountIsolated(const MeshRecord& mesh, MeshTopology& topology)
{
    return FoldDegrees(mesh, topology, 0u,
                       [](uint32_t n, uint32_t degree) { return n + (degree == 0 ? 1u : 0u); });
}

int32_t CountSingular(const MeshRecord& mesh, MeshTopology& topology)
{
    return FoldDegrees(mesh, topology, 0u,
                       [](uint32_t n, uint32_t degree) { return n + (degree > 3 ? 1u : 0u); });
}

int32_t MinimalDegree(const MeshRecord& mesh, MeshTopology& topology)
{
    return FoldDegrees(mesh, topology, 0xFFFFFFFFu,
                       [](uint32_t m, uint32_t degree) { return degree < m ? degree : m; });
}

int32_t MaximalDegree(const MeshRecord& mesh, MeshTopology& topology)
{
    return FoldDegrees(mesh, topology, 0u,
                       [](uint32_t m, uint32_t degree) { return degree > m ? degree : m; });
}

}  // namespace meshaudit::triangles
