// Exact intersection tests between closed triangles and segments in space.
// Every side-of-plane decision is an exact Orient3D sign and coplanar
// configurations are decided exactly in a 2D projection (Classify2D.h), so
// touching counts as intersecting: triangles meeting in a single point or
// along a segment intersect, as do overlapping coplanar triangles.
//
// A segment is two consecutive T3DVECF, a triangle three. Results are '1'
// (intersecting) or '0' (apart).
//
// Undefined projections: when a triangle's normal has a NaN component
// (ProjectionAxis gives '?', only possible with NaN or infinite coordinates)
// the coplanar and the end-point-on-plane branches of SegTriIntersect answer
// '0'. A NaN corner makes every orientation against the triangle 0, so such a
// triangle never reports a crossing of its own plane.
//
// NaN elsewhere: a segment end with a NaN coordinate is "on" every plane and
// line (its orientations are 0); against a finite, non-degenerate triangle it
// is therefore taken as lying on the triangle's boundary and the segment
// reports '1' when its other end is off the plane. Hosts see NaN points
// through "point::CountNAN".
//
// Zero-area triangles: every point is coplanar with a triangle of collinear
// corners, so every segment takes the coplanar branch and is decided in the
// projection along 'x' (or the axis the rounded normal picks) by the
// triangle's edges; configurations apart along the dropped axis can
// therefore report '1'.
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// Closed segment (p, q) against closed triangle (a, b, c):
// 1. both ends on the triangle's plane: 2D test in the triangle's projection;
// 2. both strictly on one side: '0';
// 3. one end on the plane: '1' when that end projects inside or onto the
//    boundary of the projected triangle;
// 4. otherwise the segment crosses the plane strictly, from x (the end on
//    the side the normal (b - a) x (c - a) points to, sign -1) to y (sign
//    +1); it misses the triangle when the directed line x -> y passes
//    strictly outside one of the edges (Orient3D(x, b, a, y) = +1 and so on).
char SegTriIntersect(const T3DVECF* segment, const T3DVECF* triangle);

// Closed triangles t1 = (a, b, c) and t2 = (d, e, f): '1' when an edge of t1
// meets t2, tried in the order (a, b), (b, c), (c, a), or else an edge of t2
// meets t1, in the order (d, e), (e, f), (f, d); '0' otherwise. Two
// triangles intersect exactly when one's edge meets the other, so this
// decides the pair; callers exclude mesh neighbours by index beforehand.
// Two triangles in one plane that a line through an edge of one keeps apart
// in their common projection are answered '0' after a few orientations,
// without the edge tests (the same answer: see CoplanarApart in the source),
// and so is a t1 strictly on one side of t2's plane, when both have moderate
// coordinates and t1 keeps an area in its projection. Two such triangles in
// one plane normal to an axis skip the orientations, all 0, and when both
// have an area there, boxes that touch tell where they meet
// (AxisPlaneContact.h).
char TriTriIntersect(const T3DVECF* t1, const T3DVECF* t2);

// For the tests that compare the two: TriTriIntersect by the edge tests
// alone, as described above, for every pair.
namespace tri_tri_testing {
char ByEdges(const T3DVECF* t1, const T3DVECF* t2);
}  // namespace tri_tri_testing

}  // namespace meshaudit
