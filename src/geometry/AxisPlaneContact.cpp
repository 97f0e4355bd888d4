#include "geometry/AxisPlaneContact.h"

#include "geometry/Predicates.h"

#include <algorithm>
#include <cmath>

namespace meshaudit {

int SharedAxisPlane(const T3DVECF* t, const T3DVECF* u)
{
    for (int axis = 0; axis < 3; ++axis) {
        const double v = Coordinates(t[0])[axis];
        // u's first corner first: for a pair in no such plane this is
        // nearly always the one comparison made on the axis.
        if (Coordinates(u[0])[axis] == v && Coordinates(t[1])[axis] == v && Coordinates(t[2])[axis] == v &&
            Coordinates(u[1])[axis] == v && Coordinates(u[2])[axis] == v) {
            return axis;
        }
    }
    return -1;
}

namespace {

// The range that the corners of `t` with coordinate `at` on `axis` span on
// the axis `along` (at least one corner has it).
void SpanOn(const T3DVECF* t, int axis, double at, int along, double& low, double& high)
{
    low = HUGE_VAL;
    high = -HUGE_VAL;
    for (int k = 0; k < 3; ++k) {
        if (Coordinates(t[k])[axis] == at) {
            low = std::min(low, Coordinates(t[k])[along]);
            high = std::max(high, Coordinates(t[k])[along]);
        }
    }
}

}  // namespace

int ContactAtBoxFaces(const T3DVECF* t, const T3DVECF* u, int plane)
{
    for (int axis = 0; axis < 3; ++axis) {
        if (axis == plane) {
            continue;
        }
        const double* t0 = Coordinates(t[0]);
        const double* t1 = Coordinates(t[1]);
        const double* t2 = Coordinates(t[2]);
        const double* u0 = Coordinates(u[0]);
        const double* u1 = Coordinates(u[1]);
        const double* u2 = Coordinates(u[2]);
        const double tLow = std::min({t0[axis], t1[axis], t2[axis]});
        const double tHigh = std::max({t0[axis], t1[axis], t2[axis]});
        const double uLow = std::min({u0[axis], u1[axis], u2[axis]});
        const double uHigh = std::max({u0[axis], u1[axis], u2[axis]});
        if (tHigh < uLow || uHigh < tLow) {
            return 0;
        }
        if (tHigh == uLow || uHigh == tLow) {
            // The line where the face's plane crosses `plane` runs along the
            // third axis; each triangle meets it in the span of its corners
            // there.
            const double at = tHigh == uLow ? tHigh : uHigh;
            const int along = 3 - plane - axis;
            double tFrom = 0.0;
            double tTo = 0.0;
            double uFrom = 0.0;
            double uTo = 0.0;
            SpanOn(t, axis, at, along, tFrom, tTo);
            SpanOn(u, axis, at, along, uFrom, uTo);
            return tFrom <= uTo && uFrom <= tTo ? 1 : 0;
        }
    }
    return -1;
}

}  // namespace meshaudit
