// Borders of a mesh: the border edges (triangle sides no other triangle has)
// grouped through shared end points. Loops that touch at a point are one
// border, as a walk along the border cannot tell them apart there.
#include "analysis/mesh/GraphWalk.h"
#include "analysis/RecordChecks.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"

namespace meshaudit {

int32_t BuildPointEdgeLists(const T3DEDGE* edges, uint32_t pointCount, uint32_t edgeCount,
                            IncidenceLists& lists)
{
    lists = IncidenceLists{};
    if (edges == nullptr) {
        return -1;
    }
    if (!AllocateRows(lists, pointCount)) {
        return -2;
    }
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const T3DEDGE edge = edges[e];
        if (edge.first < pointCount) {
            ++lists.counts[edge.first];
        }
        if (edge.second < pointCount) {
            ++lists.counts[edge.second];
        }
    }
    if (!LayOutRows(lists, pointCount, 2 * static_cast<uint64_t>(edgeCount))) {
        ReleaseLists(lists);
        return -3;
    }
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const T3DEDGE edge = edges[e];
        if (edge.first < pointCount) {
            Append(lists, edge.first, e);
        }
        if (edge.second < pointCount) {
            Append(lists, edge.second, e);
        }
    }
    return 0;
}

int32_t BuildEdgeNeighbourLists(const T3DEDGE* edges, uint32_t pointCount, uint32_t edgeCount,
                                IncidenceLists& lists)
{
    lists = IncidenceLists{};
    IncidenceLists atPoint;
    if (BuildPointEdgeLists(edges, pointCount, edgeCount, atPoint) != 0) {
        return -1;
    }
    if (!AllocateRows(lists, edgeCount)) {
        ReleaseLists(atPoint);
        return -2;
    }
    // Row lengths follow from the point rows without scanning them: at each
    // end point an edge meets every edge of that point but itself, and an
    // edge (v, v) stands twice in v's row. Knowing the total before any scan
    // means a point with very many edges fails at the allocation instead of
    // spending quadratic time first.
    uint64_t total = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const T3DEDGE edge = edges[e];
        const uint32_t self = edge.first == edge.second ? 2 : 1;
        uint32_t count = 0;
        if (edge.first < pointCount) {
            count += atPoint.counts[edge.first] - self;
        }
        if (edge.second < pointCount) {
            count += atPoint.counts[edge.second] - self;
        }
        lists.counts[e] = count;
        total += count;
    }
    if (!LayOutRows(lists, edgeCount, total)) {
        ReleaseLists(lists);
        ReleaseLists(atPoint);
        return -3;
    }
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const uint32_t ends[2] = {edges[e].first, edges[e].second};
        for (uint32_t p : ends) {
            if (p >= pointCount) {
                continue;
            }
            const uint32_t* row = atPoint.rows[p];
            const uint32_t n = atPoint.counts[p];
            for (uint32_t i = 0; i < n; ++i) {
                if (row[i] != e) {
                    Append(lists, e, row[i]);
                }
            }
        }
    }
    ReleaseLists(atPoint);
    return 0;
}

int32_t CountEdgeGroups(const EdgeList& list)
{
    const T3DVECF* points = list.points;
    const uint32_t pointCount = list.pointCount;
    const T3DEDGE* edges = list.edges;
    const uint32_t edgeCount = list.edgeCount;
    if (points == nullptr) {
        return -1;
    }
    if (edges == nullptr) {
        return -2;
    }
    if (pointCount == 0) {
        return -3;
    }
    if (edgeCount == 0) {
        return -4;
    }
    uint8_t* visited = AllocateZeroedArray<uint8_t>(edgeCount);
    uint32_t* queue = AllocateArray<uint32_t>(edgeCount);
    if (visited == nullptr || queue == nullptr) {
        Free(visited);
        Free(queue);
        return -5;
    }
    IncidenceLists neighbours;
    if (BuildEdgeNeighbourLists(edges, pointCount, edgeCount, neighbours) != 0) {
        Free(visited);
        Free(queue);
        return -6;
    }
    const uint32_t groups = CountGroups(edgeCount, neighbours, visited, queue);
    ReleaseLists(neighbours);
    Free(visited);
    Free(queue);
    return static_cast<int32_t>(groups);
}

int32_t ComputeBorders(const MeshRecord& mesh, MeshTopology& topology)
{
    if (const int32_t code = CheckRecord(mesh); code != 0) {
        return code;
    }
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    uint32_t borderEdgeCount = 0;
    const T3DEDGE* borderEdges = topology.BorderEdges(borderEdgeCount);
    if (topology.Status() != 0) {
        return -5;
    }
    if (borderEdges == nullptr || borderEdgeCount == 0) {
        return 0;
    }
    EdgeList list;
    list.points = points;
    list.pointCount = pointCount;
    list.edges = borderEdges;
    list.edgeCount = borderEdgeCount;
    return CountEdgeGroups(list);
}

}  // namespace meshaudit
