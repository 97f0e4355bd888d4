// Edge degrees: the number of incident-triangle entries of each edge, read
// from the topology's per-edge triangle lists.
#include "analysis/edges/EdgeAnalyses.h"

namespace meshaudit {

namespace {

// The per-edge counts and their number, or -1 / -2 when the topology fails.
int32_t FetchDegrees(MeshTopology& topology, const uint32_t*& degrees, uint32_t& edgeCount)
{
    topology.Edges(edgeCount);
    if (topology.Status() != 0) {
        return -1;
    }
    const IncidenceLists& onEdge = topology.EdgeTriangles();
    if (topology.Status() != 0) {
        return -2;
    }
    degrees = onEdge.counts;
    return 0;
}

}  // namespace

int32_t CountSingularEdges(const MeshRecord&, MeshTopology& topology)
{
    const uint32_t* degrees = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        count += degrees[e] > 2 ? 1u : 0u;
    }
    return static_cast<int32_t>(count);
}

int32_t MinimalEdgeDegree(const MeshRecord&, MeshTopology& topology)
{
    const uint32_t* degrees = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t minimum = 0xFFFFFFFFu;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        minimum = degrees[e] < minimum ? degrees[e] : minimum;
    }
    return static_cast<int32_t>(minimum);
}

int32_t MaximalEdgeDegree(const MeshRecord&, MeshTopology& topology)
{
    const uint32_t* degrees = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t maximum = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        maximum = degrees[e] > maximum ? degrees[e] : maximum;
    }
    return static_cast<int32_t>(maximum);
}

}  // namespace meshaudit
