// Signed volume of a mesh by the divergence theorem: each triangle spans a
// tetrahedron with the origin whose signed volume is a sixth of the
// determinant of its corner rows.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/MagnitudeSort.h"
#include "containers/Memory.h"
#include "model/BlockMarks.h"
#include "model/ReadAhead.h"

#include <cstddef>

namespace meshaudit {

namespace {

// The determinant of the rows p0, p1, p2, its three terms added left to
// right exactly as written (the expression is the reference for the value).
double Determinant(const T3DVECF& p0, const T3DVECF& p1, const T3DVECF& p2)
{
    return (p0.y * p1.z - p0.z * p1.y) * p2.x + (p0.z * p1.x - p0.x * p1.z) * p2.y +
           (p0.x * p1.y - p0.y * p1.x) * p2.z;
}

}  // namespace

double ComputeVolume(const MeshRecord& mesh, double* area)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr || triangles == nullptr) {
        return kVolumeNotComputed;
    }
    // The terms, then room for the sort to move them.
    double* terms = AllocateArray<double>(2 * static_cast<size_t>(triangleCount));
    if (terms == nullptr) {
        return kVolumeNotComputed;
    }
    uint32_t termCount = 0;
    double areaSum = 0.0;
    for (uint32_t i = 0; i < triangleCount; ++i) {
        PrefetchCornersAhead(mesh, i);
        const TRIANGLE& t = triangles[i];
        if (t.a >= pointCount || t.b >= pointCount || t.c >= pointCount) {
            continue;  // a corner that does not exist contributes nothing
        }
        terms[termCount++] = Determinant(points[t.a], points[t.b], points[t.c]);
        if (area != nullptr) {
            areaSum += TriangleArea(points[t.a], points[t.b], points[t.c]);
        }
    }
    if (area != nullptr) {
        *area = areaSum;
    }
    // Adding the small contributions before the large ones keeps the
    // rounding error of the sum small. Terms of equal magnitude (a mesh
    // symmetric about the origin has many, of both signs) stay in triangle
    // order, so the rounding, and the value, is the same on every platform.
    SortByMagnitude(terms, terms + triangleCount, termCount);
    double sum = 0.0;
    for (uint32_t i = 0; i < termCount; ++i) {
        sum += terms[i];
    }
    Free(terms);
    return sum / 6.0;
}

}  // namespace meshaudit
