#include "geometry/Aabb.h"

#include <cmath>

namespace meshaudit {

T3DVECF C3DAABB::Centre() const
{
    return T3DVECF{(min.x + max.x) * 0.5, (min.y + max.y) * 0.5, (min.z + max.z) * 0.5};
}

char C3DAABB::LongestAxis() const
{
    const double ex = std::fabs(max.x - min.x);
    const double ey = std::fabs(max.y - min.y);
    const double ez = std::fabs(max.z - min.z);
    // Each test may override the previous one, which hands ties to the later
    // axis.
    char axis = 'x';
    if (ex >= ey && ex >= ez) {
        axis = 'x';
    }
    if (ey >= ex && ey >= ez) {
        axis = 'y';
    }
    if (ez >= ex && ez >= ey) {
        axis = 'z';
    }
    return axis;
}

C3DAABB BoxOfPoints(const T3DVECF* points, uint32_t count)
{
    C3DAABB box;
    for (uint32_t i = 0; i < count; ++i) {
        box.Extend(points[i]);
    }
    return box;
}

char ClassifyBoxes(const C3DAABB& a, const C3DAABB& b)
{
    if (b.min.x > a.max.x || a.min.x > b.max.x || b.min.y > a.max.y || a.min.y > b.max.y ||
        b.min.z > a.max.z || a.min.z > b.max.z) {
        return '0';
    }
    if (a.max.x == b.min.x || a.min.x == b.max.x || a.max.y == b.min.y || a.min.y == b.max.y ||
        a.max.z == b.min.z || a.min.z == b.max.z) {
        return 'r';
    }
    return '1';
}

}  // namespace meshaudit
