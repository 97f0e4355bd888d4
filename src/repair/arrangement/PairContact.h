// What two triangles of an arrangement round have in common, beyond the
// points they share by index. Triangles are given by their corners and
// their corner ids (ids of exactly equal points already made one); both
// must have three distinct ids and corners that are not collinear.
//
//   None      nothing beyond shared corners and a shared edge: the pair
//             is already part of a proper complex;
//   Coplanar  they lie in one plane and meet in more than their shared
//             corners (overlap, touch along a part of an edge, or cross):
//             both are to be arranged together, in one planar arrangement;
//   Point     they meet in one point, `from`, that is not a shared corner;
//   Segment   they meet along the segment from `from` to `to` (distinct
//             points), which is not a shared edge.
//
// All decisions are exact (orientations of input points); the points are
// built from input points by Constructions.h, and an input corner comes
// back with its id set, a crossing with its recipe (ExactPoint.h) set from
// the ids given.
#pragma once

#include "meshaudit.h"
#include "repair/arrangement/ExactPoint.h"
#include "repair/arrangement/PointRegistry.h"

namespace meshaudit::arrangement {

struct PairContact {
    enum class Kind { None, Coplanar, Point, Segment };
    Kind kind = Kind::None;
    ExactPoint from;
    ExactPoint to;
};

// `t` and `u` point at three corners each, `tIds` and `uIds` at their ids.
// `known` (may be null, the default) is the registry the points go to: a
// crossing it holds by recipe (PointRegistry::Known) is not built again,
// and comes back with only its id and recipe set, which is all its Add
// reads. `byAngles` (default false): a pair that shares one point is first
// asked whether it meets beyond it at all (MeetBeyond.h), which takes a few
// orientations where the classification itself may build points; the
// answer is the same either way.
PairContact FindPairContact(const T3DVECF* t, const uint32_t* tIds, const T3DVECF* u, const uint32_t* uIds,
                            const PointRegistry* known = nullptr, bool byAngles = false);

}  // namespace meshaudit::arrangement
