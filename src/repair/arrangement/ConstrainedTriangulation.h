// A constrained triangulation of exact points in a coordinate-plane
// projection: points inserted one by one into a triangle that contains them
// all, then constraint segments made edges by flipping the edges that cross
// them (Sloan's algorithm: an edge crossing the segment whose quadrilateral
// is strictly convex is flipped, any other waits its turn; some crossing
// edge is always flippable, so the loop ends). Every decision is an exact
// orientation (ExactPoint's Orient2D). No exact Delaunay criterion: any
// triangulation with the constraints serves. The in-circle test on rounded
// coordinates only chooses among valid flips (validity is decided
// exactly): as each point goes in, and in ImproveShapes.
//
// Triangles with the enclosing triangle's corners are part of the result;
// the caller drops them. Constraint segments must not cross each other
// and must hold no point in their interior: the caller splits them at every
// crossing and every point on them first (PlanarArrangement.h).
#pragma once

#include "containers/FlatMap.h"
#include "containers/WorkArray.h"
#include "repair/arrangement/ExactPoint.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit::arrangement {

class ConstrainedTriangulation {
public:
    // Over `points` (the caller's, outliving this), projected on axes
    // (i, j); the triangulation starts as the one triangle of points a, b,
    // c, counterclockwise in the projection, which must strictly contain
    // every point inserted.
    ConstrainedTriangulation(const WorkArray<ExactPoint>& points, int i, int j, uint32_t a, uint32_t b,
                             uint32_t c);

    // Starts again as the constructor does, over the same points (which may
    // have changed), keeping the arrays' room: a triangulation per cluster
    // of a mesh's triangles would otherwise allocate them all each time.
    void Reset(int i, int j, uint32_t a, uint32_t b, uint32_t c);

    // Inserts point p (an index into the points). False when no triangle
    // holds it (it is outside the start triangle); a point equal to a
    // vertex already there changes nothing. Points go in before any
    // segment. The triangle that held p is split; with `flip`, the edges
    // opposite p that then fail the circle test are flipped (Lawson's
    // insertion). The result does not depend on where the search for p's
    // triangle starts: a point on an edge splits the two triangles from
    // the one in the lower slot.
    bool InsertPoint(uint32_t p, bool flip = false);
    // Inserts points first to end - 1 in order. Below kFlipFrom points, as
    // InsertPoint(p) does each: a few points make short walks. From
    // kFlipFrom on, as InsertPoint(p, true) does each, with the same
    // result, the search for each starting beside the point inserted last
    // in its cell of a grid over them: without flips the triangles grow long
    // and thin, and a walk from the last one made crossed about the square
    // root of their number (300,000 points on one face: 45 % of the time).
    bool InsertPoints(uint32_t first, uint32_t end);
    static constexpr uint32_t kFlipFrom = 64;

    // Makes the segment a b an edge. False only when the flips do not settle
    // within a generous bound, which the caller reports as a failure (the
    // preconditions were broken).
    bool InsertSegment(uint32_t a, uint32_t b);

    // Improves the shape of the triangles: flips every edge that is not a
    // constraint (InsertSegment's segments) and whose two triangles form a
    // strictly convex quadrilateral, when the far corner lies inside the
    // circumcircle of the other triangle, until none does or `maxFlips`
    // flips were made. The circle test is made on the rounded coordinates:
    // it only chooses among valid triangulations (whether a flip is valid
    // is decided exactly), so its rounding never makes the result wrong,
    // and the bound ends the loop whatever it answers. Slivers would turn
    // over under the rounding of their corners.
    //
    // The edges are taken as passes over the triangle slots in order would
    // take them, pass after pass until one flips nothing, and the result is
    // that of those passes flip for flip; but an edge's answer changes only
    // when a flip replaces its triangle or the one across it, so only the
    // edges of the two flipped triangles and of their four neighbours are
    // looked at again: time about the flips' count times its logarithm,
    // where the passes took the number of passes times the triangles. When
    // the passes would run in a cycle up to the bound, the repeats are
    // skipped (see the source).
    void ImproveShapes(size_t maxFlips);

    // The same by the plain passes over every slot: the reference that
    // ImproveShapes must match, for the tests.
    void ImproveShapesByPasses(size_t maxFlips);

    // The triangles, each counterclockwise in the projection.
    WorkArray<std::array<uint32_t, 3>> Triangles() const;
    // The same into `out` (emptied first).
    void Triangles(WorkArray<std::array<uint32_t, 3>>& out) const;

private:
    int Orient(uint32_t a, uint32_t b, uint32_t c) const
    {
        return Orient2D(points_[a], points_[b], points_[c], i_, j_);
    }
    static uint64_t EdgeKey(uint32_t a, uint32_t b) { return (static_cast<uint64_t>(a) << 32) | b; }
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c);
    void RemoveTriangle(uint32_t t);
    // The triangle with directed edge a b, or -1.
    int64_t TriangleOf(uint32_t a, uint32_t b) const;
    bool Crosses(uint32_t a, uint32_t b, uint32_t c, uint32_t d) const;
    // Whether triangle t holds p (closed); side[k] is the orientation of p
    // against edge k, and `outside` the first edge with p strictly beyond.
    bool Holds(uint32_t t, uint32_t p, int* side, int& outside) const;
    // Gathers the edges that segment a b crosses, walking from a to b; false
    // when the walk cannot be made (then the caller scans every edge).
    bool CrossingEdges(uint32_t a, uint32_t b, WorkArray<std::pair<uint32_t, uint32_t>>& crossing) const;
    // A triangle that holds p, with the sides of p, or -1; the walk starts
    // at triangle `start` (last_ when it is not a live one).
    int64_t Locate(uint32_t p, int* side, uint32_t start) const;
    // InsertPoint with the walk from `start`.
    bool InsertPointFrom(uint32_t p, uint32_t start, bool flip);
    // Flips the edges opposite p that fail the circle test, from the
    // triangles in legalize_ on (Lawson's insertion): the triangulation stays
    // near Delaunay as points go in, and the walks that find each point's
    // triangle stay short.
    void LegalizeAround(uint32_t p);
    // Whether c d is a constraint; constraints_ sorted first.
    bool IsConstraint(uint32_t c, uint32_t d) const;
    // ImproveShapes' test of edge k of live triangle t: flips it when the
    // far corner across lies inside the circle and the quadrilateral is
    // strictly convex, then returns the slot of the triangle that was
    // across (now holding the other new triangle; t holds one), with what
    // it held in `wasAcross`, else -1.
    int64_t FlipIfInCircle(uint32_t t, int k, std::array<uint32_t, 3>& wasAcross);

    const WorkArray<ExactPoint>& points_;
    int i_;
    int j_;
    WorkArray<std::array<uint32_t, 3>> triangles_;
    WorkArray<bool> alive_;
    WorkArray<uint32_t> free_;
    uint32_t last_ = 0;  // the triangle made last, where a walk starts
    WorkArray<int64_t> around_;  // per point, a triangle made with it last
    // InsertPoints' grid: per cell, the point inserted there last.
    WorkArray<uint32_t> cells_;
    // LegalizeAround's triangles to test.
    WorkArray<uint32_t> legalize_;
    // InsertSegment's queue of crossed edges, kept from one call to the next.
    WorkArray<std::pair<uint32_t, uint32_t>> crossing_;
    FlatMap<uint64_t, IdHash> edges_;              // directed edge -> its triangle
    WorkArray<uint64_t> constraints_;              // EdgeKey(min, max), unsorted
};

}  // namespace meshaudit::arrangement
