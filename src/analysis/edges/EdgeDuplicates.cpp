// Duplicated edges, by point indices and by end-point coordinates, through
// the shared duplicate-counting pattern. Listed in edge-list order.
#include "analysis/SharedPointRanks.h"
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"
#include "containers/CountDuplicates.h"
#include "containers/PointRanks.h"
#include "containers/TupleDuplicates.h"

namespace meshaudit {

namespace {

constexpr DuplicateCodes kCodes{-8, -9, -10, -11};

// The classes array of a search that lists: null and no code when nothing
// is listed, null with the pool's code when it cannot be allocated.
uint32_t* ClassesArray(uint32_t edgeCount, bool listing, int32_t& code)
{
    code = 0;
    if (!listing) {
        return nullptr;
    }
    uint32_t* firstOf = AllocateArray<uint32_t>(edgeCount);
    code = firstOf == nullptr ? kCodes.createFailed : 0;
    return firstOf;
}

// Counts and lists, in edge-list order, the classes that firstOf gives the
// edges: each member with the position in `members` of its class's first
// edge, and each class's first edge in `classes`. The sums replace those of
// the search (they are the same). Frees firstOf; -8 when the positions
// cannot be allocated.
int32_t ListEdgeClasses(const T3DEDGE* edges, uint32_t edgeCount, uint32_t* firstOf,
                        LocationList* members, LocationList* classes, DuplicateSums& sums)
{
    uint32_t* position = members != nullptr ? AllocateArray<uint32_t>(edgeCount) : nullptr;
    if (members != nullptr && position == nullptr) {
        Free(firstOf);
        return kCodes.createFailed;
    }
    uint32_t listed = 0;
    sums = SumClassesOf(edgeCount, firstOf, [&](uint32_t e, uint32_t first) {
        const uint32_t a = edges[e].first;
        const uint32_t b = edges[e].second;
        if (members != nullptr) {
            if (first == e) {
                position[e] = listed;
            }
            members->Add(a < b ? a : b, a < b ? b : a, position[first]);
            ++listed;
        }
        if (classes != nullptr && first == e) {
            AddEdge(*classes, edges[e]);
        }
    });
    Free(position);
    Free(firstOf);
    return 0;
}

}  // namespace

namespace {

// Whether no two entries of the edge list name the same pair of points,
// checked in one pass where the list is grouped by its first point, as the
// topology builds it (first <= second, ascending first): within a group, a
// second point met twice is marked with the group's first point plus one
// in `seenIn` (pointCount zeros). False also when the list is not so
// grouped: the sort then decides. The topology's list holds every pair
// once, so the sort of a million keys that would only find no run is
// spared.
bool EveryPairOnce(const T3DEDGE* edges, uint32_t edgeCount, uint32_t pointCount, uint32_t* seenIn)
{
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const T3DEDGE& edge = edges[e];
        const bool grouped = edge.first <= edge.second && edge.second < pointCount &&
                             (e == 0 || edges[e - 1].first <= edge.first);
        if (!grouped || seenIn[edge.second] == edge.first + 1) {
            return false;
        }
        seenIn[edge.second] = edge.first + 1;
    }
    return true;
}

}  // namespace

// Keys by indices: (smaller, larger).
int32_t TopologicalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums, LocationList* members, LocationList* classes)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t* firstOf = ClassesArray(edgeCount, members != nullptr || classes != nullptr, code);
    if (code != 0) {
        return code;
    }
    const auto keyOf = [edges](uint32_t e, T3DEDGE& key) {
        const uint32_t a = edges[e].first;
        const uint32_t b = edges[e].second;
        key = a < b ? T3DEDGE{a, b} : T3DEDGE{b, a};
        return true;
    };
    // The key's two indices packed into one integer: same order, same runs.
    const auto pairOf = [edges](uint32_t e, uint32_t& first, uint32_t& second) {
        const uint32_t a = edges[e].first;
        const uint32_t b = edges[e].second;
        first = a < b ? a : b;
        second = a < b ? b : a;
        return TupleKey::Use;
    };
    code = CountDuplicatesByTuples<T3DEDGE>(
        edgeCount, keyOf, kCodes, sums,
        [&](uint32_t& memberSum, uint32_t& classSum) {
            if (firstOf == nullptr) {
                uint32_t* seenIn = AllocateZeroedArray<uint32_t>(m.pointCount);
                if (seenIn == nullptr) {
                    return SortedRunsOutcome::OutOfMemory;
                }
                const bool once = EveryPairOnce(edges, edgeCount, m.pointCount, seenIn);
                Free(seenIn);
                if (once) {
                    memberSum = 0;
                    classSum = 0;
                    return SortedRunsOutcome::Counted;
                }
            }
            uint32_t largest = 0;
            for (uint32_t e = 0; e < edgeCount; ++e) {
                const uint32_t a = edges[e].first;
                const uint32_t b = edges[e].second;
                largest = a > largest ? a : largest;
                largest = b > largest ? b : largest;
            }
            return CountPairDuplicates(edgeCount, largest, pairOf, memberSum, classSum, firstOf);
        },
        firstOf);
    if (firstOf == nullptr || code != 0) {
        Free(firstOf);
        return code;
    }
    return ListEdgeClasses(edges, edgeCount, firstOf, members, classes, sums);
}

// Keys by coordinates: (smaller point, larger point) in point order, so that
// an edge matches its reverse.
int32_t GeometricalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums, LocationList* members, LocationList* classes)
{
    EdgeMesh m;
    const T3DEDGE* edges = nullptr;
    uint32_t edgeCount = 0;
    int32_t code = FetchEdgeList(mesh, topology, m, edges, edgeCount);
    if (code != 0) {
        return code;
    }
    uint32_t* firstOf = ClassesArray(edgeCount, members != nullptr || classes != nullptr, code);
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
    // The segment order is lexicographic on its end points, so with every
    // point replaced by its rank in the point order the keys keep their
    // order and their classes: (smaller rank, larger rank) stands for the
    // key. An end point with a NaN has no rank; then the tree counts.
    const auto tupleCount = [&](uint32_t& memberSum, uint32_t& classSum) {
        PointRanking ranking;
        const SharedPointRanks shared(topology, points, pointCount, ranking);
        const uint32_t* ranks = shared.Get();
        if (ranks == nullptr) {
            return SortedRunsOutcome::OutOfMemory;
        }
        const auto pairOf = [edges, ranks, pointCount](uint32_t e, uint32_t& first,
                                                       uint32_t& second) {
            if (!EndsInRange(edges[e], pointCount)) {
                return TupleKey::Skip;
            }
            const uint32_t a = ranks[edges[e].first];
            const uint32_t b = ranks[edges[e].second];
            if (a == kNaNRank || b == kNaNRank) {
                return TupleKey::HasNaN;
            }
            first = a < b ? a : b;
            second = a < b ? b : a;
            return TupleKey::Use;
        };
        const uint32_t largest = ranking.distinct == 0 ? 0 : ranking.distinct - 1;
        return CountPairDuplicates(edgeCount, largest, pairOf, memberSum, classSum, firstOf);
    };
    code = CountDuplicatesByTuples<T3DSEGMT>(edgeCount, keyOf, kCodes, sums, tupleCount, firstOf);
    if (firstOf == nullptr || code != 0) {
        Free(firstOf);
        return code;
    }
    return ListEdgeClasses(edges, edgeCount, firstOf, members, classes, sums);
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
