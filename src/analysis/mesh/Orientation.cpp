// Orientation of a mesh: whether every shared edge is run in opposite
// directions by its triangles, and whether the triangles could be flipped so
// that it is (a breadth-first reorientation judged pair by pair, or where
// every pair is a plain relation, disjoint sets with a parity bit; on
// crowded meshes, both read edge by edge).
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/EdgeWalk.h"
#include "analysis/mesh/GraphWalk.h"
#include "containers/DisjointSets.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/ReadAhead.h"
#include "model/RecordChecks.h"
#include "model/TriangleSides.h"

#include <algorithm>
#include <cstddef>

namespace meshaudit {

namespace {

// The test shared by IsOriented and IsConsistentlyOriented: for each
// directed edge (a, b) of each triangle t, every other triangle of a's list
// that also has b as a corner shares the edge and must run it reversed.
// Partners are looked for only among the triangles of the edge's first
// point, so an edge whose first point has no list is not examined.
bool AllSharedEdgesOpposite(const TRIANGLE* triangles, uint32_t triangleCount,
                            uint32_t pointCount, const IncidenceLists& pointTriangles)
{
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const TRIANGLE& triangle = triangles[t];
        const uint32_t corners[3] = {triangle.a, triangle.b, triangle.c};
        for (int i = 0; i < 3; ++i) {
            const uint32_t a = corners[i];
            const uint32_t b = corners[(i + 1) % 3];
            if (a >= pointCount) {
                continue;
            }
            if (b < pointCount) {
                // Both points have rows (ascending, complete for in-range
                // corners): the triangles with both are the rows' common
                // entries, found by a merge without reading any corners.
                const bool reversedMissing =
                    ForEachEntryWithBoth(pointTriangles, a, b, [&](uint32_t u) {
                        return u != t && u < triangleCount &&
                               !HaveOppositeEdge(triangle, triangles[u]);
                    });
                if (reversedMissing) {
                    return false;
                }
                continue;
            }
            const uint32_t* row = pointTriangles.Row(a);
            const uint32_t count = pointTriangles.Count(a);
            for (uint32_t k = 0; k < count; ++k) {
                const uint32_t u = row[k];
                if (u == t || u >= triangleCount) {
                    continue;
                }
                const TRIANGLE& other = triangles[u];
                if (!HasCorner(other, a) || !HasCorner(other, b)) {
                    continue;
                }
                if (!HaveOppositeEdge(triangle, other)) {
                    return false;
                }
            }
        }
    }
    return true;
}

// The same test read from the triangle neighbour lists: a triangle's row
// holds, side by side, exactly the other triangles that a merge of the side's
// two point rows yields, so the verdict is the same without any merge.
bool AllNeighboursOpposite(const TRIANGLE* triangles, uint32_t triangleCount,
                           const IncidenceLists& neighbours)
{
    for (uint32_t t = 0; t < triangleCount; ++t) {
        PrefetchRowTargetsAhead(neighbours, triangleCount, triangles, triangleCount, t);
        const uint32_t* row = neighbours.Row(t);
        const uint32_t count = neighbours.Count(t);
        for (uint32_t k = 0; k < count; ++k) {
            if (!HaveOppositeEdge(triangles[t], triangles[row[k]])) {
                return false;
            }
        }
    }
    return true;
}

// Lists the edges IsOriented names when it says no (see MeshAnalyses.h):
// the sides of t on which a neighbour that runs no common side opposite
// sits, gathered as keys (smaller point in the high half), sorted and each
// given once. The keys are counted first so that one array holds them.
void ListSameWaySides(const TRIANGLE* triangles, uint32_t triangleCount,
                      const IncidenceLists& neighbours, LocationList& where)
{
    const auto forEachSide = [&](auto onSide) {
        for (uint32_t t = 0; t < triangleCount; ++t) {
            const TRIANGLE& triangle = triangles[t];
            const uint32_t corners[3] = {triangle.a, triangle.b, triangle.c};
            const uint32_t* row = neighbours.Row(t);
            const uint32_t count = neighbours.Count(t);
            for (uint32_t k = 0; k < count; ++k) {
                const TRIANGLE& other = triangles[row[k]];
                if (HaveOppositeEdge(triangle, other)) {
                    continue;
                }
                for (int i = 0; i < 3; ++i) {
                    const uint32_t a = corners[i];
                    const uint32_t b = corners[(i + 1) % 3];
                    if (HasCorner(other, a) && HasCorner(other, b)) {
                        onSide(a < b ? a : b, a < b ? b : a);
                    }
                }
            }
        }
    };
    std::size_t n = 0;
    forEachSide([&n](uint32_t, uint32_t) { ++n; });
    if (n == 0) {
        return;
    }
    uint64_t* keys = AllocateArray<uint64_t>(n);
    if (keys == nullptr) {
        where.MarkFailed();
        return;
    }
    std::size_t filled = 0;
    forEachSide([&](uint32_t low, uint32_t high) {
        keys[filled++] = static_cast<uint64_t>(low) << 32 | high;
    });
    std::sort(keys, keys + n);
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || keys[i] != keys[i - 1]) {
            where.Add(static_cast<uint32_t>(keys[i] >> 32), static_cast<uint32_t>(keys[i]));
        }
    }
    Free(keys);
}

// A triangle as the reorientation left it: flipped ones have their first two
// corners swapped.
enum : uint8_t { kUnreached = 0, kKept = 1, kFlipped = 2 };

TRIANGLE Oriented(const TRIANGLE& t, uint8_t state)
{
    return state == kFlipped ? TRIANGLE{t.b, t.a, t.c} : t;
}

enum class Verdict { Orientable, NotOrientable, Undecided };

// Orientability as a system of relations: flipping both triangles of a pair
// reverses every directed edge of both, so whether they run a common edge
// opposite depends only on whether exactly one is flipped. Where it holds
// for exactly one of the two cases, the pair says "same flip" or "opposite
// flips"; the triangles can be oriented exactly when these relations do not
// contradict each other. The walk of IsOrientable fixes each triangle by
// the relation of the pair it is reached through, so it agrees whenever
// every pair is of this kind. A pair that holds in both cases or in neither
// (possible only with a triangle that repeats a point) leaves it Undecided,
// for the walk to settle.
//
// Called only when no triangle repeats a point: then the neighbour lists are
// symmetric and a pair's relation reads the same from either side, so each
// pair is taken from the row of its smaller triangle only. Whether the
// relations contradict each other does not depend on their order.
//
// When every pair is related, each join of two sets joins two groups of
// neighbours, so the sets left are the groups the component walk finds
// (symmetric rows: a walk reaches exactly a connected group): the count is
// kept for the component count (MeshTopology::WalkGroups).
Verdict OrientableByRelations(const TRIANGLE* triangles, uint32_t triangleCount,
                              const IncidenceLists& neighbours, uint32_t* parent,
                              uint8_t* parity, MeshTopology& topology)
{
    uint32_t groups = triangleCount;
    DisjointSets sets(parent, parity, triangleCount);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        PrefetchRowTargetsAhead(neighbours, triangleCount, triangles, triangleCount, t);
        PrefetchRowTargetsAhead(neighbours, triangleCount, parent, triangleCount, t);
        const TRIANGLE& triangle = triangles[t];
        const uint32_t* row = neighbours.Row(t);
        const uint32_t count = neighbours.Count(t);
        for (uint32_t k = 0; k < count; ++k) {
            if (row[k] < t) {
                continue;
            }
            const TRIANGLE& other = triangles[row[k]];
            const bool asGiven = HaveOppositeEdge(triangle, other);
            const bool oneFlipped = HaveOppositeEdge(triangle, Oriented(other, kFlipped));
            if (asGiven == oneFlipped) {
                return Verdict::Undecided;
            }
            bool joined = false;
            if (!sets.Relate(t, row[k], asGiven ? 0 : 1, joined)) {
                return Verdict::NotOrientable;
            }
            groups -= joined ? 1 : 0;
        }
    }
    topology.KeepWalkGroups(groups);
    return Verdict::Orientable;
}

// OrientableByRelations from the triangles of each edge, where the neighbour
// lists would be large; also only for meshes without a triangle that
// repeats a point. The neighbour pairs are the pairs of triangles on one
// edge. Of those, the first is related to each other one, and the second to
// the third: with no repeated point, each triangle runs the edge one way,
// and a pair must be flipped alike exactly when they run it opposite; three
// triangles cannot all be pairwise opposite, so those three relations
// already contradict each other, as all the pairs would. The verdict does
// not depend on the order of the relations. Triangles on one edge are
// neighbours, related through the first of them, so an Orientable verdict
// keeps the groups as OrientableByRelations does.
Verdict OrientableByEdges(const MeshRecord& mesh, MeshTopology& topology, uint32_t* parent, uint8_t* parity)
{
    const TRIANGLE* triangles = mesh.triangles;
    uint32_t edgeCount = 0;
    topology.Edges(edgeCount);
    const IncidenceLists& onEdge = topology.EdgeTriangles();
    if (topology.Status() != 0) {
        return Verdict::Undecided;
    }
    DisjointSets sets(parent, parity, mesh.triangleCount);
    Verdict verdict = Verdict::Orientable;
    uint32_t groups = mesh.triangleCount;
    const auto relate = [&](uint32_t t, uint32_t u) {
        const bool asGiven = HaveOppositeEdge(triangles[t], triangles[u]);
        if (asGiven == HaveOppositeEdge(triangles[t], Oriented(triangles[u], kFlipped))) {
            verdict = Verdict::Undecided;
            return;
        }
        bool joined = false;
        if (!sets.Relate(t, u, asGiven ? 0 : 1, joined)) {
            verdict = Verdict::NotOrientable;
        }
        groups -= joined ? 1 : 0;
    };
    for (uint32_t e = 0; e < edgeCount && verdict == Verdict::Orientable; ++e) {
        // Without a repeated point a row lists each triangle once.
        const uint32_t* row = onEdge.Row(e);
        const uint32_t n = onEdge.Count(e);
        for (uint32_t k = 1; k < n && verdict == Verdict::Orientable; ++k) {
            relate(row[0], row[k]);
        }
        if (n > 2 && verdict == Verdict::Orientable) {
            relate(row[1], row[2]);
        }
    }
    if (verdict == Verdict::Orientable) {
        topology.KeepWalkGroups(groups);
    }
    return verdict;
}

// IsConsistentlyOriented's test on one edge and the triangles with both its
// end points (its EdgeTriangles row), flipped as `state` says (null: as
// given): in time linear in the row, where the pairs of triangles sharing a
// side can be quadratic in number. SidesOppositeByEdges asks it of every edge.
//
// On an edge of two points p and q, every triangle has both, and each of
// its sides (p, q) or (q, p) holds all the others. A triangle with three
// distinct corners runs the edge one way; two that run it the same way share
// no side run opposite (a third shared corner would make them copies, which
// then run every side alike), and two that run it opposite ways do. A
// triangle with only p and q as corners runs the edge both ways, and so
// against any of them. So the edge passes when at most one triangle with
// three distinct corners runs it each way.
//
// On the edge (p, p) are all triangles at p, held by the side (p, p) of each
// triangle with p at two corners (flipping one changes none of its sides:
// p -> p, p -> q, q -> p, whichever way). Against such a triangle with third
// corner q, a triangle at p runs a side opposite exactly when it has p at two
// corners too (p -> p against p -> p) or has q (it then runs p -> q or
// q -> p); against (p, p, p), only in the first case.
bool EdgeRunOpposite(const TRIANGLE* triangles, const T3DEDGE& edge, const uint32_t* row, uint32_t count,
                     const uint8_t* state)
{
    const uint32_t p = edge.first;
    const uint32_t q = edge.second;
    const auto atP = [p](const TRIANGLE& t) {
        return static_cast<uint32_t>(t.a == p) + (t.b == p) + (t.c == p);
    };
    if (p != q) {
        uint32_t ways[2] = {0, 0};
        for (uint32_t k = 0; k < count; ++k) {
            const TRIANGLE t = state != nullptr ? Oriented(triangles[row[k]], state[row[k]]) : triangles[row[k]];
            if (t.a != t.b && t.b != t.c && t.c != t.a) {
                const bool forward = (t.a == p && t.b == q) || (t.b == p && t.c == q) || (t.c == p && t.a == q);
                if (++ways[forward ? 1 : 0] > 1) {
                    return false;
                }
            }
        }
        return true;
    }
    // The third corners of the triangles with p twice: up to two kept, a
    // third distinct one or (p, p, p) failing every other triangle.
    uint32_t thirds[2] = {p, p};
    bool failsOthers = false;
    for (uint32_t k = 0; k < count; ++k) {
        const TRIANGLE& t = triangles[row[k]];
        if (atP(t) < 2) {
            continue;
        }
        const uint32_t third = t.a != p ? t.a : t.b != p ? t.b : t.c;
        if (third == p) {
            failsOthers = true;
        } else if (thirds[0] == p || thirds[0] == third) {
            thirds[0] = third;
        } else if (thirds[1] == p || thirds[1] == third) {
            thirds[1] = third;
        } else {
            failsOthers = true;
        }
    }
    if (thirds[0] == p && !failsOthers) {
        return true;  // no triangle has p twice
    }
    for (uint32_t k = 0; k < count; ++k) {
        const TRIANGLE& t = triangles[row[k]];
        if (atP(t) == 1 && (failsOthers || (thirds[0] != p && !HasCorner(t, thirds[0])) ||
                            (thirds[1] != p && !HasCorner(t, thirds[1])))) {
            return false;
        }
    }
    return true;
}

bool SidesOppositeByEdges(const TRIANGLE* triangles, const T3DEDGE* edges, uint32_t edgeCount,
                          const IncidenceLists& onEdge, const uint8_t* state)
{
    for (uint32_t e = 0; e < edgeCount; ++e) {
        if (!EdgeRunOpposite(triangles, edges[e], onEdge.Row(e), onEdge.Count(e), state)) {
            return false;
        }
    }
    return true;
}

// ListSameWaySides edge by edge: a side is listed when a triangle having it
// meets another with both its end points and no side run opposite, that is
// when its edge fails the test above. False without the edges or memory.
bool ListSameWaySidesByEdges(const TRIANGLE* triangles, MeshTopology& topology, LocationList& where)
{
    uint32_t edgeCount = 0;
    const T3DEDGE* edges = topology.Edges(edgeCount);
    const IncidenceLists& onEdge = topology.EdgeTriangles();
    if (topology.Status() != 0) {
        return false;
    }
    const auto fails = [&](uint32_t e) {
        return !EdgeRunOpposite(triangles, edges[e], onEdge.Row(e), onEdge.Count(e), nullptr);
    };
    std::size_t n = 0;
    for (uint32_t e = 0; e < edgeCount; ++e) {
        n += fails(e) ? 1 : 0;
    }
    uint64_t* keys = AllocateArray<uint64_t>(n);
    if (keys == nullptr) {
        return false;
    }
    std::size_t filled = 0;
    for (uint32_t e = 0; e < edgeCount && filled < n; ++e) {
        if (fails(e)) {
            keys[filled++] = static_cast<uint64_t>(edges[e].first) << 32 | edges[e].second;
        }
    }
    std::sort(keys, keys + n);
    for (std::size_t i = 0; i < n; ++i) {
        where.Add(static_cast<uint32_t>(keys[i] >> 32), static_cast<uint32_t>(keys[i]));
    }
    Free(keys);
    return true;
}

// The walk's reorientation where a triangle repeats a point, read edge by
// edge (EdgeWalk.h): each triangle flipped or kept exactly as the walk over
// the neighbour rows leaves it, then the flipped copy judged edge by edge.
Verdict OrientableByEdgeWalk(const MeshRecord& mesh, MeshTopology& topology)
{
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    SideEdges sides;
    if (sides.Build(topology, triangles, triangleCount) != 0) {
        return Verdict::Undecided;
    }
    uint8_t* state = AllocateZeroedArray<uint8_t>(triangleCount);
    uint32_t* queue = AllocateArray<uint32_t>(triangleCount);
    uint8_t* spent = AllocateZeroedArray<uint8_t>(sides.EdgeCount());
    Verdict verdict = Verdict::Undecided;
    if (state != nullptr && queue != nullptr && spent != nullptr) {
        // Its seeds are the component walk's, so it counts the components
        // on the way (MeshTopology::WalkGroups).
        uint32_t seeds = 0;
        WalkByEdges(
            sides, triangleCount, state, queue, spent, [&seeds](uint32_t) {
                ++seeds;
                return uint8_t{kKept};
            },
            [&](uint32_t t, uint32_t u) {
                return HaveOppositeEdge(Oriented(triangles[t], state[t]), triangles[u]) ? uint8_t{kKept}
                                                                                         : uint8_t{kFlipped};
            });
        topology.KeepWalkGroups(seeds);
        verdict = SidesOppositeByEdges(triangles, sides.Edges(), sides.EdgeCount(), sides.Triangles(), state)
                      ? Verdict::Orientable
                      : Verdict::NotOrientable;
    }
    Free(spent);
    Free(queue);
    Free(state);
    return verdict;
}

}  // namespace

bool HaveOppositeEdge(const TRIANGLE& t, const TRIANGLE& u)
{
    const uint32_t tc[3] = {t.a, t.b, t.c};
    const uint32_t uc[3] = {u.a, u.b, u.c};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (tc[i] == uc[(j + 1) % 3] && tc[(i + 1) % 3] == uc[j]) {
                return true;
            }
        }
    }
    return false;
}

// The answer of IsOriented, by whichever lists the topology has.
static bool OrientedAsGiven(const MeshRecord& mesh, MeshTopology& topology)
{
    if (CheckRecord(mesh) != 0) {
        return false;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;
    if (topology.HasTriangleNeighbours() && topology.TriangleCount() == triangleCount) {
        return AllNeighboursOpposite(triangles, triangleCount, topology.TriangleNeighbours());
    }
    if (!topology.NeighbourListsAffordable()) {
        // Around a point that many triangles repeat, every side (p, p) meets
        // every triangle at p: pair by pair, that is quadratic.
        uint32_t edgeCount = 0;
        const T3DEDGE* edges = topology.Edges(edgeCount);
        const IncidenceLists& onEdge = topology.EdgeTriangles();
        if (topology.Status() == 0) {
            return SidesOppositeByEdges(triangles, edges, edgeCount, onEdge, nullptr);
        }
    }
    const IncidenceLists& pointTriangles = topology.VertexTriangles();
    if (topology.Status() != 0 || topology.PointCount() != pointCount ||
        topology.TriangleCount() != triangleCount) {
        return false;
    }
    return AllSharedEdgesOpposite(triangles, triangleCount, pointCount, pointTriangles);
}

bool IsOrientedInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    const bool oriented = OrientedAsGiven(mesh, topology);
    if (where == nullptr || oriented) {
        return oriented;
    }
    if (!topology.NeighbourListsAffordable() && mesh.triangles != nullptr) {
        if (!ListSameWaySidesByEdges(mesh.triangles, topology, *where)) {
            where->MarkFailed();
        }
        return false;
    }
    // A mesh the test refuses has the topology built; the neighbour lists
    // find every pair the test would stop at.
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    if (topology.Status() == 0 && topology.TriangleCount() == mesh.triangleCount &&
        mesh.triangles != nullptr) {
        ListSameWaySides(mesh.triangles, mesh.triangleCount, neighbours, *where);
    }
    return false;
}

bool IsOrientable(const MeshRecord& mesh, MeshTopology& topology)
{
    if (CheckRecord(mesh) != 0) {
        return false;
    }
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (!topology.NeighbourListsAffordable()) {
        Verdict verdict = Verdict::Undecided;
        if (AnyTriangleRepeatsAPoint(triangles, triangleCount)) {
            verdict = OrientableByEdgeWalk(mesh, topology);
        } else {
            uint8_t* parity = AllocateArray<uint8_t>(triangleCount);
            uint32_t* parent = AllocateArray<uint32_t>(triangleCount);
            if (parity != nullptr && parent != nullptr) {
                verdict = OrientableByEdges(mesh, topology, parent, parity);
            }
            Free(parent);
            Free(parity);
        }
        if (verdict != Verdict::Undecided) {
            return verdict == Verdict::Orientable;
        }
    }
    // Without neighbour lists (or the memory for the walk) no triangle can be
    // flipped, and the answer is that of the triangles as they are.
    const IncidenceLists& neighbours = topology.TriangleNeighbours();
    if (topology.Status() != 0 || topology.TriangleCount() != triangleCount) {
        return IsConsistentlyOriented(mesh);
    }
    uint8_t* state = AllocateZeroedArray<uint8_t>(triangleCount);
    uint32_t* queue = AllocateArray<uint32_t>(triangleCount);
    if (state == nullptr || queue == nullptr) {
        Free(queue);
        Free(state);
        return IsConsistentlyOriented(mesh);
    }
    // One pass in triangle order settles most meshes; the walk jumps from
    // row to row across the whole mesh. Its two arrays serve as the sets'.
    if (!AnyTriangleRepeatsAPoint(triangles, triangleCount)) {
        const Verdict verdict =
            OrientableByRelations(triangles, triangleCount, neighbours, queue, state, topology);
        if (verdict != Verdict::Undecided) {
            Free(queue);
            Free(state);
            return verdict == Verdict::Orientable;
        }
        for (uint32_t t = 0; t < triangleCount; ++t) {
            state[t] = kUnreached;
        }
    }
    // A breadth-first reorientation, kept as a flip mark per triangle instead
    // of a copy of the triangles. Every triangle is fixed when first reached
    // and never changes after, so when t leaves the queue t and each of its
    // neighbours are final: the pair can be judged right there, and the
    // first pair that does not run a common edge opposite settles the answer.
    // Each triangle enters the queue once, so the queue is a flat array.
    bool orientable = true;
    for (uint32_t seed = 0; seed < triangleCount && orientable; ++seed) {
        if (state[seed] != kUnreached) {
            continue;
        }
        state[seed] = kKept;
        uint32_t head = 0;
        uint32_t tail = 0;
        queue[tail++] = seed;
        while (head < tail && orientable) {
            const uint32_t t = queue[head++];
            const TRIANGLE fixed = Oriented(triangles[t], state[t]);
            const uint32_t* row = neighbours.Row(t);
            const uint32_t count = neighbours.Count(t);
            for (uint32_t k = 0; k < count; ++k) {
                const uint32_t u = row[k];
                if (state[u] == kUnreached) {
                    state[u] = HaveOppositeEdge(fixed, triangles[u]) ? kKept : kFlipped;
                    queue[tail++] = u;
                }
                if (!HaveOppositeEdge(fixed, Oriented(triangles[u], state[u]))) {
                    orientable = false;
                    break;
                }
            }
        }
    }
    Free(queue);
    Free(state);
    return orientable;
}

bool IsConsistentlyOriented(const MeshRecord& record)
{
    if (CheckRecord(record) != 0) {
        return false;
    }
    const TRIANGLE* triangles = record.triangles;
    const uint32_t pointCount = record.pointCount;
    const uint32_t triangleCount = record.triangleCount;
    // Point-to-triangle lists of the record itself, packed in three passes:
    // count the corners per point, lay out the rows, fill. A corner not
    // below pointCount has no row and is left out.
    IncidenceLists pointTriangles;
    if (!AllocateRows(pointTriangles, pointCount)) {
        return false;
    }
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const uint32_t corners[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
        for (uint32_t c : corners) {
            if (c < pointCount) {
                CountEntry(pointTriangles, c);
            }
        }
    }
    bool oriented = false;
    if (LayOutRows(pointTriangles, pointCount, 3 * static_cast<uint64_t>(triangleCount))) {
        for (uint32_t t = 0; t < triangleCount; ++t) {
            const uint32_t corners[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
            for (uint32_t c : corners) {
                if (c < pointCount) {
                    Append(pointTriangles, c, t);
                }
            }
        }
        oriented = AllSharedEdgesOpposite(triangles, triangleCount, pointCount, pointTriangles);
    }
    ReleaseLists(pointTriangles);
    return oriented;
}

}  // namespace meshaudit
