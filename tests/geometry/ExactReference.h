// Rational (GMP) reference evaluations for the geometry tests: every double
// converts to an mpq_class exactly, so these signs are the true ones.
#pragma once

#include <gmpxx.h>

#include <cmath>
#include <cstdint>

namespace meshaudit::testing {

// Sign of (a.x - c.x)(b.y - c.y) - (a.y - c.y)(b.x - c.x), exactly.
inline int ExactOrient2DSign(const double* a, const double* b, const double* c)
{
    const mpq_class acx = mpq_class(a[0]) - mpq_class(c[0]);
    const mpq_class acy = mpq_class(a[1]) - mpq_class(c[1]);
    const mpq_class bcx = mpq_class(b[0]) - mpq_class(c[0]);
    const mpq_class bcy = mpq_class(b[1]) - mpq_class(c[1]);
    const mpq_class det = acx * bcy - acy * bcx;
    return sgn(det);
}

// Sign of det[a - d; b - d; c - d], exactly.
inline int ExactOrient3DSign(const double* a, const double* b, const double* c, const double* d)
{
    mpq_class m[3][3];
    const double* rows[3] = {a, b, c};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) {
            m[r][k] = mpq_class(rows[r][k]) - mpq_class(d[k]);
        }
    }
    const mpq_class det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                          m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                          m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return sgn(det);
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
