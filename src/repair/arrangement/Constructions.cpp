#include "repair/arrangement/Constructions.h"

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

}  // namespace

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
