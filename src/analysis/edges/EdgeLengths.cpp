// Edge lengths: counts against the length range and the extreme lengths,
// over the edges whose end points both exist. Listed in edge-list order.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"
#include "analysis/edges/LengthFigures.h"

#include <cfloat>

namespace meshaudit {

namespace {

// Calls visit(edge, length) for every edge of the list whose ends are in
// range, in list order; returns the list's code (0 when it was visited).
template <typename Visit>
int32_t ForEachLength(const MeshRecord& mesh, MeshTopology& topology, Visit visit)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    for (uint32_t e = 0; e < edgeCount; ++e) {
        if (EndsInRange(edges[e], m.pointCount)) {
            visit(edges[e], EdgeLength(m.points[edges[e].first], m.points[edges[e].second]));
        }
    }
    return 0;
}

// Lists the edges whose length is `extreme`, once the extreme is known.
void ListEdgesOfLength(const MeshRecord& mesh, MeshTopology& topology, double extreme,
                       LocationList& where)
{
    ForEachLength(mesh, topology, [&](const T3DEDGE& edge, double length) {
        if (length == extreme) {
            AddEdge(where, edge);
        }
    });
}

}  // namespace

int32_t CountShorterEdges(const MeshRecord& mesh, MeshTopology& topology, double lowerBound,
                          LocationList* where)
{
    uint32_t count = 0;
    const int32_t code = ForEachLength(mesh, topology, [&](const T3DEDGE& edge, double length) {
        count += length < lowerBound ? 1u : 0u;
        if (where != nullptr && length < lowerBound) {
            AddEdge(*where, edge);
        }
    });
    return code != 0 ? code : static_cast<int32_t>(count);
}

int32_t CountLongerEdges(const MeshRecord& mesh, MeshTopology& topology, double upperBound,
                         LocationList* where)
{
    uint32_t count = 0;
    const int32_t code = ForEachLength(mesh, topology, [&](const T3DEDGE& edge, double length) {
        count += length > upperBound ? 1u : 0u;
        if (where != nullptr && length > upperBound) {
            AddEdge(*where, edge);
        }
    });
    return code != 0 ? code : static_cast<int32_t>(count);
}

double MinimalEdgeLength(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    double minimum = DBL_MAX;
    const int32_t code = ForEachLength(mesh, topology, [&](const T3DEDGE&, double length) {
        if (length < minimum) {  // false for NaN
            minimum = length;
        }
    });
    if (code == 0 && where != nullptr) {
        ListEdgesOfLength(mesh, topology, minimum, *where);
    }
    return code != 0 ? static_cast<double>(code) : minimum;
}

EdgeLengthFigures MeasureEdgeLengths(const MeshRecord& mesh, MeshTopology& topology, double lowerBound,
                                     double upperBound)
{
    EdgeLengthFigures f;
    f.known = true;
    f.lower = lowerBound;
    f.upper = upperBound;
    f.code = ForEachLength(mesh, topology, [&f, lowerBound, upperBound](const T3DEDGE&, double length) {
        f.shorter += length < lowerBound ? 1u : 0u;
        f.longer += length > upperBound ? 1u : 0u;
        f.minimum = length < f.minimum ? length : f.minimum;  // false for NaN, as below
        f.maximum = length > f.maximum ? length : f.maximum;
    });
    return f;
}

double MaximalEdgeLength(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    double maximum = 0.0;
    const int32_t code = ForEachLength(mesh, topology, [&](const T3DEDGE&, double length) {
        if (length > maximum) {  // false for NaN
            maximum = length;
        }
    });
    if (code == 0 && where != nullptr) {
        ListEdgesOfLength(mesh, topology, maximum, *where);
    }
    return code != 0 ? static_cast<double>(code) : maximum;
}

}  // namespace meshaudit
