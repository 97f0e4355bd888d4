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

#include "containers/FlatMap.h"
#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/BoxPairs.h"
#include "repair/arrangement/ConstrainedTriangulation.h"
#include "repair/arrangement/PointRegistry.h"

#include <array>
#include <cstdint>
#include <utility>
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
//
// One arranger serves cluster after cluster, keeping its working arrays
// (points, segments, the triangulation) from one to the next: a mesh has
// a cluster for each triangle in contact, and making them afresh for each
// cost more than arranging most of them.
class PlaneArranger {
public:
    PlaneArranger(PointRegistry& registry, bool everyPoint);

    // pieces[k] (for k below triangles.size(); `pieces` grows to that and
    // keeps the room of its entries) receives the pieces of triangles[k].
    bool Arrange(const WorkArray<ClusterTriangle>& triangles, const WorkArray<Cut>& cuts,
                 WorkArray<WorkArray<std::array<uint32_t, 3>>>& pieces);

private:
    // A segment of the plane: a triangle edge (its line through input
    // points line[0], line[1]) or a cut (the plane of line[0..2] meeting
    // the cluster's), between local points a and b, with the points found
    // on it.
    struct PlaneSegment {
        uint32_t a;
        uint32_t b;
        bool edge;
        T3DVECF line[3];
        uint32_t planeIds[3];  // a cut's: the ids of line[0..2]
        WorkArray<uint32_t> on;
    };

    uint32_t Local(uint32_t id);
    void AddSegment(uint32_t from, uint32_t to, bool edge, const T3DVECF* line, const uint32_t* planeIds);
    Interval Coord(uint32_t p, int axis) const { return CoordinateInterval(points_[p], axis); }
    // The box of local points a and b in the projection (its third axis 0):
    // segments and points are compared exactly only where boxes meet.
    Box BoxOf(uint32_t a, uint32_t b) const;
    // From the segments' boxes in boxes_: segmentPairs_, the pairs of
    // segments whose boxes meet, ascending; pointPairs_, each segment with
    // each of the first `ends` points whose box meets its own, ascending.
    void FindNearPairs(uint32_t ends);
    // Sorts the points on s along it from a to b, once each.
    void SortAlong(PlaneSegment& s, int axis) const;
    bool ProperlyCross(const PlaneSegment& s, const PlaneSegment& t) const;
    ExactPoint Crossing(const PlaneSegment& s, const PlaneSegment& t) const;
    bool InInterior(const PlaneSegment& s, uint32_t p, int axis) const;
    int Orient(uint32_t a, uint32_t b, uint32_t c) const { return Orient2D(points_[a], points_[b], points_[c], i_, j_); }
    int AxisAlong(const PlaneSegment& s) const
    {
        return CompareCoordinate(points_[s.a], points_[s.b], i_) != 0 ? i_ : j_;
    }

    PointRegistry& registry_;
    bool plain_;
    const WorkArray<ClusterTriangle>* triangles_ = nullptr;
    int i_ = 0;
    int j_ = 1;
    WorkArray<ExactPoint> points_;
    WorkArray<uint32_t> ids_;
    FlatMap<uint32_t, IdHash> local_;
    // The first segmentCount_ are this cluster's; those beyond keep their
    // room for the next.
    WorkArray<PlaneSegment> segments_;
    size_t segmentCount_ = 0;
    // Segments from which pairs come from a search of their boxes.
    static constexpr size_t kSearchedFrom = 48;
    WorkArray<Box> boxes_;
    WorkArray<Box> pointBoxes_;  // the points' own, for the plain loops
    WorkArray<std::pair<uint32_t, uint32_t>> segmentPairs_;
    WorkArray<std::pair<uint32_t, uint32_t>> pointPairs_;
    ConstrainedTriangulation triangulation_;
    WorkArray<std::array<uint32_t, 3>> found_;
    WorkArray<std::array<uint32_t, 3>> corners_;
    WorkArray<int> turn_;
};

}  // namespace meshaudit::arrangement
