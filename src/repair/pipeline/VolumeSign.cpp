#include "repair/pipeline/VolumeSign.h"

#include <cmath>

namespace meshaudit::pipeline {

int8_t CertainVolumeSign(const WorkMesh& mesh, std::span<const uint32_t> triangles)
{
    double sum = 0.0, size = 0.0;
    for (const uint32_t t : triangles) {
        const TRIANGLE& tri = mesh.triangles[t];
        const T3DVECF &a = mesh.Point(tri.a), &b = mesh.Point(tri.b), &c = mesh.Point(tri.c);
        sum += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
        size += std::fabs(a.x) * (std::fabs(b.y * c.z) + std::fabs(b.z * c.y)) +
                std::fabs(a.y) * (std::fabs(b.z * c.x) + std::fabs(b.x * c.z)) +
                std::fabs(a.z) * (std::fabs(b.x * c.y) + std::fabs(b.y * c.x));
    }
    // A determinant in doubles is off by at most 5 roundings of its
    // permanent, and n sums add n more; 8 + n units of 2^-53, with a margin
    // for the rounding of the bound itself, cover both.
    const double bound = (8.0 + static_cast<double>(triangles.size())) * 1.01 * std::ldexp(size, -53);
    if (!std::isfinite(bound) || !(std::fabs(sum) > bound)) {
        return 0;
    }
    return sum > 0 ? 1 : -1;
}

}  // namespace meshaudit::pipeline
