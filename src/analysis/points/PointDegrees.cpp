// The smallest and largest number of distinct neighbours of a point, read
// from the shared neighbour lists.
#include "analysis/points/PointAnalyses.h"

namespace meshaudit::points {

namespace {

// Folds the neighbour counts of all points with `pick`, starting at `start`,
// and lists the points that have the result, in point order (none when no
// point has it: no points). -1 when the lists cannot be had.
template <typename Pick>
int32_t FoldDegrees(const MeshRecord& mesh, MeshTopology& topology, uint32_t start, Pick pick,
                    LocationList* where)
{
    const uint32_t pointCount = mesh.pointCount;
    const IncidenceLists& neighbours = topology.VertexNeighbours();
    if (topology.Status() != 0) {
        return -1;
    }
    const RowCounts counts{nullptr, neighbours.starts};
    if (!counts.Present() && pointCount != 0) {
        return -1;
    }
    uint32_t degree = start;
    for (uint32_t i = 0; i < pointCount; ++i) {
        degree = pick(degree, counts[i]);
    }
    if (where != nullptr) {
        for (uint32_t i = 0; i < pointCount; ++i) {
            if (counts[i] == degree) {
                where->Add(i);
            }
        }
    }
    return static_cast<int32_t>(degree);
}

}  // namespace

int32_t MinimalDegree(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return FoldDegrees(
        mesh, topology, 0xFFFFFFFFu, [](uint32_t a, uint32_t b) { return b < a ? b : a; }, where);
}

int32_t MaximalDegree(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return FoldDegrees(
        mesh, topology, 0u, [](uint32_t a, uint32_t b) { return b > a ? b : a; }, where);
}

}  // namespace meshaudit::points
