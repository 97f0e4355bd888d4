// Surface area of a mesh: half the length of each triangle's edge cross
// product, summed in triangle order.
#include "analysis/mesh/MeshAnalyses.h"
#include "model/BlockMarks.h"
#include "model/ReadAhead.h"

#include <cmath>

namespace meshaudit {

double TriangleArea(const T3DVECF& p0, const T3DVECF& p1, const T3DVECF& p2)
{
    const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
    const double bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
    const double cx = ay * bz - az * by;
    const double cy = az * bx - ax * bz;
    const double cz = ax * by - ay * bx;
    return 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
}

double ComputeArea(const MeshRecord& mesh)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr || triangles == nullptr) {
        return kDoubleNotComputed;
    }
    double area = 0.0;
    for (uint32_t i = 0; i < triangleCount; ++i) {
        PrefetchCornersAhead(mesh, i);
        const TRIANGLE& t = triangles[i];
        if (t.a >= pointCount || t.b >= pointCount || t.c >= pointCount) {
            continue;  // a corner that does not exist contributes nothing
        }
        area += TriangleArea(points[t.a], points[t.b], points[t.c]);
    }
    return area;
}

}  // namespace meshaudit
