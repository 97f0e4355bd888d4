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

// Whether two faces that share only the point p (corner k of t, corner j
// of u) are seen apart beyond p in the projection on t's axes: a line
// through p along an edge of one of them at p has the other's two far
// corners strictly on its outer side, the edge's own face on the closed
// inner side. The projected faces then share only p's projection, and since
// the projection is one to one on t's plane (t has an area on its axes), a
// point of both projects there only if it is p: they do not meet beyond p.
// False decides nothing.
bool ApartInProjection(const Face& t, uint32_t k, const Face& u, uint32_t j)
{
    const T3DVECF& p = t[k];
    const auto outside = [&t, &p](const T3DVECF& to, int inner, const T3DVECF& a, const T3DVECF& b) {
        return Turn(t, p, to, a) == -inner && Turn(t, p, to, b) == -inner;
    };
    const int tTurn = Turn(t, p, t[k + 1], t[k + 2]);
    if (outside(t[k + 1], tTurn, u[j + 1], u[j + 2]) || outside(t[k + 2], -tTurn, u[j + 1], u[j + 2])) {
        return true;
    }
    const int uTurn = Turn(t, p, u[j + 1], u[j + 2]);
    return uTurn != 0 &&
           (outside(u[j + 1], uTurn, t[k + 1], t[k + 2]) || outside(u[j + 2], -uTurn, t[k + 1], t[k + 2]));
}

// How the face u (p at its corner j) lies to the plane of t (p at its
// corner k): its other two corners on one side (Apart), both on the plane
// (Coplanar), one on it and one off, its edge to that one then leaving p
// into t's angle (Meet) or not (Apart), or strictly on both sides
// (Crosses). `first` is the side of u's next corner after p. `quick`
// holds the two sides as Orient3DQuickSign gives them; the exact stages
// run only where it was not sure.
enum class Across { Apart, Meet, Coplanar, Crosses };

Across Against(const Face& t, uint32_t k, const Face& u, uint32_t j, const int (&quick)[2], int& first)
{
    first = quick[0] != kUnsureSign ? quick[0] : Orient3DSign(t.c, u[j + 1]);
    const int second = quick[1] != kUnsureSign ? quick[1] : Orient3DSign(t.c, u[j + 2]);
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
// Where a far corner of u lies so near t's plane that the double stage of
// the orientation cannot place it (the faces round a point of a nearly flat
// surface), the projection on t's axes is tried first (ApartInProjection),
// which is cheap there and decides most such pairs.
bool MeetBeyondPoint(const Face& t, uint32_t k, const Face& u, uint32_t j)
{
    const int quick[2] = {Orient3DQuickSign(t.c, u[j + 1]), Orient3DQuickSign(t.c, u[j + 2])};
    if ((quick[0] == kUnsureSign || quick[1] == kUnsureSign) && ApartInProjection(t, k, u, j)) {
        return false;
    }
    int su1 = 0, st1 = 0;
    const Across across = Against(t, k, u, j, quick, su1);
    if (across == Across::Coplanar) {
        return CoplanarMeetBeyondPoint(t, k, u, j);
    }
    if (across != Across::Crosses) {
        return across == Across::Meet;
    }
    const int quickBack[2] = {Orient3DQuickSign(u.c, t[k + 1]), Orient3DQuickSign(u.c, t[k + 2])};
    const Across back = Against(u, j, t, k, quickBack, st1);  // not coplanar: u crosses t's plane
    if (back != Across::Crosses) {
        return back == Across::Meet;
    }
    return Orient3DSign(u[j + 1], u[j + 2], t[k], t[k + 1]) * su1 < 0;
}

// Whether two faces that share the edge from corner k to corner k+1 of t,
// u's third corner d, meet beyond it: u meets t's plane along that edge
// alone unless d lies on it, and then the two overlap exactly when t's
// third corner and d lie on one side of the edge's line (d is not on it:
// u has an area). The sides are compared first: they part the faces of
// almost every edge, and the orientation in space is the costly one where
// the two faces lie nearly or exactly in one plane.
bool MeetBeyondEdge(const Face& t, uint32_t k, const T3DVECF& d)
{
    return Turn(t, t[k], t[k + 1], t[k + 2]) * Turn(t, t[k], t[k + 1], d) > 0 && Orient3DSign(t.c, d) == 0;
}

bool MeetBeyondShared(const Face& t, const Face& u)
{
    uint32_t shared = 0, k = 0, j = 0, tMissing = 0, uMissing = 0;
    for (uint32_t a = 0; a < 3; ++a) {
        bool tInU = false, uInT = false;
        for (uint32_t b = 0; b < 3; ++b) {
            tInU = tInU || t.id[a] == u.id[b];
            uInT = uInT || u.id[a] == t.id[b];
            if (t.id[a] == u.id[b]) {
                ++shared;
                k = a;
                j = b;
            }
        }
        tMissing = tInU ? tMissing : a;
        uMissing = uInT ? uMissing : a;
    }
    return shared == 1 ? MeetBeyondPoint(t, k, u, j) : MeetBeyondEdge(t, tMissing + 1, u[uMissing]);
}

}  // namespace meshaudit::arrangement
