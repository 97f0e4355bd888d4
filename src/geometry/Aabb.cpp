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

}  // namespace meshaudit
