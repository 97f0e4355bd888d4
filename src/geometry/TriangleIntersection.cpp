// Segment/triangle and triangle/triangle tests by exact orientation signs.
#include "geometry/TriangleIntersection.h"

#include "geometry/AxisPlaneContact.h"
#include "geometry/Classify2D.h"
#include "geometry/ModerateRange.h"
#include "geometry/Predicates.h"
#include "geometry/Projection.h"

#include <cmath>
#include <initializer_list>

namespace meshaudit {

namespace {

// The segment p-q lies in the triangle's plane: decide in 2D.
char CoplanarSegmentTriangle(const T3DVECF& p, const T3DVECF& q, const T3DVECF* triangle)
{
    const char axis = ProjectionAxis(triangle);
    if (axis == '?') {
        return '0';
    }
    double flatTriangle[6];
    double flatSegment[4];
    ProjectPoints(triangle, 3, axis, flatTriangle);
    ProjectPoint(p, axis, flatSegment);
    ProjectPoint(q, axis, flatSegment + 2);
    return SegTriIntersect2D(flatSegment, flatTriangle);
}

// The point lies in the triangle's plane: inside or on the boundary?
char PointOnPlaneInTriangle(const T3DVECF& point, const T3DVECF* triangle)
{
    const char axis = ProjectionAxis(triangle);
    if (axis == '?') {
        return '0';
    }
    double flatTriangle[6];
    double flatPoint[2];
    ProjectPoints(triangle, 3, axis, flatTriangle);
    ProjectPoint(point, axis, flatPoint);
    const char where = ClassifyPointTriangle2D(flatPoint, flatTriangle);
    return (where == '1' || where == 'r') ? '1' : '0';
}

// sp and sq are the sides of p and q: Orient3DSign(triangle, p) and (.., q).
char SegmentTriangle(const T3DVECF& p, const T3DVECF& q, int8_t sp, int8_t sq,
                     const T3DVECF* triangle)
{
    if (sp == 0 && sq == 0) {
        return CoplanarSegmentTriangle(p, q, triangle);
    }
    if (sp == sq) {
        return '0';
    }
    if (sp == 0) {
        return PointOnPlaneInTriangle(p, triangle);
    }
    if (sq == 0) {
        return PointOnPlaneInTriangle(q, triangle);
    }
    // Strict crossing from x (on the normal's side, sign -1) to y. The
    // crossing point is outside the triangle exactly when the directed line
    // x -> y passes strictly on the outer side of some edge, which is the
    // sign of the tetrahedron spanned by x, that edge reversed, and y.
    const T3DVECF& x = sp < 0 ? p : q;
    const T3DVECF& y = sp < 0 ? q : p;
    const T3DVECF& a = triangle[0];
    const T3DVECF& b = triangle[1];
    const T3DVECF& c = triangle[2];
    if (Orient3DSign(x, b, a, y) == 1 || Orient3DSign(x, c, b, y) == 1 ||
        Orient3DSign(x, a, c, y) == 1) {
        return '0';
    }
    return '1';
}

// Some edge of `edges` meets `triangle`, edges tried in corner order. Each
// corner's side of the triangle's plane (`sides`) is computed once for its
// two edges.
bool AnyEdgeMeets(const T3DVECF* edges, const T3DVECF* triangle, const int8_t* sides)
{
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (SegmentTriangle(edges[i], edges[j], sides[i], sides[j], triangle) == '1') {
            return true;
        }
    }
    return false;
}

bool AnyEdgeMeets(const T3DVECF* edges, const T3DVECF* triangle)
{
    const int8_t sides[3] = {Orient3DSign(triangle, edges[0]), Orient3DSign(triangle, edges[1]),
                             Orient3DSign(triangle, edges[2])};
    return AnyEdgeMeets(edges, triangle, sides);
}

// Whether some line through an edge of the projected triangle `a` (its turn
// `turn`, not 0) has the three projected corners of `b` strictly on its
// outer side: then a and b are apart in the projection.
bool OuterSideHolds(const double* a, int8_t turn, const double* b)
{
    for (int i = 0; i < 3; ++i) {
        const double* from = a + 2 * i;
        const double* to = a + 2 * ((i + 1) % 3);
        if (Orient2DSign(from, to, b) == -turn && Orient2DSign(from, to, b + 2) == -turn &&
            Orient2DSign(from, to, b + 4) == -turn) {
            return true;
        }
    }
    return false;
}

// Both triangles (finite) projected along the same axis (ProjectionAxis)
// and with an area there: then every edge test of the pair is the 2D test in
// that one projection, exact. Writes the projections and their turns.
bool CommonProjection(const T3DVECF* t1, const T3DVECF* t2, double* a, double* b, int8_t& turnA, int8_t& turnB)
{
    const char axis = ProjectionAxis(t1);
    if (axis == '?' || ProjectionAxis(t2) != axis) {
        return false;
    }
    ProjectPoints(t1, 3, axis, a);
    ProjectPoints(t2, 3, axis, b);
    turnA = Orient2DSign(a, a + 2, a + 4);
    turnB = Orient2DSign(b, b + 2, b + 4);
    return turnA != 0 && turnB != 0;
}

// Two triangles in one plane (t1's corners on t2's plane) that the edge
// tests would find apart, decided with a few orientations instead of theirs
// (up to 18 for each of the six edges): both in a common projection
// (CommonProjection), and a line through an edge of one leaves the other
// strictly outside. Then every edge of each lies in the other's plane, each
// edge test is the 2D test in that one projection, and the projections are
// apart: each edge test says '0'. False decides nothing (the edge tests run
// as before). Faces of boxes and of machined parts are such pairs, many to a
// face where the triangles of a grid touch by their boxes only.
bool CoplanarApart(const T3DVECF* t1, const T3DVECF* t2)
{
    for (int k = 0; k < 3; ++k) {
        for (const T3DVECF* p : {&t1[k], &t2[k]}) {
            if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) {
                return false;
            }
        }
    }
    double a[6];
    double b[6];
    int8_t turnA = 0;
    int8_t turnB = 0;
    return CommonProjection(t1, t2, a, b, turnA, turnB) &&
           (OuterSideHolds(a, turnA, b) || OuterSideHolds(b, turnB, a));
}

// A pair in one plane normal to axis `plane`, both moderate (SharedAxisPlane):
// every orientation of their corners is 0, so the edge tests run with the
// sides known. In a common projection those tests tell exactly whether the
// two meet, so the faces of their boxes, which tell that exactly too when
// they tell anything, may answer first.
char AxisPlanePair(const T3DVECF* t1, const T3DVECF* t2, int plane)
{
    double a[6];
    double b[6];
    int8_t turnA = 0;
    int8_t turnB = 0;
    if (CommonProjection(t1, t2, a, b, turnA, turnB)) {
        const int touch = ContactAtBoxFaces(t1, t2, plane);
        if (touch >= 0) {
            return touch == 1 ? '1' : '0';
        }
        if (OuterSideHolds(a, turnA, b) || OuterSideHolds(b, turnB, a)) {
            return '0';
        }
    }
    constexpr int8_t kOnPlane[3] = {0, 0, 0};
    return AnyEdgeMeets(t1, t2, kOnPlane) || AnyEdgeMeets(t2, t1, kOnPlane) ? '1' : '0';
}

// Whether the triangle keeps an area in the projection the coplanar edge
// tests give it: they are then exact in its plane.
bool ProjectsWithArea(const T3DVECF* t)
{
    const char axis = ProjectionAxis(t);
    if (axis == '?') {
        return false;
    }
    double flat[6];
    ProjectPoints(t, 3, axis, flat);
    return Orient2DSign(flat, flat + 2, flat + 4) != 0;
}

}  // namespace

char SegTriIntersect(const T3DVECF* segment, const T3DVECF* triangle)
{
    return SegmentTriangle(segment[0], segment[1], Orient3DSign(triangle, segment[0]),
                           Orient3DSign(triangle, segment[1]), triangle);
}

char TriTriIntersect(const T3DVECF* t1, const T3DVECF* t2)
{
    // Both in one plane normal to an axis: every orientation below would be
    // exactly 0, and take the predicates' slow stage to say so.
    const int plane = SharedAxisPlane(t1, t2);
    if (plane >= 0 && Moderate(t1) && Moderate(t2)) {
        return AxisPlanePair(t1, t2, plane);
    }
    const int8_t sides[3] = {Orient3DSign(t2, t1[0]), Orient3DSign(t2, t1[1]), Orient3DSign(t2, t1[2])};
    // t1 strictly on one side of the plane that holds all of t2: they do
    // not meet, and the edge tests say so too when their orientations are
    // exact (moderate coordinates) and t1's projection keeps its area, so
    // t2's three orientations against t1's plane, and the crossings of its
    // edges, are spared. On a surface most pairs that reach here are such.
    // A t1 without area in its projection is left to the edge tests, whose
    // answer for it is their own.
    if (sides[0] != 0 && sides[0] == sides[1] && sides[1] == sides[2] && Moderate(t1) && Moderate(t2) &&
        ProjectsWithArea(t1)) {
        return '0';
    }
    if (sides[0] == 0 && sides[1] == 0 && sides[2] == 0 && CoplanarApart(t1, t2)) {
        return '0';
    }
    if (AnyEdgeMeets(t1, t2, sides) || AnyEdgeMeets(t2, t1)) {
        return '1';
    }
    return '0';
}

char tri_tri_testing::ByEdges(const T3DVECF* t1, const T3DVECF* t2)
{
    return AnyEdgeMeets(t1, t2) || AnyEdgeMeets(t2, t1) ? '1' : '0';
}

}  // namespace meshaudit
