// The arrangement of one plane's worth of triangles: a cluster of input
// triangles that lie in one plane and overlap or touch (or a single
// triangle), with the cuts other triangles make on them, split into pieces
// that meet only along whole edges and at corners.
//
// The cluster's triangle edges and its cuts are segments in the plane;
// every crossing of two is constructed exactly from input points (two
// edges: SegmentLinePoint; an edge and a cut: the edge through the cutting
// triangle's plane; two cuts: the three planes), every segment is split at
// every point on it, and the points and split segments are triangulated
// together (ConstrainedTriangulation), in the projection of the plane on
// the coordinate plane across its normal's largest component. A piece
// belongs to each cluster triangle that holds it, so the overlap of two
// triangles is the same pieces (the same point ids) in both: coincident
// pieces, each oriented like its own triangle.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/PointRegistry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// A cut on a cluster triangle: the segment from point `from` to point `to`
// (ids; equal for a single point) where the triangle meets another that is
// not in its plane, whose three corners are `plane`.
struct Cut {
    uint32_t from;
    uint32_t to;
    T3DVECF plane[3];
    uint32_t planeIds[3];  // the ids of `plane`'s corners, for the recipes of crossings
};

struct ClusterTriangle {
    uint32_t ids[3];    // corner ids
    T3DVECF corners[3];
};

// Arranges `triangles` (at least one; all in one plane, none with collinear
// corners) with `cuts` (all on them), registering the crossing points in
// `registry`. pieces[k] receives the pieces of triangles[k], oriented like
// it (as point ids). Returns false when the triangulation fails (broken
// preconditions), leaving `pieces` undefined.
//
// A segment is split at its crossings with the others and at every other
// point in its interior. Such a point that is not a crossing is an end of
// another segment or a lone contact point; a crossing of two other
// segments in its interior is a crossing of its own with one of them, so
// by default only the ends and lone points are tested against each
// segment. `everyPoint` true tests every point instead and makes every
// comparison without the points' recipes (ExactPoint.h): the plain form,
// for the tests; the result is the same.
bool ArrangePlane(const WorkArray<ClusterTriangle>& triangles, const WorkArray<Cut>& cuts,
                  PointRegistry& registry, WorkArray<WorkArray<std::array<uint32_t, 3>>>& pieces,
                  bool everyPoint = false);

}  // namespace meshaudit::arrangement
