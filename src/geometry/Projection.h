// Projection of 3D points onto a coordinate plane, used to decide coplanar
// configurations in 2D. Dropping the coordinate along which a triangle's
// normal is largest keeps the projected triangle as large as possible, so a
// triangle of non-zero area keeps a non-zero area in its projection (the
// normal is computed in doubles, which can only matter for slivers whose
// normal components are all at rounding level).
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// The axis to project a triangle along, for three consecutive corners
// a, b, c: with n = (b - a) x (c - a) in plain doubles, 'x' when |n.x| is at
// least |n.y| and |n.z|, else 'y' when |n.y| is at least the other two, else
// 'z' when |n.z| is; ties go to the earlier axis, so a zero-area triangle
// (n = 0) projects along 'x'. '?' when no comparison holds, which only a NaN
// component of n leads to (a NaN coordinate, or infinities that cancel).
char ProjectionAxis(const T3DVECF* triangle);

// Drops the coordinate `axis` of p, keeping a right-handed order:
// 'x' gives (y, z), 'y' gives (z, x), 'z' gives (x, y). Written to out[0],
// out[1]. Any other axis writes (x, y).
void ProjectPoint(const T3DVECF& p, char axis, double out[2]);

// Projects `count` consecutive points to 2 * count consecutive doubles.
void ProjectPoints(const T3DVECF* points, int count, char axis, double* out);

}  // namespace meshaudit
