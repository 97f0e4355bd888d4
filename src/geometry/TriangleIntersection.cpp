// Segment/triangle and triangle/triangle tests by exact orientation signs.
#include "geometry/TriangleIntersection.h"

#include "geometry/Classify2D.h"
#include "geometry/Predicates.h"
#include "geometry/Projection.h"

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
// corner's side of the triangle's plane is computed once for its two edges.
bool AnyEdgeMeets(const T3DVECF* edges, const T3DVECF* triangle)
{
    const int8_t sides[3] = {Orient3DSign(triangle, edges[0]), Orient3DSign(triangle, edges[1]),
                             Orient3DSign(triangle, edges[2])};
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (SegmentTriangle(edges[i], edges[j], sides[i], sides[j], triangle) == '1') {
            return true;
        }
    }
    return false;
}

}  // namespace

char SegTriIntersect(const T3DVECF* segment, const T3DVECF* triangle)
{
    return SegmentTriangle(segment[0], segment[1], Orient3DSign(triangle, segment[0]),
                           Orient3DSign(triangle, segment[1]), triangle);
}

char TriTriIntersect(const T3DVECF* t1, const T3DVECF* t2)
{
    if (AnyEdgeMeets(t1, t2) || AnyEdgeMeets(t2, t1)) {
        return '1';
    }
    return '0';
}

}  // namespace meshaudit
