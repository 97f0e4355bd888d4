// Projection axis and coordinate dropping.
#include "geometry/Projection.h"

#include <cmath>

namespace meshaudit {

char ProjectionAxis(const T3DVECF* triangle)
{
    const T3DVECF& a = triangle[0];
    const T3DVECF& b = triangle[1];
    const T3DVECF& c = triangle[2];
    const double abx = b.x - a.x;
    const double aby = b.y - a.y;
    const double abz = b.z - a.z;
    const double acx = c.x - a.x;
    const double acy = c.y - a.y;
    const double acz = c.z - a.z;
    // Only the magnitudes matter; rounding can at worst pick a nearly as
    // good axis, since every later decision is exact in the chosen plane.
    const double nx = std::fabs(aby * acz - abz * acy);
    const double ny = std::fabs(abz * acx - abx * acz);
    const double nz = std::fabs(abx * acy - aby * acx);
    if (nx >= ny && nx >= nz) {
        return 'x';
    }
    if (ny >= nx && ny >= nz) {
        return 'y';
    }
    if (nz >= nx && nz >= ny) {
        return 'z';
    }
    return '?';
}

void ProjectPoint(const T3DVECF& p, char axis, double out[2])
{
    switch (axis) {
    case 'x':
        out[0] = p.y;
        out[1] = p.z;
        break;
    case 'y':
        out[0] = p.z;
        out[1] = p.x;
        break;
    default:
        out[0] = p.x;
        out[1] = p.y;
        break;
    }
}

void ProjectPoints(const T3DVECF* points, int count, char axis, double* out)
{
    for (int i = 0; i < count; ++i) {
        ProjectPoint(points[i], axis, out + 2 * i);
    }
}

}  // namespace meshaudit
