// Triangle quality for simulation meshes: angles and aspect ratios.
#include "SolidParts.h"

#include <algorithm>
#include <cmath>

namespace meshaudit::solid {

namespace {

struct Vector {
    double x, y, z;
};

Vector Minus(const T3DVECF& a, const T3DVECF& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double Length(const Vector& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// The angle between u and v in degrees, from the sine and cosine together,
// which stays accurate near 0 and 180 degrees where acos alone does not.
double Angle(const Vector& u, const Vector& v)
{
    const Vector cross{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    return std::atan2(Length(cross), u.x * v.x + u.y * v.y + u.z * v.z) * (180.0 / M_PI);
}

}  // namespace

void MeasureQuality(const MeshRecord& mesh, double skinnyAngle, Solids& out)
{
    double smallest = HUGE_VAL, largest = -HUGE_VAL, aspect = -HUGE_VAL;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        const T3DVECF& a = mesh.points[tri.a];
        const T3DVECF& b = mesh.points[tri.b];
        const T3DVECF& c = mesh.points[tri.c];
        const Vector ab = Minus(b, a), bc = Minus(c, b), ca = Minus(a, c);
        const double lab = Length(ab), lbc = Length(bc), lca = Length(ca);
        if (tri.a == tri.b || tri.b == tri.c || tri.c == tri.a || !std::isfinite(lab + lbc + lca)) {
            out.skinny.push_back(t);
            continue;
        }
        const double angles[3] = {Angle(ab, Vector{-ca.x, -ca.y, -ca.z}), Angle(bc, Vector{-ab.x, -ab.y, -ab.z}),
                                  Angle(ca, Vector{-bc.x, -bc.y, -bc.z})};
        const double low = std::min({angles[0], angles[1], angles[2]});
        const double high = std::max({angles[0], angles[1], angles[2]});
        smallest = std::min(smallest, low);
        largest = std::max(largest, high);
        // Longest edge over 2 sqrt(3) times the inradius, the inradius being
        // twice the area over the perimeter: 1 for an equilateral triangle.
        const Vector cross{ab.y * ca.z - ab.z * ca.y, ab.z * ca.x - ab.x * ca.z, ab.x * ca.y - ab.y * ca.x};
        const double twiceArea = Length(cross);
        const double perimeter = lab + lbc + lca;
        const double ratio = twiceArea > 0.0 ? std::max({lab, lbc, lca}) * perimeter / (2.0 * std::sqrt(3.0) * twiceArea)
                                             : HUGE_VAL;
        aspect = std::max(aspect, ratio);
        if (low < skinnyAngle) {
            out.skinny.push_back(t);
        }
    }
    if (smallest != HUGE_VAL) {
        out.minimalAngle = smallest;
        out.maximalAngle = largest;
        out.maximalAspectRatio = aspect;
    }
}

}  // namespace meshaudit::solid
