// A point of the arrangement, exactly: either an input point (its three
// doubles, taken as they are) or a constructed one, kept as homogeneous
// dyadic coordinates (x, y, z, w), w > 0, standing for (x/w, y/w, z/w).
// Constructed points are built from input points only (Constructions.h),
// so their sizes stay bounded. Each carries its coordinates rounded to the
// nearest double (ties to even), which are the coordinates the output gets,
// the key under which equal points are found, and the centre of the
// intervals that filter every comparison: the exact coordinate is within
// half a unit in the last place of the rounded one, so inside the interval
// from the double below it to the double above it.
#pragma once

#include "meshaudit.h"
#include "repair/arrangement/Dyadic.h"
#include "repair/arrangement/Interval.h"

#include <cstdint>

namespace meshaudit::arrangement {

inline constexpr uint32_t kNoId = 0xFFFFFFFFu;

struct ExactPoint {
    double rounded[3] = {0.0, 0.0, 0.0};
    // Whether `rounded` is the exact point (an input point); x, y, z, w
    // are then unused.
    bool input = true;
    // The point's id when it is known to be one already (an input point),
    // else kNoId.
    uint32_t id = kNoId;
    // What a constructed point was made from, as ids of input points
    // (kNoId where not known): it lies exactly on the line through the two
    // points of each entry of `lines`, and it is where the segment between
    // the points of lines[0] meets the plane of the three points of `plane`
    // (sorted) when that is set. Most exact comparisons that the intervals
    // cannot decide are of points on a triangle's edge against that edge,
    // or of one crossing reached from both triangles of an edge: these ids
    // settle them without big integers.
    uint32_t lines[2][2] = {{kNoId, kNoId}, {kNoId, kNoId}};
    uint32_t plane[3] = {kNoId, kNoId, kNoId};
    Dyadic x[3];
    Dyadic w;
};

// Records in constructed point `p` that it lies on the line through input
// points a and b (ids), in the first free entry of p.lines (none left:
// nothing recorded), and, when `planeIds` is not null, that it is where
// segment a b meets the plane of those three input points.
void SetRecipe(ExactPoint& p, uint32_t a, uint32_t b, const uint32_t* planeIds);

// Forgets what `p` was made from (the plain form of the comparisons, for
// the tests).
void ClearRecipe(ExactPoint& p);

// An input point as it is, with its id (kNoId when it has none).
ExactPoint InputPoint(const T3DVECF& p, uint32_t id);

// The point (x/w, y/w, z/w) for w != 0 (the caller's to ensure), with its
// rounded coordinates; signs are flipped as needed so that w > 0.
ExactPoint HomogeneousPoint(Dyadic x, Dyadic y, Dyadic z, Dyadic w);

// The double nearest to num/den (ties to even), den > 0. Exact: 128-bit
// bounds on the quotient from the mantissas' top bits decide it when both
// round to one normal double; otherwise an estimate is corrected by exact
// comparisons with the midpoints between neighbouring doubles.
double RoundQuotient(const Dyadic& num, const Dyadic& den);

// Coordinate `axis` (0, 1, 2) of a point as a fraction: numerator and
// denominator (1 for input points).
Dyadic Numerator(const ExactPoint& p, int axis);
Dyadic Denominator(const ExactPoint& p);

// An interval sure to hold coordinate `axis`.
inline Interval CoordinateInterval(const ExactPoint& p, int axis)
{
    const double v = p.rounded[axis];
    return p.input ? Interval::Point(v) : Interval{Down(v), Up(v)};
}

// -1, 0, +1 as coordinate `axis` of a is below, equal to, above that of b.
int CompareCoordinate(const ExactPoint& a, const ExactPoint& b, int axis);

// Whether a and b are the same point.
bool SamePoint(const ExactPoint& a, const ExactPoint& b);

// The orientation of a, b, c projected on the coordinate axes (i, j),
// exact: +1 when they turn counterclockwise in the (i, j) plane, -1
// clockwise, 0 collinear.
int Orient2D(const ExactPoint& a, const ExactPoint& b, const ExactPoint& c, int i, int j);

}  // namespace meshaudit::arrangement
