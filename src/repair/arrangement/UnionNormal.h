// The exact signs of the components of a triangle's normal, read from the
// orientation of its shadow on each coordinate plane.
#pragma once

#include "geometry/Predicates.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit::arrangement {

// The sign (-1, 0, +1) of component `axis` (0 x, 1 y, 2 z) of the normal
// (b - a) x (c - a), exact for finite coordinates: component x is the
// orientation of the shadow on the (y, z) plane, y on (z, x), z on (x, y).
// An axis outside 0..2 reads as 2.
inline int8_t NormalSign(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, int axis)
{
    const double* pa = Coordinates(a);
    const double* pb = Coordinates(b);
    const double* pc = Coordinates(c);
    const int i = axis == 0 ? 1 : axis == 1 ? 2 : 0;
    const int j = axis == 0 ? 2 : axis == 1 ? 0 : 1;
    const double qa[2] = {pa[i], pa[j]}, qb[2] = {pb[i], pb[j]}, qc[2] = {pc[i], pc[j]};
    return Orient2DSign(qa, qb, qc);
}

// Whether the triangle has no area: its three corners on one line, exactly
// when its normal is zero.
inline bool IsFlat(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    return NormalSign(a, b, c, 0) == 0 && NormalSign(a, b, c, 1) == 0 && NormalSign(a, b, c, 2) == 0;
}

}  // namespace meshaudit::arrangement
