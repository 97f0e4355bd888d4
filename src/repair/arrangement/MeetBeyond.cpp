#include "repair/arrangement/MeetBeyond.h"

#include "geometry/Predicates.h"
#include "repair/arrangement/PlaneProjection.h"

namespace meshaudit::arrangement {

int Turn(const Face& f, const T3DVECF& p, const T3DVECF& a, const T3DVECF& b)
{
    double pp[2], pa[2], pb[2];
    Project(p, f.i, f.j, pp);
    Project(a, f.i, f.j, pa);
    Project(b, f.i, f.j, pb);
    return Orient2DSign(pp, pa, pb);
}

namespace {

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

// How the face u (p at its corner j) lies to the plane of t (p at its
// corner k): its other two corners on one side (Apart), both on the plane
// (Coplanar), one on it and one off, its edge to that one then leaving p
// into t's angle (Meet) or not (Apart), or strictly on both sides
// (Crosses). `first` is the side of u's next corner after p.
enum class Across { Apart, Meet, Coplanar, Crosses };

Across Against(const Face& t, uint32_t k, const Face& u, uint32_t j, int& first)
{
    first = Orient3DSign(t.c, u[j + 1]);
    const int second = Orient3DSign(t.c, u[j + 2]);
    if (first * second > 0) {
        return Across::Apart;  // u touches t's plane at p alone
    }
    if (first == 0 && second == 0) {
        return Across::Coplanar;
    }
    if (first == 0 || second == 0) {
        return InAngle(t, k, first == 0 ? u[j + 1] : u[j + 2]) ? Across::Meet : Across::Apart;
    }
    return Across::Crosses;
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
    int su1 = 0, st1 = 0;
    const Across across = Against(t, k, u, j, su1);
    if (across == Across::Coplanar) {
        return CoplanarMeetBeyondPoint(t, k, u, j);
    }
    if (across != Across::Crosses) {
        return across == Across::Meet;
    }
    const Across back = Against(u, j, t, k, st1);  // not coplanar: u crosses t's plane
    if (back != Across::Crosses) {
        return back == Across::Meet;
    }
    return Orient3DSign(u[j + 1], u[j + 2], t[k], t[k + 1]) * su1 < 0;
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
