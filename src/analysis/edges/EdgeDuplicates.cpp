// Duplicated edges, by point indices and by end-point coordinates, through
// the shared duplicate-counting pattern.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"
#include "containers/CountDuplicates.h"

namespace meshaudit {

namespace {

constexpr DuplicateCodes kCodes{-8, -9, -10, -11};

}  // namespace

// Keys by indices: (smaller, larger).
int32_t TopologicalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    const auto keyOf = [edges](uint32_t e, T3DEDGE& key) {
        const uint32_t a = edges[e].first;
        const uint32_t b = edges[e].second;
        key = a < b ? T3DEDGE{a, b} : T3DEDGE{b, a};
        return true;
    };
    return CountDuplicates<T3DEDGE>(edgeCount, keyOf, kCodes, sums);
}

// Keys by coordinates: (smaller point, larger point) in point order, so that
// an edge matches its reverse.
int32_t GeometricalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    const int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    const T3DVECF* points = m.points;
    const uint32_t pointCount = m.pointCount;
    const auto keyOf = [edges, points, pointCount](uint32_t e, T3DSEGMT& key) {
        if (!EndsInRange(edges[e], pointCount)) {
            return false;
        }
        const T3DVECF& a = points[edges[e].first];
        const T3DVECF& b = points[edges[e].second];
        key = b < a ? T3DSEGMT{b, a} : T3DSEGMT{a, b};
        return true;
    };
    return CountDuplicates<T3DSEGMT>(edgeCount, keyOf, kCodes, sums);
}

int32_t CountDuplicatedTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology)
{
    DuplicateSums sums;
    const int32_t code = TopologicalEdgeDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t CountClassesOfDuplicatedTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology)
{
    DuplicateSums sums;
    const int32_t code = TopologicalEdgeDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

int32_t CountDuplicatedGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology)
{
    DuplicateSums sums;
    const int32_t code = GeometricalEdgeDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t CountClassesOfDuplicatedGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology)
{
    DuplicateSums sums;
    const int32_t code = GeometricalEdgeDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

}  // namespace meshaudit
