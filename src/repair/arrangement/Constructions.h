// The intersection points of the arrangement, constructed exactly from
// input points only, never from other constructed points, so that their
// sizes stay bounded (numerators of degree at most 7 in the coordinates):
//   - a segment of input points crossing the plane of three input points;
//   - a segment crossing a coplanar line of two input points (in the common
//     plane, by the orientations in a projection);
//   - the common point of three planes, each through three input points.
// Each one's arguments must meet in one point (the segment crosses the plane
// or line, the planes' normals are independent): the callers have decided
// that with exact orientations before.
#pragma once

#include "meshaudit.h"
#include "repair/arrangement/ExactPoint.h"

namespace meshaudit::arrangement {

// det(a - d, b - d, c - d) exactly: the value of the library's Orient3D.
Dyadic Orient3DExact(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& d);

// (a - c) x (b - c) on the coordinate axes (i, j), exactly: the value of
// Orient2D in that projection.
Dyadic Orient2DExact(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, int i, int j);

// The point where segment p q meets the plane of a, b, c. p and q must lie
// strictly on opposite sides of it.
ExactPoint SegmentPlanePoint(const T3DVECF& p, const T3DVECF& q, const T3DVECF& a, const T3DVECF& b,
                             const T3DVECF& c);

// Orient3DExact(a, b, c, points[k]) into out[k] for the k < count with
// wanted[k] set, the plane's normal formed once: the value is
// ((b - a) x (c - a)) . (a - p).
void PlaneValues(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF* points, const bool* wanted,
                 int count, Dyadic* out);

// The point where segment p q meets a plane, from the Orient3DExact values
// dp, dq of its ends against it, of opposite signs.
ExactPoint SegmentPlanePoint(const T3DVECF& p, const T3DVECF& q, const Dyadic& dp, const Dyadic& dq);

// A box sure to hold SegmentPlanePoint(p, q, a, b, c) (same preconditions),
// coordinate k in box[k], from interval arithmetic in doubles: always within
// the segment's own box, and as a rule a few units in the last place wide.
// Orders such points without building them.
void SegmentPlaneBox(const T3DVECF& p, const T3DVECF& q, const T3DVECF& a, const T3DVECF& b, const T3DVECF& c,
                     Interval* box);

// The point where segment p q meets the line r s, all four in one plane
// that projects one to one on the axes (i, j); p and q must lie strictly on
// opposite sides of the line.
ExactPoint SegmentLinePoint(const T3DVECF& p, const T3DVECF& q, const T3DVECF& r, const T3DVECF& s, int i,
                            int j);

// The common point of three planes, planes[3 * k .. 3 * k + 2] being three
// points of plane k; their normals must be linearly independent.
ExactPoint ThreePlanePoint(const T3DVECF* planes);

}  // namespace meshaudit::arrangement
