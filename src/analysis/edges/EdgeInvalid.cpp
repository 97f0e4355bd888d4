// Invalid edges: by index (both ends the same point) and by geometry (both
// ends at the same coordinates). Listed in edge-list order.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"

namespace meshaudit {

int32_t CountInvalidTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology,
                                     LocationList* where)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        count += edges[e].first == edges[e].second ? 1u : 0u;
        if (where != nullptr && edges[e].first == edges[e].second) {
            AddEdge(*where, edges[e]);
        }
    }
    return static_cast<int32_t>(count);
}

int32_t CountInvalidGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology,
                                     LocationList* where)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        // An edge (v, v) counts too, unless v has a NaN coordinate.
        if (EndsInRange(edges[e], m.pointCount) &&
            m.points[edges[e].first] == m.points[edges[e].second]) {
            ++count;
            if (where != nullptr) {
                AddEdge(*where, edges[e]);
            }
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit
