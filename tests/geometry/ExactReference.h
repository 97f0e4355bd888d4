// Rational (GMP) reference evaluations for the geometry tests: every double
// converts to an mpq_class exactly, so these signs are the true ones.
#pragma once

#include <gmpxx.h>

#include <cmath>

namespace meshaudit::testing {

// A point or vector with rational coordinates.
struct Q3 {
    mpq_class x, y, z;
};

inline Q3 ToQ(const double* p) { return {mpq_class(p[0]), mpq_class(p[1]), mpq_class(p[2])}; }
inline Q3 Sub(const Q3& a, const Q3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Q3 CrossQ(const Q3& a, const Q3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline mpq_class Dot(const Q3& a, const Q3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Sign of (a.x - c.x)(b.y - c.y) - (a.y - c.y)(b.x - c.x), exactly: the z
// component of (a - c) x (b - c) in the plane z = 0.
inline int ExactOrient2DSign(const double* a, const double* b, const double* c)
{
    const auto flat = [](const double* p) { return Q3{mpq_class(p[0]), mpq_class(p[1]), mpq_class(0)}; };
    return sgn(CrossQ(Sub(flat(a), flat(c)), Sub(flat(b), flat(c))).z);
}

// Sign of det[a - d; b - d; c - d] = ((a - d) x (b - d)) . (c - d), exactly.
inline int ExactOrient3DSign(const double* a, const double* b, const double* c, const double* d)
{
    const Q3 q = ToQ(d);
    return sgn(Dot(CrossQ(Sub(ToQ(a), q), Sub(ToQ(b), q)), Sub(ToQ(c), q)));
}

// x moved by `steps` units in the last place (negative steps move down).
inline double NudgeUlps(double x, int steps)
{
    for (; steps != 0; steps -= steps > 0 ? 1 : -1) {
        x = std::nextafter(x, steps > 0 ? INFINITY : -INFINITY);
    }
    return x;
}

}  // namespace meshaudit::testing
