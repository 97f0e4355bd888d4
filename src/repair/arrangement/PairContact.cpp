#include "repair/arrangement/PairContact.h"

#include "geometry/AxisPlaneContact.h"
#include "geometry/ModerateRange.h"
#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"
#include "repair/arrangement/Constructions.h"
#include "repair/arrangement/MeetBeyond.h"
#include "repair/arrangement/PlaneProjection.h"

#include <cmath>
#include <utility>

namespace meshaudit::arrangement {

namespace {

// A point of one triangle on the other's plane, before it is built: a
// corner (exact as it is), or where edge p q crosses the plane, held by a
// box from interval arithmetic. Building a crossing exactly costs far more
// than ordering boxes, and of the up to four points of a pair only the two
// ends of the common segment are kept: a crossing is built only when it is
// one of them, or when the boxes cannot order it.
struct Candidate {
    ExactPoint point;  // the point, once built
    bool built = false;
    Interval box[3];
    const T3DVECF* p = nullptr;
    const T3DVECF* q = nullptr;
    const T3DVECF* plane = nullptr;
    uint32_t pId = kNoId;
    uint32_t qId = kNoId;
    const uint32_t* planeIds = nullptr;
};

// Builds a crossing exactly: the side values of the ends, the plane's
// normal formed once.
const ExactPoint& Built(Candidate& c)
{
    if (!c.built) {
        const T3DVECF ends[2] = {*c.p, *c.q};
        const bool wanted[2] = {true, true};
        Dyadic value[2];
        PlaneValues(c.plane[0], c.plane[1], c.plane[2], ends, wanted, 2, value);
        c.point = SegmentPlanePoint(ends[0], ends[1], value[0], value[1]);
        SetRecipe(c.point, c.pId, c.qId, c.planeIds);
        c.built = true;
    }
    return c.point;
}

// The point as an end of the contact: its id alone when `known` holds its
// recipe and it was not built for a comparison, else built.
ExactPoint Finished(Candidate& c, const PointRegistry* known)
{
    if (!c.built && known != nullptr) {
        const uint32_t id = known->Known(c.pId, c.qId, c.planeIds);
        if (id != kNoId) {
            ExactPoint p;
            p.input = false;
            p.id = id;
            SetRecipe(p, c.pId, c.qId, c.planeIds);
            return p;
        }
    }
    return Built(c);
}

// -1, 0, +1 as coordinate `axis` of a is below, equal to, above that of b:
// by the boxes when they are apart, else exactly.
int Compare(Candidate& a, Candidate& b, int axis)
{
    if (a.box[axis].hi < b.box[axis].lo) {
        return -1;
    }
    if (a.box[axis].lo > b.box[axis].hi) {
        return 1;
    }
    return CompareCoordinate(Built(a), Built(b), axis);
}

// The points of triangle `t` on the plane of `plane`: corners on it (side
// 0) and crossings of edges whose ends are strictly on opposite sides. At
// least one when the sides are not all of one strict sign; at most two for a
// triangle that does not lie in the plane.
int PointsOnPlane(const T3DVECF* t, const uint32_t* ids, const int* side, const T3DVECF* plane,
                  const uint32_t* planeIds, Candidate* out)
{
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        if (side[k] == 0) {
            Candidate& c = out[count++];
            c.point = InputPoint(t[k], ids[k]);
            c.built = true;
            for (int axis = 0; axis < 3; ++axis) {
                c.box[axis] = Interval::Point(Coordinates(t[k])[axis]);
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        const int n = (k + 1) % 3;
        if (side[k] * side[n] < 0) {
            Candidate& c = out[count++];
            c.p = &t[k];
            c.q = &t[n];
            c.plane = plane;
            c.pId = ids[k];
            c.qId = ids[n];
            c.planeIds = planeIds;
            SegmentPlaneBox(*c.p, *c.q, plane[0], plane[1], plane[2], c.box);
        }
    }
    return count;
}

// T and U in one plane, meeting in more than their shared corners? `shared`
// is how many ids they share; (i, j) the plane's projection.
bool CoplanarContact(const T3DVECF* t, const uint32_t* tIds, const T3DVECF* u, const uint32_t* uIds, int shared,
                     int i, int j)
{
    if (shared == 0) {
        return TriTriIntersect(t, u) == '1';
    }
    // Rotate both so that their shared corners come first, in the same
    // order: t[0] = u[0] (and t[1] = u[1] for a shared edge).
    int ti[3] = {0, 1, 2};
    int ui[3] = {0, 1, 2};
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            if (tIds[a] == uIds[b]) {
                ti[0] = a;
                ui[0] = b;
                a = 3;
                break;
            }
        }
    }
    ti[1] = (ti[0] + 1) % 3;
    ti[2] = (ti[0] + 2) % 3;
    ui[1] = (ui[0] + 1) % 3;
    ui[2] = (ui[0] + 2) % 3;
    if (shared == 2) {
        // Sharing an edge: they overlap exactly when their third corners
        // are on one side of it (folded over each other).
        auto third = [](const uint32_t* ids, const uint32_t* other) {
            for (int a = 0; a < 3; ++a) {
                if (ids[a] != other[0] && ids[a] != other[1] && ids[a] != other[2]) {
                    return a;
                }
            }
            return 0;
        };
        const int tc = third(tIds, uIds);
        const int uc = third(uIds, tIds);
        const T3DVECF& a = t[(tc + 1) % 3];
        const T3DVECF& b = t[(tc + 2) % 3];
        return Orient2DProjected(a, b, t[tc], i, j) * Orient2DProjected(a, b, u[uc], i, j) > 0;
    }
    // Sharing corner v alone: their angles at v, each under 180 degrees, are
    // disjoint exactly when a line through v along one of the four sides
    // from v has both far corners of the other triangle on its far side
    // (or on it); else they overlap near v.
    const T3DVECF& v = t[ti[0]];
    const T3DVECF* t1 = &t[ti[1]];
    const T3DVECF* t2 = &t[ti[2]];
    const T3DVECF* u1 = &u[ui[1]];
    const T3DVECF* u2 = &u[ui[2]];
    if (Orient2DProjected(v, *t1, *t2, i, j) < 0) {
        std::swap(t1, t2);
    }
    if (Orient2DProjected(v, *u1, *u2, i, j) < 0) {
        std::swap(u1, u2);
    }
    auto o = [&](const T3DVECF* a, const T3DVECF* b) { return Orient2DProjected(v, *a, *b, i, j); };
    const bool apart = (o(t1, u1) <= 0 && o(t1, u2) <= 0) || (o(t2, u1) >= 0 && o(t2, u2) >= 0) ||
                       (o(u1, t1) <= 0 && o(u1, t2) <= 0) || (o(u2, t1) >= 0 && o(u2, t2) >= 0);
    if (!apart) {
        return true;
    }
    // Disjoint angles still meet along a side they both run along from v.
    const T3DVECF* ts[2] = {t1, t2};
    const T3DVECF* us[2] = {u1, u2};
    const double* cv = Coordinates(v);
    for (const T3DVECF* a : ts) {
        for (const T3DVECF* b : us) {
            if (o(a, b) != 0) {
                continue;
            }
            const double* ca = Coordinates(*a);
            const double* cb = Coordinates(*b);
            for (int axis : {i, j}) {
                const int sa = (ca[axis] > cv[axis]) - (ca[axis] < cv[axis]);
                const int sb = (cb[axis] > cv[axis]) - (cb[axis] < cv[axis]);
                if (sa != 0 && sa == sb) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

PairContact FindPairContact(const T3DVECF* t, const uint32_t* tIds, const T3DVECF* u, const uint32_t* uIds,
                            const PointRegistry* known, bool byAngles)
{
    PairContact result;
    int shared = 0;
    uint32_t tShared = 0;
    uint32_t uShared = 0;
    for (uint32_t a = 0; a < 3; ++a) {
        for (uint32_t b = 0; b < 3; ++b) {
            if (tIds[a] == uIds[b]) {
                ++shared;
                tShared = a;
                uShared = b;
            }
        }
    }
    if (byAngles && shared == 1) {
        // Most pairs round a point meet nowhere else; those near the curves
        // of a previous round, with corners rounded off each other's planes
        // by a unit in the last place, would otherwise build their crossings
        // only to find that.
        Face tf{{t[0], t[1], t[2]}, {tIds[0], tIds[1], tIds[2]}, 0, 1};
        Face uf{{u[0], u[1], u[2]}, {uIds[0], uIds[1], uIds[2]}, 0, 1};
        if (ProjectionAxes(t, tf.i, tf.j) && ProjectionAxes(u, uf.i, uf.j) &&
            !MeetBeyondPoint(tf, tShared, uf, uShared)) {
            return result;
        }
    }
    // A shared corner is on both planes: its sides are 0 without a test
    // (those would all take the predicates' slow exact stage), and so is
    // every corner of a pair in one plane normal to an axis, with moderate
    // coordinates (AxisPlaneContact.h). A pair sharing an edge needs only
    // the side of U's third corner.
    auto isShared = [](uint32_t id, const uint32_t* other) { return id == other[0] || id == other[1] || id == other[2]; };
    const bool flat = SharedAxisPlane(t, u) >= 0 && Moderate(t) && Moderate(u);
    int sideU[3] = {0, 0, 0};
    int sideT[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        sideU[k] = flat || isShared(uIds[k], tIds) ? 0 : Orient3DSign(t, u[k]);
    }
    if (shared == 2 && (sideU[0] != 0 || sideU[1] != 0 || sideU[2] != 0)) {
        return result;  // different planes through a shared edge meet along it alone
    }
    for (int k = 0; k < 3; ++k) {
        sideT[k] = flat || isShared(tIds[k], uIds) ? 0 : Orient3DSign(u, t[k]);
    }
    if (sideT[0] == 0 && sideT[1] == 0 && sideT[2] == 0 && (sideU[0] != 0 || sideU[1] != 0 || sideU[2] != 0)) {
        // T on U's plane while U is not on T's: U has no plane, its corners
        // are on one line. A triangle without area bounds nothing; its
        // contacts are left to the final check, which reports them.
        return result;
    }
    if (sideU[0] == 0 && sideU[1] == 0 && sideU[2] == 0) {
        int i = 0;
        int j = 1;
        if (ProjectionAxes(t, i, j) && CoplanarContact(t, tIds, u, uIds, shared, i, j)) {
            result.kind = PairContact::Kind::Coplanar;
        }
        return result;
    }
    auto oneSide = [](const int* s) {
        return (s[0] > 0 && s[1] > 0 && s[2] > 0) || (s[0] < 0 && s[1] < 0 && s[2] < 0);
    };
    // Triangles in different planes that share an edge meet along it alone.
    if (oneSide(sideU) || oneSide(sideT) || shared >= 2) {
        return result;
    }
    if (shared == 1) {
        // The shared corner is on both planes; when the other two corners of
        // either triangle are strictly on one side of the other's plane, that
        // triangle touches the plane at the corner alone.
        auto othersOneSide = [](const uint32_t* ids, const uint32_t* other, const int* side) {
            int product = 1;
            for (int k = 0; k < 3; ++k) {
                if (ids[k] != other[0] && ids[k] != other[1] && ids[k] != other[2]) {
                    product *= side[k];
                }
            }
            return product > 0;
        };
        if (othersOneSide(tIds, uIds, sideT) || othersOneSide(uIds, tIds, sideU)) {
            return result;
        }
    } else if (TriTriIntersect(t, u) == '0') {
        return result;  // apart: the library's exact test, without constructions
    }
    // Both meet the line where the planes cross: T in the segment of its
    // points on U's plane, U in that of its points on T's plane; what they
    // have in common is the overlap of the two, ordered along an axis on
    // which the line is not constant.
    Candidate points[4];
    const int onU = PointsOnPlane(t, tIds, sideT, u, uIds, points);
    const int count = onU + PointsOnPlane(u, uIds, sideU, t, tIds, points + onU);
    int axis = -1;
    for (int a = 0; a < count && axis < 0; ++a) {
        for (int b = a + 1; b < count && axis < 0; ++b) {
            for (int c = 0; c < 3; ++c) {
                if (Compare(points[a], points[b], c) != 0) {
                    axis = c;
                    break;
                }
            }
        }
    }
    Candidate* lo = &points[0];
    Candidate* hi = &points[0];
    if (axis >= 0) {
        auto less = [axis](Candidate* p, Candidate* q) { return Compare(*p, *q, axis) < 0; };
        Candidate* tLo = &points[0];
        Candidate* tHi = &points[0];
        for (int k = 1; k < onU; ++k) {
            tLo = less(&points[k], tLo) ? &points[k] : tLo;
            tHi = less(tHi, &points[k]) ? &points[k] : tHi;
        }
        Candidate* uLo = &points[onU];
        Candidate* uHi = &points[onU];
        for (int k = onU + 1; k < count; ++k) {
            uLo = less(&points[k], uLo) ? &points[k] : uLo;
            uHi = less(uHi, &points[k]) ? &points[k] : uHi;
        }
        lo = less(tLo, uLo) ? uLo : tLo;
        hi = less(tHi, uHi) ? tHi : uHi;
        if (less(hi, lo)) {
            return result;
        }
    }
    const bool single = axis < 0 || Compare(*lo, *hi, axis) == 0;
    if (single) {
        // A lone point that both share by id is no contact.
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                if (tIds[a] == uIds[b] && SamePoint(Built(*lo), InputPoint(t[a], tIds[a]))) {
                    return result;
                }
            }
        }
        result.kind = PairContact::Kind::Point;
        result.from = Finished(*lo, known);
        return result;
    }
    result.kind = PairContact::Kind::Segment;
    result.from = Finished(*lo, known);
    result.to = Finished(*hi, known);
    return result;
}

}  // namespace meshaudit::arrangement
