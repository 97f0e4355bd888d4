#include "repair/arrangement/Constructions.h"

#include "repair/arrangement/PlaneProjection.h"

#include <cmath>

namespace meshaudit::arrangement {

namespace {

struct Vec {
    Dyadic v[3];
};

Vec ToVec(const T3DVECF& p)
{
    return Vec{{Dyadic::FromDouble(p.x), Dyadic::FromDouble(p.y), Dyadic::FromDouble(p.z)}};
}

// a - b, each coordinate exact.
Vec Difference(const T3DVECF& a, const T3DVECF& b)
{
    return Vec{{Dyadic::Difference(a.x, b.x), Dyadic::Difference(a.y, b.y), Dyadic::Difference(a.z, b.z)}};
}

Vec Cross(const Vec& a, const Vec& b)
{
    return Vec{{a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                a.v[0] * b.v[1] - a.v[1] * b.v[0]}};
}

Dyadic Dot(const Vec& a, const Vec& b)
{
    return a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2];
}

// (dq * p - dp * q) / (dq - dp): the point of segment p q where a quantity
// linear along it, dp at p and dq at q, of opposite signs, is zero.
ExactPoint ZeroOnSegment(const T3DVECF& p, const T3DVECF& q, const Dyadic& dp, const Dyadic& dq)
{
    const Vec vp = ToVec(p);
    const Vec vq = ToVec(q);
    return HomogeneousPoint(dq * vp.v[0] - dp * vq.v[0], dq * vp.v[1] - dp * vq.v[1], dq * vp.v[2] - dp * vq.v[2],
                            dq - dp);
}

// |v| for an interval v known to hold a value of one strict sign (whose
// interval may still straddle zero).
Interval Magnitude(const Interval& v)
{
    if (v.lo >= 0.0) {
        return v;
    }
    if (v.hi <= 0.0) {
        return Interval{-v.hi, -v.lo};
    }
    return Interval{0.0, std::fmax(-v.lo, v.hi)};
}

}  // namespace

// With side values dp, dq of the ends, the point is p + t (q - p) for
// t = |dp| / (|dp| + |dq|) in [0, 1], which bounds it by the segment's box
// whatever the intervals give (a NaN bound fails the comparisons and
// leaves [0, 1]).
void SegmentPlaneBox(const T3DVECF& p, const T3DVECF& q, const T3DVECF& a, const T3DVECF& b, const T3DVECF& c,
                     Interval* box)
{
    const T3DVECF plane[3] = {a, b, c};
    auto point = [](const T3DVECF& v, int axis) { return Interval::Point(Coordinates(v)[axis]); };
    Interval u[3];
    Interval w[3];
    for (int axis = 0; axis < 3; ++axis) {
        u[axis] = point(plane[1], axis) - point(plane[0], axis);
        w[axis] = point(plane[2], axis) - point(plane[0], axis);
    }
    const Interval n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    auto side = [&](const T3DVECF& v) {
        Interval sum = Interval::Point(0.0);
        for (int axis = 0; axis < 3; ++axis) {
            sum = sum + n[axis] * (point(plane[0], axis) - point(v, axis));
        }
        return Magnitude(sum);
    };
    const Interval dp = side(p);
    const Interval dq = side(q);
    // A denominator that may be zero bounds nothing: t stays within [0, 1].
    const double least = Down(dp.lo + dq.lo);
    double tLo = Down(dp.lo / Up(dp.hi + dq.hi));
    double tHi = least > 0.0 ? Up(dp.hi / least) : 1.0;
    tLo = tLo > 0.0 ? tLo : 0.0;
    tHi = tHi < 1.0 ? tHi : 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double from = Coordinates(p)[axis];
        const double to = Coordinates(q)[axis];
        const Interval along =
            Interval::Point(from) + Interval{tLo, tHi} * (Interval::Point(to) - Interval::Point(from));
        const double lo = std::fmin(from, to);
        const double hi = std::fmax(from, to);
        box[axis] = Interval{along.lo > lo ? along.lo : lo, along.hi < hi ? along.hi : hi};
    }
}

Dyadic Orient3DExact(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& d)
{
    return Dot(Difference(a, d), Cross(Difference(b, d), Difference(c, d)));
}

Dyadic Orient2DExact(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, int i, int j)
{
    const double* pa = reinterpret_cast<const double*>(&a);
    const double* pb = reinterpret_cast<const double*>(&b);
    const double* pc = reinterpret_cast<const double*>(&c);
    return Dyadic::Difference(pa[i], pc[i]) * Dyadic::Difference(pb[j], pc[j]) -
           Dyadic::Difference(pa[j], pc[j]) * Dyadic::Difference(pb[i], pc[i]);
}

ExactPoint SegmentPlanePoint(const T3DVECF& p, const T3DVECF& q, const T3DVECF& a, const T3DVECF& b,
                             const T3DVECF& c)
{
    return ZeroOnSegment(p, q, Orient3DExact(a, b, c, p), Orient3DExact(a, b, c, q));
}

void PlaneValues(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF* points, const bool* wanted,
                 int count, Dyadic* out)
{
    const Vec n = Cross(Difference(b, a), Difference(c, a));
    for (int k = 0; k < count; ++k) {
        if (wanted[k]) {
            out[k] = Dot(n, Difference(a, points[k]));
        }
    }
}

ExactPoint SegmentPlanePoint(const T3DVECF& p, const T3DVECF& q, const Dyadic& dp, const Dyadic& dq)
{
    return ZeroOnSegment(p, q, dp, dq);
}

ExactPoint SegmentLinePoint(const T3DVECF& p, const T3DVECF& q, const T3DVECF& r, const T3DVECF& s, int i,
                            int j)
{
    return ZeroOnSegment(p, q, Orient2DExact(r, s, p, i, j), Orient2DExact(r, s, q, i, j));
}

ExactPoint ThreePlanePoint(const T3DVECF* planes)
{
    // Plane k: n_k . x = d_k with n_k = (b - a) x (c - a), d_k = n_k . a;
    // by Cramer's rule x = (d_0 (n_1 x n_2) + d_1 (n_2 x n_0) + d_2 (n_0 x n_1))
    // / det(n_0, n_1, n_2).
    Vec n[3];
    Dyadic d[3];
    for (int k = 0; k < 3; ++k) {
        n[k] = Cross(Difference(planes[3 * k + 1], planes[3 * k]), Difference(planes[3 * k + 2], planes[3 * k]));
        d[k] = Dot(n[k], ToVec(planes[3 * k]));
    }
    const Vec c12 = Cross(n[1], n[2]);
    const Vec c20 = Cross(n[2], n[0]);
    const Vec c01 = Cross(n[0], n[1]);
    const Dyadic w = Dot(n[0], c12);
    Dyadic x[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = d[0] * c12.v[k] + d[1] * c20.v[k] + d[2] * c01.v[k];
    }
    return HomogeneousPoint(x[0], x[1], x[2], w);
}

}  // namespace meshaudit::arrangement
