#include "repair/pipeline/ArrangeCheck.h"
#include "containers/WorkArray.h"

#include "geometry/IntersectingPairs.h"
#include "geometry/Predicates.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/PlaneProjection.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace meshaudit::pipeline {

namespace {

std::array<uint32_t, 3> Corners(const TRIANGLE& t)
{
    return {t.a, t.b, t.c};
}

bool RepeatsIndex(const TRIANGLE& t)
{
    return t.a == t.b || t.b == t.c || t.a == t.c;
}

// The id of every point as the arrangement's registry gives it: one point
// for each set of used points of equal coordinates (0.0 and -0.0 alike),
// here the first of the set in coordinate order (which one does not change
// the answer: only equal ids are compared). Empty when a used point is not
// finite, which leaves the answer to the arrangement. `joined` tells
// whether any point takes another's id.
WorkArray<uint32_t> PointIds(const MeshRecord& mesh, bool& joined)
{
    WorkArray<uint32_t> ids(mesh.pointCount, UINT32_MAX);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        for (uint32_t k = 0; k < 3; ++k) {
            ids[Corners(mesh.triangles[t])[k]] = 0;
        }
    }
    WorkArray<uint32_t> used;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        if (ids[p] == 0) {
            const T3DVECF& c = mesh.points[p];
            if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) {
                return {};
            }
            used.push_back(p);
        }
    }
    const auto less = [&mesh](uint32_t p, uint32_t q) {
        const T3DVECF& a = mesh.points[p];
        const T3DVECF& b = mesh.points[q];
        return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z != b.z ? a.z < b.z : p < q;
    };
    std::sort(used.begin(), used.end(), less);
    joined = false;
    for (size_t k = 0; k < used.size(); ++k) {
        const T3DVECF& c = mesh.points[used[k]];
        const T3DVECF* before = k == 0 ? nullptr : &mesh.points[used[k - 1]];
        const bool same = before != nullptr && before->x == c.x && before->y == c.y && before->z == c.z;
        ids[used[k]] = same ? ids[used[k - 1]] : used[k];
        joined |= same;
    }
    return ids;
}

// Whether the arrangement takes the triangle as one with an area: three
// distinct indices (points differ here) not on one line. Sets (i, j) to
// the axes of its plane's projection.
bool Proper(const MeshRecord& mesh, const TRIANGLE& t, int& i, int& j)
{
    if (RepeatsIndex(t)) {
        return false;
    }
    const T3DVECF corners[3] = {mesh.points[t.a], mesh.points[t.b], mesh.points[t.c]};
    return arrangement::ProjectionAxes(corners, i, j);
}

// A triangle with an area round the point at hand: its corners, their ids
// and the axes of its plane's projection.
struct Face {
    T3DVECF c[3];
    uint32_t id[3];
    int i, j;

    const T3DVECF& operator[](uint32_t k) const { return c[k % 3]; }
};

// The sign of the turn from the direction p->a to the direction p->b in
// the projection of a plane that holds all three on the axes of `f`'s
// plane: exact, and of one orientation for every pair of directions in
// that plane.
int Turn(const Face& f, const T3DVECF& p, const T3DVECF& a, const T3DVECF& b)
{
    double pp[2], pa[2], pb[2];
    arrangement::Project(p, f.i, f.j, pp);
    arrangement::Project(a, f.i, f.j, pa);
    arrangement::Project(b, f.i, f.j, pb);
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
//
// Where a far corner of u lies so near t's plane that the double stage of
// the orientation cannot place it (the faces round a point of a nearly flat
// surface), the projection on t's axes is tried first (ApartInProjection),
// which is cheap there and decides most such pairs.
bool MeetBeyondPoint(const Face& t, uint32_t k, const Face& u, uint32_t j)
{
    const T3DVECF& u1 = u[j + 1];
    const T3DVECF& u2 = u[j + 2];
    int su1 = Orient3DQuickSign(t.c, u1), su2 = Orient3DQuickSign(t.c, u2);
    if (su1 == kUnsureSign || su2 == kUnsureSign) {
        if (ApartInProjection(t, k, u, j)) {
            return false;
        }
        su1 = su1 == kUnsureSign ? Orient3DSign(t.c, u1) : su1;
        su2 = su2 == kUnsureSign ? Orient3DSign(t.c, u2) : su2;
    }
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
// u has an area). The sides are compared first: they part the faces of
// almost every edge, and the orientation in space is the costly one where
// the two faces lie nearly or exactly in one plane.
bool MeetBeyondEdge(const Face& t, uint32_t k, const T3DVECF& d)
{
    return Turn(t, t[k], t[k + 1], t[k + 2]) * Turn(t, t[k], t[k + 1], d) > 0 && Orient3DSign(t.c, d) == 0;
}

// The pairs that share a point index, each at the smallest index they
// share: any contact between two triangles with an area? The arrangement
// skips a pair in which either has none (they share an index), and a pair
// of the same three points.
ArrangeCheck CheckFans(const MeshRecord& mesh)
{
    WorkArray<uint32_t> first(size_t{mesh.pointCount} + 1, 0);
    // 0 for a triangle without an area, else 1 + the axis its plane's
    // projection drops.
    WorkArray<uint8_t> drop(mesh.triangleCount, 0);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        int i = 0, j = 0;
        if (Proper(mesh, mesh.triangles[t], i, j)) {
            drop[t] = static_cast<uint8_t>(1 + (i + 2) % 3);
            for (uint32_t k = 0; k < 3; ++k) {
                ++first[Corners(mesh.triangles[t])[k] + 1];
            }
        }
    }
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        if (first[p + 1] > kMostFan) {
            return ArrangeCheck::Unknown;
        }
        first[p + 1] += first[p];
    }
    WorkArray<uint32_t> fan(first[mesh.pointCount]);
    WorkArray<uint32_t> next(first.begin(), first.end() - 1);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (drop[t] != 0) {
            for (uint32_t k = 0; k < 3; ++k) {
                fan[next[Corners(mesh.triangles[t])[k]]++] = t;
            }
        }
    }
    std::array<Face, kMostFan> faces;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        const uint32_t count = first[p + 1] - first[p];
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t t = fan[first[p] + x];
            const std::array<uint32_t, 3> ids = Corners(mesh.triangles[t]);
            Face& f = faces[x];
            for (uint32_t k = 0; k < 3; ++k) {
                f.id[k] = ids[k];
                f.c[k] = mesh.points[ids[k]];
            }
            f.i = drop[t] % 3;
            f.j = (drop[t] + 1) % 3;
        }
        for (uint32_t x = 0; x < count; ++x) {
            const Face& t = faces[x];
            for (uint32_t y = x + 1; y < count; ++y) {
                const Face& u = faces[y];
                uint32_t smallest = UINT32_MAX, shared = 0, k = 0, j = 0, tMissing = 3, uMissing = 3;
                for (uint32_t a = 0; a < 3; ++a) {
                    for (uint32_t b = 0; b < 3; ++b) {
                        if (t.id[a] == u.id[b]) {
                            smallest = std::min(smallest, t.id[a]);
                            ++shared;
                            k = a;
                            j = b;
                        }
                    }
                }
                if (smallest != p || shared == 3) {
                    continue;  // met at a smaller shared index, or the same three points
                }
                bool meet = false;
                if (shared == 1) {
                    meet = MeetBeyondPoint(t, k, u, j);
                } else {
                    for (uint32_t a = 0; a < 3; ++a) {
                        tMissing = t.id[a] != u.id[0] && t.id[a] != u.id[1] && t.id[a] != u.id[2] ? a : tMissing;
                        uMissing = u.id[a] != t.id[0] && u.id[a] != t.id[1] && u.id[a] != t.id[2] ? a : uMissing;
                    }
                    meet = MeetBeyondEdge(t, tMissing + 1, u[uMissing]);
                }
                if (meet) {
                    return ArrangeCheck::Contact;
                }
            }
        }
    }
    return ArrangeCheck::Clean;
}

}  // namespace

ArrangeCheck CheckArrangement(const MeshRecord& mesh)
{
    if (mesh.triangleCount == 0) {
        return ArrangeCheck::Clean;
    }
    bool joined = false;
    const WorkArray<uint32_t> ids = PointIds(mesh, joined);
    if (ids.empty()) {
        return ArrangeCheck::Unknown;
    }
    // Points of equal coordinates: the arrangement's first round names the
    // triangles by their ids, and its second round and final check see
    // them so named. Its first round decides a pair with a triangle without
    // area by the indices as given, not the ids, and keeps such a triangle
    // as given: left to it.
    WorkArray<TRIANGLE> named;
    MeshRecord record = mesh;
    if (joined) {
        named.reserve(mesh.triangleCount);
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            const TRIANGLE& tri = mesh.triangles[t];
            named.push_back(TRIANGLE{ids[tri.a], ids[tri.b], ids[tri.c]});
            int i = 0, j = 0;
            if (!Proper(mesh, named.back(), i, j)) {
                return ArrangeCheck::Unknown;
            }
        }
        record.triangles = named.data();
    }
    // With the points distinct, a pair sharing no index is in contact for
    // the arrangement exactly when TriTriIntersect says they meet, as for
    // the library's search (which skips, as the arrangement does, a
    // triangle that repeats an index).
    C3DTriAABBTree tree;
    if (tree.Build(record, TriLeaves::Wide) != 1) {
        return ArrangeCheck::Unknown;
    }
    const int found = FindIntersectingPair(&tree, &tree);
    if (found != 0) {
        return found == 1 ? ArrangeCheck::Contact : ArrangeCheck::Unknown;
    }
    const ArrangeCheck fans = CheckFans(record);
    return fans == ArrangeCheck::Clean && joined ? ArrangeCheck::CleanJoined : fans;
}

}  // namespace meshaudit::pipeline
