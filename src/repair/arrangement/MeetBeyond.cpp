#include "repair/arrangement/MeetBeyond.h"

#include "geometry/Predicates.h"
#include "repair/arrangement/PlaneProjection.h"

namespace meshaudit::arrangement {

namespace {

// The sign of the turn from the direction p->a to the direction p->b in
// the projection of a plane that holds all three on the axes of `f`'s
// plane: exact, and of one orientation for every pair of directions in
// that plane.
int Turn(const Face& f, const T3DVECF& p, const T3DVECF& a, const T3DVECF& b)
{
    double pp[2], pa[2], pb[2];
    Project(p, f.i, f.j, pp);
    Project(a, f.i, f.j, pa);
    Project(b, f.i, f.j, pb);
    return Orient2DSign(pp, pa, pb);
}

// Whether the direction from corner k of f to r, a point on f's plane,
// lies in f's angle at that corner (closed; it turns by less than a half
// turn, `turn` its sign: Turn(plane, f[k], f[k+1], f[k+2])), all seen in
// the projection of `plane`, a face in the same plane. The direction
// opposite a side turns from it by 0 and to the other side by -turn:
// outside.
bool InAngle(const Face& plane, const Face& f, uint32_t k, int turn, const T3DVECF& r)
{
    return Turn(plane, f[k], f[k + 1], r) * turn >= 0 && Turn(plane, f[k], r, f[k + 2]) * turn >= 0;
}

bool InAngle(const Face& f, uint32_t k, const T3DVECF& r)
{
    return InAngle(f, f, k, Turn(f, f[k], f[k + 1], f[k + 2]), r);
}

// Whether two faces in one plane that share only the point p (corner k of
// t, corner j of u) meet beyond it. Near p each is its angle at p, so they
// meet beyond p exactly when the angles do: when t's angle holds a side of
// u's, or u's angle all of t's. (Two angles below a half turn at one apex
// that overlap hold a side of each other: turning from outside the one
// into it crosses a side of it. Two sides in one direction are edges that
// overlap.)
bool CoplanarMeetBeyondPoint(const Face& t, uint32_t k, const Face& u, uint32_t j)
{
    const int tTurn = Turn(t, t[k], t[k + 1], t[k + 2]);
    const int uTurn = Turn(t, u[j], u[j + 1], u[j + 2]);
    return InAngle(t, t, k, tTurn, u[j + 1]) || InAngle(t, t, k, tTurn, u[j + 2]) ||
           InAngle(t, u, j, uTurn, t[k + 1]);
}

}  // namespace

// Whether two faces that share only the point p (at corner k of t and
// corner j of u) meet beyond it, as FindPairContact decides, with fewer
// predicates:
//  - where the two lie in one plane, by their angles at p;
//  - where one has one other corner q on the other's plane and its third
//    off it, it meets that plane in its edge from p to q alone, and they
//    meet beyond p exactly when that edge leaves p into the other's angle;
//  - where they cross each other's plane, that is when the other two
//    corners of each lie strictly on both sides of the other's plane, each
//    meets the line of the two planes in a segment from p, and they meet
//    beyond p exactly when u's segment leaves p into t's angle at p, that
//    is when u's crossing of t's plane lies on the inner side of t's edge
//    from p to its next corner (inner: where a crossing from the side of u1
//    gives an orientation of the opposite sign). The segment cannot end on
//    that edge's line, which meets t's far edge only at its end.
bool MeetBeyondPoint(const Face& t, uint32_t k, const Face& u, uint32_t j)
{
    const T3DVECF& u1 = u[j + 1];
    const T3DVECF& u2 = u[j + 2];
    const int su1 = Orient3DSign(t.c, u1), su2 = Orient3DSign(t.c, u2);
    if (su1 * su2 > 0) {
        return false;  // u touches t's plane at p alone
    }
    if (su1 == 0 || su2 == 0) {
        if (su1 == 0 && su2 == 0) {
            return CoplanarMeetBeyondPoint(t, k, u, j);
        }
        return InAngle(t, k, su1 == 0 ? u1 : u2);
    }
    const T3DVECF& t1 = t[k + 1];
    const T3DVECF& t2 = t[k + 2];
    const int st1 = Orient3DSign(u.c, t1), st2 = Orient3DSign(u.c, t2);
    if (st1 * st2 > 0) {
        return false;  // t touches u's plane at p alone
    }
    if (st1 == 0 || st2 == 0) {
        return InAngle(u, j, st1 == 0 ? t1 : t2);  // not both: u1 and u2 are off t's plane
    }
    return Orient3DSign(u1, u2, t[k], t1) * su1 < 0;
}

// Whether two faces that share the edge from corner k to corner k+1 of t,
// u's third corner d, meet beyond it: u meets t's plane along that edge
// alone unless d lies on it, and then the two overlap exactly when t's
// third corner and d lie on one side of the edge's line (d is not on it:
// u has an area).
bool MeetBeyondEdge(const Face& t, uint32_t k, const T3DVECF& d)
{
    return Orient3DSign(t.c, d) == 0 && Turn(t, t[k], t[k + 1], t[k + 2]) * Turn(t, t[k], t[k + 1], d) > 0;
}

}  // namespace meshaudit::arrangement
