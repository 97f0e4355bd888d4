// A ray from a point toward +x, perturbed symbolically so that it meets no
// edge and no corner of any triangle (Edelsbrunner and Muecke's simulation
// of simplicity): its origin is p + (-d, e, e^2) with d >> e > 0
// infinitesimal. The parity of its crossings with a closed shell is then
// that of the region it starts in, exactly, with no case left undecided.
#pragma once

#include "geometry/Predicates.h"

namespace meshaudit {

// Sign of the orientation of (a, b, p') in the (y, z) plane, p' the
// perturbed origin: the exact sign at p, else the signs of its derivatives
// in the perturbation's y (z_a - z_b), then z (y_b - y_a). Zero only when a
// and b share y and z.
inline int PerturbedShadowSide(const T3DVECF& a, const T3DVECF& b, const T3DVECF& p)
{
    const double pa[2] = {a.y, a.z}, pb[2] = {b.y, b.z}, pp[2] = {p.y, p.z};
    const int side = Orient2DSign(pa, pb, pp);
    if (side != 0) {
        return side;
    }
    const int dy = (a.z > b.z) - (a.z < b.z);
    return dy != 0 ? dy : (b.y > a.y) - (b.y < a.y);
}

// Whether the perturbed ray from p crosses triangle (a, b, c) ahead of its
// origin. Inside the triangle's (y, z) shadow when the three sides agree (a
// side whose ends share y and z makes a shadow without area: never
// crossed); ahead when p is behind the plane as the triangle's normal sees
// +x, or on it, since the origin lies d behind p. The normal's x component
// has the sign of the shadow's orientation, which the agreeing sides give;
// Orient3D(a, b, c, q) is (a - q) . normal, so the plane lies ahead when it
// has that sign too.
inline bool PerturbedRayCrosses(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& p)
{
    const int ab = PerturbedShadowSide(a, b, p);
    if (ab == 0 || PerturbedShadowSide(b, c, p) != ab || PerturbedShadowSide(c, a, p) != ab) {
        return false;
    }
    const int ahead = Orient3DSign(a, b, c, p);
    return ahead == 0 || ahead == ab;
}

}  // namespace meshaudit
