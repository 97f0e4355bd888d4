// The coordinate plane a triangle's plane is projected on for its 2D
// decisions: the one across the largest component of its normal, so that
// the projection is one to one on the plane (a nonzero component is all
// that exactness needs; the largest keeps the projected shapes least
// distorted, for the triangulations made in it).
#pragma once

#include "geometry/Predicates.h"
#include "meshaudit.h"

#include <cmath>

namespace meshaudit::arrangement {

// The projection of a point on the axes (i, j).
inline void Project(const T3DVECF& p, int i, int j, double* out)
{
    const double* c = Coordinates(p);
    out[0] = c[i];
    out[1] = c[j];
}

// Orient2DSign of three points in the projection on (i, j).
inline int Orient2DProjected(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, int i, int j)
{
    double pa[2];
    double pb[2];
    double pc[2];
    Project(a, i, j, pa);
    Project(b, i, j, pb);
    Project(c, i, j, pc);
    return Orient2DSign(pa, pb, pc);
}

// Sets (i, j) to the axes kept by the projection of the plane of corners
// t[0..2]: the two other than the axis of the normal's largest component,
// in cyclic order. Returns false when the corners are collinear (every
// component zero, exactly), leaving i and j unset.
inline bool ProjectionAxes(const T3DVECF* t, int& i, int& j)
{
    double best = 0.0;
    int drop = -1;
    for (int axis = 0; axis < 3; ++axis) {
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        double pa[2];
        double pb[2];
        double pc[2];
        Project(t[0], a, b, pa);
        Project(t[1], a, b, pb);
        Project(t[2], a, b, pc);
        // Orient2D is exact in sign and close in magnitude: twice the area
        // of the projection, the normal's component along `axis`.
        const double component = std::fabs(meshaudit::Orient2D(pa, pb, pc));
        if (component > best) {
            best = component;
            drop = axis;
        }
    }
    if (drop < 0) {
        return false;
    }
    i = (drop + 1) % 3;
    j = (drop + 2) % 3;
    return true;
}

}  // namespace meshaudit::arrangement
