// Balls and their tests against points and boxes: the queries of the point
// tree. All tests compare squared distances, so only the square of the radius
// matters and a negative radius acts as its absolute value.
#pragma once

#include "geometry/Aabb.h"
#include "meshaudit.h"

namespace meshaudit {

// A ball: centre, then radius (four consecutive doubles).
struct T3DSPHERE {
    T3DVECF centre;
    double radius;
};

// Squared distance of p from c, summed x, y, z in this order.
inline double SquaredDistance(const T3DVECF& p, const T3DVECF& c)
{
    const double dx = p.x - c.x;
    const double dy = p.y - c.y;
    const double dz = p.z - c.z;
    return dx * dx + dy * dy + dz * dz;
}

// With d the squared distance from p to the centre and r2 the squared radius:
// '0' outside (d > r2), 'r' on the sphere (d = r2), '1' inside (r2 > d), '?'
// when neither holds (a NaN). Callers treat every answer but '0' as inside.
inline char ClassifyPointBall(const T3DVECF& p, const T3DSPHERE& s)
{
    const double d = SquaredDistance(p, s.centre);
    const double r2 = s.radius * s.radius;
    if (d > r2) {
        return '0';
    }
    if (d == r2) {
        return 'r';
    }
    if (r2 > d) {
        return '1';
    }
    return '?';
}

// '0' when the squared distance from the centre to the box exceeds the squared
// radius, '1' otherwise (the box may hold points of the ball).
inline char BoxMeetsBall(const C3DAABB& box, const T3DSPHERE& s)
{
    const T3DVECF& c = s.centre;
    double d = 0.0;
    // The two tests of an axis are independent: for a proper box at most one
    // holds, for an empty box both do and the box is far from everything.
    if (box.min.x > c.x) {
        d += (box.min.x - c.x) * (box.min.x - c.x);
    }
    if (c.x > box.max.x) {
        d += (c.x - box.max.x) * (c.x - box.max.x);
    }
    if (box.min.y > c.y) {
        d += (box.min.y - c.y) * (box.min.y - c.y);
    }
    if (c.y > box.max.y) {
        d += (c.y - box.max.y) * (c.y - box.max.y);
    }
    if (box.min.z > c.z) {
        d += (box.min.z - c.z) * (box.min.z - c.z);
    }
    if (c.z > box.max.z) {
        d += (c.z - box.max.z) * (c.z - box.max.z);
    }
    return d > s.radius * s.radius ? '0' : '1';
}

namespace detail {

// The larger of two squared differences, ignoring a NaN one (NaN when both
// are NaN).
inline double FartherSquare(double a, double b)
{
    return (b > a || a != a) ? b : a;
}

}  // namespace detail

// '1' when none of the eight corners of the box lies outside the ball ('0' by
// ClassifyPointBall), '0' otherwise.
//
// Rather than classifying the eight corners, this classifies the farthest
// one: rounded subtraction, squaring and addition are monotonic, so the corner
// that takes the larger squared difference on every axis has the largest
// rounded distance, and some corner is outside exactly when that one is. A
// NaN difference makes its corners '?' (never outside), so it is passed over
// in favour of the other bound of its axis.
inline char BoxInsideBall(const C3DAABB& box, const T3DSPHERE& s)
{
    const T3DVECF& c = s.centre;
    const double ax = box.min.x - c.x;
    const double bx = box.max.x - c.x;
    const double ay = box.min.y - c.y;
    const double by = box.max.y - c.y;
    const double az = box.min.z - c.z;
    const double bz = box.max.z - c.z;
    const double d = detail::FartherSquare(ax * ax, bx * bx) + detail::FartherSquare(ay * ay, by * by) +
                     detail::FartherSquare(az * az, bz * bz);
    return d > s.radius * s.radius ? '0' : '1';
}

}  // namespace meshaudit
