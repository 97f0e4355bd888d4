// Triangle quality for simulation meshes: angles and aspect ratios. The
// same pass gathers what the nesting needs of each closed shell, since both
// read every triangle's corners, scattered over the point array, and those
// reads are most of the time either would take.
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

// An angle as (cosine, sine) up to one positive factor: the dot and the
// cross product's length of its two sides. At every corner of a triangle
// the cross product's length is twice its area, so the corner of largest
// dot has the smallest angle; and two angles compare by a cross product of
// their pairs, with no arc tangent until the end.
struct Turn {
    double dot = 1.0, cross = 0.0;
    bool Below(const Turn& other) const { return cross * other.dot < other.cross * dot; }
    bool Same(const Turn& other) const { return cross * other.dot == other.cross * dot; }
    double Degrees() const { return std::atan2(cross, dot) * (180.0 / M_PI); }
};

double Dot(const Vector& u, const Vector& v)
{
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

// Keeps `extreme` and the triangles that attain it: a triangle with a more
// extreme value restarts the list, one with an equal value joins it.
template <typename Value, typename More, typename Equal>
void Track(Value value, uint32_t t, Value& extreme, std::vector<uint32_t>& attaining, More more, Equal equal)
{
    if (attaining.empty() || more(value, extreme)) {
        extreme = value;
        attaining.assign(1, t);
    } else if (equal(value, extreme)) {
        attaining.push_back(t);
    }
}

// Triangles ahead whose corners are asked for early: enough to cover the
// time a read from memory takes at this loop's pace.
constexpr uint32_t kAhead = 16;

}  // namespace

void MeasureTriangles(const MeshRecord& mesh, double skinnyAngle, Solids& out, ShellGeometry& shells)
{
    // Closed shells take part in the nesting until a corner that is not
    // finite rules them out: such a shell encloses nothing that can be told.
    shells.counted.assign(out.open.begin(), out.open.end());
    for (uint8_t& c : shells.counted) {
        c = c == 0 ? 1 : 0;
    }
    shells.start.assign(out.shellCount, kNoShell);
    shells.sum.assign(out.shellCount, 0.0);
    shells.size.assign(out.shellCount, 0.0);
    shells.terms.assign(out.shellCount, 0);

    Turn smallest, largest;
    bool any = false;
    double aspect = 0.0;
    // Below the threshold: sin/cos below tan(threshold), for angles below
    // 90 degrees (a smallest angle is at most 60).
    const double tangent = std::tan(std::min(skinnyAngle, 89.0) * (M_PI / 180.0));
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (t + kAhead < mesh.triangleCount) {
            const TRIANGLE& ahead = mesh.triangles[t + kAhead];
            __builtin_prefetch(&mesh.points[ahead.a]);
            __builtin_prefetch(&mesh.points[ahead.b]);
            __builtin_prefetch(&mesh.points[ahead.c]);
        }
        const TRIANGLE& tri = mesh.triangles[t];
        const T3DVECF& a = mesh.points[tri.a];
        const T3DVECF& b = mesh.points[tri.b];
        const T3DVECF& c = mesh.points[tri.c];

        const uint32_t s = out.shellOf[t];
        if (shells.counted[s] != 0) {
            // The ray starts at the shell's first corner of largest x.
            for (const uint32_t i : {tri.a, tri.b, tri.c}) {
                const T3DVECF& p = mesh.points[i];
                if (!(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))) {
                    shells.counted[s] = 0;
                } else if (shells.start[s] == kNoShell || p.x > mesh.points[shells.start[s]].x) {
                    shells.start[s] = i;
                }
            }
            // The volume's sum of det(a, b, c) and the sum's size, for its
            // error bound (NestShells).
            shells.sum[s] += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
                             a.z * (b.x * c.y - b.y * c.x);
            shells.size[s] += std::fabs(a.x) * (std::fabs(b.y * c.z) + std::fabs(b.z * c.y)) +
                              std::fabs(a.y) * (std::fabs(b.z * c.x) + std::fabs(b.x * c.z)) +
                              std::fabs(a.z) * (std::fabs(b.x * c.y) + std::fabs(b.y * c.x));
            ++shells.terms[s];
        }

        const Vector ab = Minus(b, a), bc = Minus(c, b), ca = Minus(a, c);
        const double lab = Length(ab), lbc = Length(bc), lca = Length(ca);
        if (tri.a == tri.b || tri.b == tri.c || tri.c == tri.a || !std::isfinite(lab + lbc + lca)) {
            out.skinny.push_back(t);
            continue;
        }
        const Vector cross{ab.y * ca.z - ab.z * ca.y, ab.z * ca.x - ab.x * ca.z, ab.x * ca.y - ab.y * ca.x};
        const double twiceArea = Length(cross);
        // The dots at a, b and c of their two sides.
        const double dots[3] = {-Dot(ab, ca), -Dot(bc, ab), -Dot(ca, bc)};
        const double high = std::max({dots[0], dots[1], dots[2]}), low = std::min({dots[0], dots[1], dots[2]});
        const Turn least{high, twiceArea}, most{low, twiceArea};
        any = true;
        Track(least, t, smallest, out.minimalAngleTriangles, [](const Turn& v, const Turn& e) { return v.Below(e); },
              [](const Turn& v, const Turn& e) { return v.Same(e); });
        Track(most, t, largest, out.maximalAngleTriangles, [](const Turn& v, const Turn& e) { return e.Below(v); },
              [](const Turn& v, const Turn& e) { return v.Same(e); });
        // Longest edge over 2 sqrt(3) times the inradius, the inradius being
        // twice the area over the perimeter: 1 for an equilateral triangle.
        const double perimeter = lab + lbc + lca;
        const double ratio = twiceArea > 0.0 ? std::max({lab, lbc, lca}) * perimeter / (2.0 * std::sqrt(3.0) * twiceArea)
                                             : HUGE_VAL;
        Track(ratio, t, aspect, out.maximalAspectRatioTriangles, [](double v, double e) { return v > e; },
              [](double v, double e) { return v == e; });
        if (twiceArea < tangent * high || twiceArea == 0.0) {
            out.skinny.push_back(t);
        }
    }
    if (any) {
        out.minimalAngle = smallest.Degrees();
        out.maximalAngle = largest.Degrees();
        out.maximalAspectRatio = aspect;
    }
}

}  // namespace meshaudit::solid
