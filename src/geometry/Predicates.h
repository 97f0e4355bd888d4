// Exact orientation predicates: on which side of a line (2D) or of a plane
// (3D) a point lies, with the sign always right for finite input. Shewchuk's
// adaptive-precision orient2d and orient3d: the determinant is evaluated in
// plain doubles and returned at once when its magnitude exceeds a proven error
// bound (almost every call); otherwise exact expansion arithmetic refines it
// in stages until the sign is certain (Predicates.cpp).
//
// A 2D point is two consecutive doubles (x, y); a 3D point three (x, y, z),
// the T3DVECF layout. Exactness assumes no overflow or underflow in the
// products of coordinate differences (coordinates up to about 1e100 in
// magnitude, differences not tinier than about 1e-100). NaN and infinite
// coordinates propagate into the determinant; the sign forms report a NaN
// determinant as 0.
#pragma once

#include "geometry/PredicateConstants.h"
#include "meshaudit.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace meshaudit {

static_assert(sizeof(T3DVECF) == 3 * sizeof(double) && offsetof(T3DVECF, y) == sizeof(double) &&
                  offsetof(T3DVECF, z) == 2 * sizeof(double),
              "T3DVECF must be three consecutive doubles");

namespace predicates_detail {

// The exact stages, entered only when the plain double stage is not sure.
// detSum and permanent are the magnitudes the fast stage computed.
double Orient2DAdapt(const double* a, const double* b, const double* c, double detSum);
double Orient3DAdapt(const double* a, const double* b, const double* c, const double* d,
                     double permanent);

}  // namespace predicates_detail

// (a.x - c.x)(b.y - c.y) - (a.y - c.y)(b.x - c.x), exact in sign: positive
// when a, b, c turn counterclockwise (x to the right, y up), that is c lies
// to the left of the directed line from a to b; negative when they turn
// clockwise (c to the right); zero exactly when the three are collinear.
inline double Orient2D(const double* a, const double* b, const double* c)
{
    const double detLeft = (a[0] - c[0]) * (b[1] - c[1]);
    const double detRight = (a[1] - c[1]) * (b[0] - c[0]);
    const double det = detLeft - detRight;
    double detSum = 0.0;
    // When the two products differ in sign (or one is zero) the subtraction
    // cannot cancel and det's sign is right as computed.
    if (detLeft > 0.0) {
        if (detRight <= 0.0) {
            return det;
        }
        detSum = detLeft + detRight;
    } else if (detLeft < 0.0) {
        if (detRight >= 0.0) {
            return det;
        }
        detSum = -detLeft - detRight;
    } else {
        return det;
    }
    const double errBound = g_predicateConstants.ccwErrBoundA * detSum;
    if (det >= errBound || -det >= errBound) {
        return det;
    }
    return predicates_detail::Orient2DAdapt(a, b, c, detSum);
}

// The determinant of the 3x3 matrix with rows a - d, b - d, c - d, exact in
// sign: positive when d lies below the plane through a, b, c, "below" being
// the side from which a, b, c appear clockwise; negative when d lies on the
// side the normal (b - a) x (c - a) points to (where a, b, c appear
// counterclockwise); zero exactly when the four points are coplanar.
inline double Orient3D(const double* a, const double* b, const double* c, const double* d)
{
    const double adx = a[0] - d[0];
    const double bdx = b[0] - d[0];
    const double cdx = c[0] - d[0];
    const double ady = a[1] - d[1];
    const double bdy = b[1] - d[1];
    const double cdy = c[1] - d[1];
    const double adz = a[2] - d[2];
    const double bdz = b[2] - d[2];
    const double cdz = c[2] - d[2];

    const double bdxcdy = bdx * cdy;
    const double cdxbdy = cdx * bdy;
    const double cdxady = cdx * ady;
    const double adxcdy = adx * cdy;
    const double adxbdy = adx * bdy;
    const double bdxady = bdx * ady;

    const double det = adz * (bdxcdy - cdxbdy) + bdz * (cdxady - adxcdy) + cdz * (adxbdy - bdxady);
    const double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * std::fabs(adz) +
                             (std::fabs(cdxady) + std::fabs(adxcdy)) * std::fabs(bdz) +
                             (std::fabs(adxbdy) + std::fabs(bdxady)) * std::fabs(cdz);
    const double errBound = g_predicateConstants.o3dErrBoundA * permanent;
    if (det > errBound || -det > errBound) {
        return det;
    }
    return predicates_detail::Orient3DAdapt(a, b, c, d, permanent);
}

// -1, 0 or +1 by the sign of a predicate value; NaN gives 0 (both
// comparisons fail), the same answer as exact degeneracy.
inline int8_t SignOf(double value)
{
    if (value > 0.0) {
        return 1;
    }
    if (value < 0.0) {
        return -1;
    }
    return 0;
}

// Sign of Orient2D: +1 counterclockwise (c left of a->b), -1 clockwise,
// 0 collinear or NaN.
inline int8_t Orient2DSign(const double* a, const double* b, const double* c)
{
    return SignOf(Orient2D(a, b, c));
}

// Sign of Orient3D: +1 when d is below the plane of a, b, c (they appear
// clockwise from d), -1 above (on the side of (b - a) x (c - a)), 0 coplanar
// or NaN.
inline int8_t Orient3DSign(const double* a, const double* b, const double* c, const double* d)
{
    return SignOf(Orient3D(a, b, c, d));
}

// The coordinates of a T3DVECF as the three consecutive doubles the
// predicates read.
inline const double* Coordinates(const T3DVECF& p)
{
    return reinterpret_cast<const double*>(&p);
}

// Orient3DSign on T3DVECF points.
inline int8_t Orient3DSign(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& d)
{
    return Orient3DSign(Coordinates(a), Coordinates(b), Coordinates(c), Coordinates(d));
}

// Side of a triangle's plane: `triangle` points at its three consecutive
// corners a, b, c; the result is Orient3DSign(a, b, c, point).
inline int8_t Orient3DSign(const T3DVECF* triangle, const T3DVECF& point)
{
    return Orient3DSign(triangle[0], triangle[1], triangle[2], point);
}

// What Orient3DQuickSign returns when the double stage is not sure.
inline constexpr int8_t kUnsureSign = 2;

// The sign of Orient3D(a, b, c, d) when its plain double stage is sure of it
// (the same as Orient3DSign's), else kUnsureSign, without the exact stages:
// for callers with a cheaper decision of their own for the points that stage
// cannot place, nearly or exactly coplanar ones.
inline int8_t Orient3DQuickSign(const T3DVECF* triangle, const T3DVECF& point)
{
    const double* a = Coordinates(triangle[0]);
    const double* b = Coordinates(triangle[1]);
    const double* c = Coordinates(triangle[2]);
    const double* d = Coordinates(point);
    const double adx = a[0] - d[0], bdx = b[0] - d[0], cdx = c[0] - d[0];
    const double ady = a[1] - d[1], bdy = b[1] - d[1], cdy = c[1] - d[1];
    const double adz = a[2] - d[2], bdz = b[2] - d[2], cdz = c[2] - d[2];
    const double bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
    const double cdxady = cdx * ady, adxcdy = adx * cdy;
    const double adxbdy = adx * bdy, bdxady = bdx * ady;
    const double det = adz * (bdxcdy - cdxbdy) + bdz * (cdxady - adxcdy) + cdz * (adxbdy - bdxady);
    const double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * std::fabs(adz) +
                             (std::fabs(cdxady) + std::fabs(adxcdy)) * std::fabs(bdz) +
                             (std::fabs(adxbdy) + std::fabs(bdxady)) * std::fabs(cdz);
    const double errBound = g_predicateConstants.o3dErrBoundA * permanent;
    return det > errBound ? int8_t{1} : -det > errBound ? int8_t{-1} : kUnsureSign;
}

// Side of a 2D segment's line: `segment` points at two consecutive 2D points
// a, b (four doubles); the result is Orient2DSign(a, b, point): +1 when the
// point is left of a->b, -1 right, 0 on the line (or NaN).
inline int8_t Orient2DSign(const double* segment, const double* point)
{
    return Orient2DSign(segment, segment + 2, point);
}

}  // namespace meshaudit
