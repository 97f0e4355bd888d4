// The triangles that fill one border loop.
#pragma once

#include "repair/pipeline/HoleLoops.h"
#include "containers/WorkArray.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

// The edges and triangles of the mesh among the places of the loops'
// points, which a fill must not repeat: a new side on an existing edge
// would give it a third triangle, a new triangle on an existing one a
// two-sided sheet. By place (Places()), where points share one: a copy
// of a point is no way round either.
struct Existing {
    WorkArray<uint64_t> edges;                    // smaller place << 32 | larger, sorted
    WorkArray<std::array<uint32_t, 3>> triangles; // places ascending, sorted
    WorkArray<uint32_t> place;                    // per point; empty when each is its own

    uint32_t Place(uint32_t p) const { return place.empty() ? p : place[p]; }
    bool HasEdge(uint32_t u, uint32_t v) const
    {
        return std::binary_search(edges.begin(), edges.end(), EdgeKey(Place(u), Place(v)));
    }
    bool HasTriangle(uint32_t u, uint32_t v, uint32_t w) const
    {
        std::array<uint32_t, 3> key{Place(u), Place(v), Place(w)};
        std::sort(key.begin(), key.end());
        return std::binary_search(triangles.begin(), triangles.end(), key);
    }
    static uint64_t EdgeKey(uint32_t u, uint32_t v)
    {
        return u < v ? (uint64_t{u} << 32) | v : (uint64_t{v} << 32) | u;
    }
};

// Triangles over the loop's points that cover it, each running the loop's
// edges the loop's way, none of zero area (exact test) and none repeating
// an edge or a triangle of `existing`. Among such triangulations it prefers the one whose largest
// dihedral angle (between two new triangles, or a new triangle and the
// mesh triangle across a loop edge) is smallest, then the one of least
// area: exactly, by the minimum-weight dynamic programme, for a loop of up
// to `exactEdges` edges (time in the cube of the length); a longer loop is
// first cut down to that length by clipping the ear of least weight, one
// at a time (n log n). Empty when no such triangulation is found.
//
// The programme skips a candidate whose parts alone weigh more than the
// choice so far (Candidates::Pruned); Candidates::Every weighs every one,
// the plain form the tests compare it with.
enum class Candidates { Pruned, Every };
WorkArray<TRIANGLE> TriangulateLoop(const WorkMesh& mesh, const WorkArray<LoopCorner>& loop,
                                      const Existing& existing, uint32_t exactEdges,
                                      Candidates candidates = Candidates::Pruned);

// Fills of several loops at once (step 8, and the rims step 5 cuts open).
// A loop's fill is kept only when none of its triangles meets a triangle of
// the mesh, other than those `leaving` marks (by triangle; empty for none),
// which the caller is about to remove, or a triangle of another loop's fill:
// the exact test, triangles that share a point index excepted.
struct LoopFill {
    WorkArray<TRIANGLE> triangles;  // empty unless the outcome is Filled
    HoleOutcome outcome = HoleOutcome::Filled;
};
WorkArray<LoopFill> FillLoops(WorkMesh& mesh, const WorkArray<WorkArray<LoopCorner>>& loops,
                              uint32_t exactHoleEdges, const WorkArray<uint8_t>& leaving);

}  // namespace meshaudit::pipeline
