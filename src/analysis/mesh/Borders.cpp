// Borders of a mesh: the border edges (triangle sides no other triangle has)
// grouped through shared end points. Loops that touch at a point are one
// border, as a walk along the border cannot tell them apart there.
#include "analysis/mesh/GraphWalk.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/DisjointSets.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/RecordChecks.h"

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
            CountEntry(lists, edge.first);
        }
        if (edge.second < pointCount) {
            CountEntry(lists, edge.second);
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
            count += atPoint.Count(edge.first) - self;
        }
        if (edge.second < pointCount) {
            count += atPoint.Count(edge.second) - self;
        }
        SetCount(lists, e, count);
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
            const uint32_t* row = atPoint.Row(p);
            const uint32_t n = atPoint.Count(p);
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

namespace {

// The groups of GroupEdges by joining the end points of each edge instead of
// walking the edge neighbour lists, which are symmetric: two edges are in one
// group exactly when end points below pointCount join them, and numbering
// the groups by their first edge is the walk's seed order. -6 without memory,
// as when the lists fail.
int32_t GroupEdgesByPoints(const T3DEDGE* edges, uint32_t pointCount, uint32_t edgeCount, uint32_t* group)
{
    uint32_t* parent = AllocateArray<uint32_t>(pointCount);
    uint8_t* parity = AllocateArray<uint8_t>(pointCount);
    uint32_t* number = AllocateArray<uint32_t>(pointCount);  // of a root's group
    if (parent == nullptr || parity == nullptr || number == nullptr) {
        Free(parent);
        Free(parity);
        Free(number);
        return -6;
    }
    DisjointSets sets(parent, parity, pointCount);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        bool joined = false;
        if (edges[e].first < pointCount && edges[e].second < pointCount) {
            sets.Relate(edges[e].first, edges[e].second, 0, joined);
        }
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        number[p] = 0xFFFFFFFFu;
    }
    uint32_t groups = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const uint32_t end = edges[e].first < pointCount ? edges[e].first : edges[e].second;
        uint32_t g = groups;
        if (end < pointCount) {
            uint8_t unused = 0;
            uint32_t& n = number[sets.Find(end, unused)];
            n = n == 0xFFFFFFFFu ? groups : n;
            g = n;
        }
        groups += g == groups ? 1 : 0;
        if (group != nullptr) {
            group[e] = g;
        }
    }
    Free(number);
    Free(parity);
    Free(parent);
    return static_cast<int32_t>(groups);
}

// CountEdgeGroups, and each edge's group number when `group` is not null.
int32_t GroupEdges(const EdgeList& list, uint32_t* group)
{
    const uint32_t pointCount = list.pointCount;
    const T3DEDGE* edges = list.edges;
    const uint32_t edgeCount = list.edgeCount;
    if (const int32_t code = CheckArrays(list.points, edges, pointCount, edgeCount); code != 0) {
        return code;
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
    const uint32_t groups = CountGroups(edgeCount, neighbours, visited, queue, group);
    ReleaseLists(neighbours);
    Free(visited);
    Free(queue);
    return static_cast<int32_t>(groups);
}

// Lists the border edges as ComputeBorders says, given each edge's group.
// False when the scratch memory cannot be had.
bool ListBorderWalks(const T3DEDGE* edges, uint32_t edgeCount, uint32_t pointCount,
                     const uint32_t* group, uint32_t groups, LocationList& where)
{
    IncidenceLists atPoint;
    if (BuildPointEdgeLists(edges, pointCount, edgeCount, atPoint) != 0) {
        return false;
    }
    // The edges ordered by group, ascending within each (a counting sort),
    // a run mark per edge and, per point, how far its row is known to be run.
    uint32_t* start = AllocateZeroedArray<uint32_t>(static_cast<std::size_t>(groups) + 1);
    uint32_t* byGroup = AllocateArray<uint32_t>(edgeCount);
    uint32_t* cursor = AllocateZeroedArray<uint32_t>(pointCount);
    uint8_t* run = AllocateZeroedArray<uint8_t>(edgeCount);
    const bool ok = start != nullptr && byGroup != nullptr && cursor != nullptr && run != nullptr;
    if (ok) {
        for (uint32_t e = 0; e < edgeCount; ++e) {
            ++start[group[e] + 1];
        }
        for (uint32_t g = 0; g < groups; ++g) {
            start[g + 1] += start[g];
        }
        for (uint32_t e = 0; e < edgeCount; ++e) {
            byGroup[start[group[e]]++] = e;
        }
        // start[g] now ends group g; group g begins where g - 1 ended.
        uint32_t begin = 0;
        for (uint32_t g = 0; g < groups; ++g) {
            for (uint32_t i = begin; i < start[g]; ++i) {
                const uint32_t first = byGroup[i];
                if (run[first] != 0) {
                    continue;
                }
                // No edge of the group below `first` is left, and the point's
                // row is in edge order, so the walk leaves along `first`.
                uint32_t at = edges[first].first;
                where.Add(g, at);
                for (;;) {
                    const uint32_t* row = atPoint.Row(at);
                    const uint32_t count = atPoint.Count(at);
                    uint32_t& next = cursor[at];
                    while (next < count && run[row[next]] != 0) {
                        ++next;
                    }
                    if (next == count) {
                        break;
                    }
                    const uint32_t e = row[next];
                    run[e] = 1;
                    at = edges[e].first == at ? edges[e].second : edges[e].first;
                    where.Add(g, at);
                }
            }
            begin = start[g];
        }
    }
    Free(run);
    Free(cursor);
    Free(byGroup);
    Free(start);
    ReleaseLists(atPoint);
    return ok;
}

}  // namespace

int32_t CountEdgeGroups(const EdgeList& list)
{
    return GroupEdges(list, nullptr);
}

int32_t ComputeBordersInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
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
    // Joining end points gives the groups, numbered in the same order, that
    // the walk over the edge neighbour lists gives, in 9 bytes a point where
    // the lists take 4 a point and 20 or more a border edge: on an unwelded
    // soup, where every side is a border edge, well under half the memory.
    // The lists are walked on the plain path only, and there only while
    // small: d border edges at one point give each of them the other d - 1.
    bool byPoints = true;
    if (topology.NeighbourEntriesUnlimited()) {
        const IncidenceLists& rows = topology.VertexTriangles();
        uint64_t bound = 0;
        for (uint32_t e = 0; e < borderEdgeCount; ++e) {
            bound += uint64_t{rows.Count(borderEdges[e].first)} + rows.Count(borderEdges[e].second);
        }
        byPoints = bound > 24ull * borderEdgeCount + 2048;
    }
    EdgeList list;
    list.points = points;
    list.pointCount = pointCount;
    list.edges = borderEdges;
    list.edgeCount = borderEdgeCount;
    if (where == nullptr) {
        return byPoints ? GroupEdgesByPoints(borderEdges, pointCount, borderEdgeCount, nullptr) : CountEdgeGroups(list);
    }
    // Without the scratch memory the count still stands; the list says it
    // is cut.
    uint32_t* group = AllocateArray<uint32_t>(borderEdgeCount);
    if (group == nullptr) {
        where->MarkFailed();
        return CountEdgeGroups(list);
    }
    const int32_t groups =
        byPoints ? GroupEdgesByPoints(borderEdges, pointCount, borderEdgeCount, group) : GroupEdges(list, group);
    if (groups > 0 && !ListBorderWalks(borderEdges, borderEdgeCount, pointCount, group,
                                       static_cast<uint32_t>(groups), *where)) {
        where->MarkFailed();
    }
    Free(group);
    return groups;
}

}  // namespace meshaudit
