// Edge degrees: the number of incident-triangle entries of each edge, read
// from the topology's per-edge triangle lists. Edges listed in edge-list
// order.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"

namespace meshaudit {

namespace {

// The per-edge counts and their number, or -1 / -2 when the topology fails.
int32_t FetchDegrees(MeshTopology& topology, const T3DEDGE*& edges, RowCounts& degrees,
                     uint32_t& edgeCount)
{
    edges = topology.Edges(edgeCount);
    if (topology.Status() != 0) {
        return -1;
    }
    const IncidenceLists& onEdge = topology.EdgeTriangles();
    if (topology.Status() != 0) {
        return -2;
    }
    degrees = RowCounts{nullptr, onEdge.starts};
    return 0;
}

// The edges whose degree is `degree`, in edge-list order.
void ListEdgesOfDegree(const T3DEDGE* edges, RowCounts degrees, uint32_t edgeCount,
                       uint32_t degree, LocationList& where)
{
    for (uint32_t e = 0; e < edgeCount; ++e) {
        if (degrees[e] == degree) {
            AddEdge(where, edges[e]);
        }
    }
}

}  // namespace

int32_t CountSingularEdges(const MeshRecord&, MeshTopology& topology, LocationList* where)
{
    const T3DEDGE* edges = nullptr;
    RowCounts degrees;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, edges, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        count += degrees[e] > 2 ? 1u : 0u;
        if (where != nullptr && degrees[e] > 2) {
            AddEdge(*where, edges[e]);
        }
    }
    return static_cast<int32_t>(count);
}

int32_t MinimalEdgeDegree(const MeshRecord&, MeshTopology& topology, LocationList* where)
{
    const T3DEDGE* edges = nullptr;
    RowCounts degrees;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, edges, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t minimum = 0xFFFFFFFFu;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        minimum = degrees[e] < minimum ? degrees[e] : minimum;
    }
    if (where != nullptr) {
        ListEdgesOfDegree(edges, degrees, edgeCount, minimum, *where);
    }
    return static_cast<int32_t>(minimum);
}

int32_t MaximalEdgeDegree(const MeshRecord&, MeshTopology& topology, LocationList* where)
{
    const T3DEDGE* edges = nullptr;
    RowCounts degrees;
    uint32_t edgeCount = 0;
    const int32_t code = FetchDegrees(topology, edges, degrees, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t maximum = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        maximum = degrees[e] > maximum ? degrees[e] : maximum;
    }
    if (where != nullptr) {
        ListEdgesOfDegree(edges, degrees, edgeCount, maximum, *where);
    }
    return static_cast<int32_t>(maximum);
}

}  // namespace meshaudit
