// Point, segment and triangle classification in the plane.
#include "geometry/Classify2D.h"

#include "geometry/Predicates.h"

namespace meshaudit {

char ClassifyPointSegment2D(const double* p, const double* segment)
{
    const double* s0 = segment;
    const double* s1 = segment + 2;
    const int8_t side = Orient2DSign(s0, s1, p);
    if (side < 0) {
        return '-';
    }
    if (side > 0) {
        return '+';
    }
    if (p[0] == s0[0] && p[1] == s0[1]) {
        return 'a';
    }
    if (p[0] == s1[0] && p[1] == s1[1]) {
        return 'b';
    }
    // Collinear: order along the line by x, or by y for a segment parallel
    // to the y axis, where the x coordinates say nothing.
    const int k = (s0[0] < s1[0] || s1[0] < s0[0]) ? 0 : 1;
    const double low = s0[k] < s1[k] ? s0[k] : s1[k];
    const double high = s0[k] < s1[k] ? s1[k] : s0[k];
    const double c = p[k];
    if (low > c && low == s0[k]) {
        return '<';
    }
    if (c > high && high == s1[k]) {
        return '>';
    }
    if (low > c && low == s1[k]) {
        return '>';
    }
    if (c > high && high == s0[k]) {
        return '<';
    }
    return '1';
}

namespace {

bool SameStrictSide(char c0, char c1)
{
    return (c0 == '+' && c1 == '+') || (c0 == '-' && c1 == '-');
}

}  // namespace

char SegSegIntersect2D(const double* s1, const double* s2)
{
    const char c0 = ClassifyPointSegment2D(s1, s2);
    const char c1 = ClassifyPointSegment2D(s1 + 2, s2);
    if (SameStrictSide(c0, c1)) {
        return '0';
    }
    const char c2 = ClassifyPointSegment2D(s2, s1);
    const char c3 = ClassifyPointSegment2D(s2 + 2, s1);
    if (SameStrictSide(c2, c3)) {
        return '0';
    }
    // Both ends of s1 on the line of s2 and past the same end of it.
    if ((c0 == '<' && c1 == '<') || (c0 == '>' && c1 == '>')) {
        return '0';
    }
    return '1';
}

char ClassifyPointTriangle2D(const double* p, const double* triangle)
{
    const double* a = triangle;
    const double* b = triangle + 2;
    const double* c = triangle + 4;
    const int8_t orientation = Orient2DSign(a, b, c);
    if (orientation == 0) {
        return '?';
    }
    // p is inside a counterclockwise triangle when it is left of every edge;
    // for a clockwise one the signs are flipped first.
    int8_t sides[3] = {Orient2DSign(p, a, b), Orient2DSign(p, b, c), Orient2DSign(p, c, a)};
    if (orientation < 0) {
        for (int8_t& side : sides) {
            side = static_cast<int8_t>(-side);
        }
    }
    if (sides[0] < 0 || sides[1] < 0 || sides[2] < 0) {
        return '0';
    }
    if (sides[0] == 0 || sides[1] == 0 || sides[2] == 0) {
        return 'r';
    }
    return '1';
}

char SegTriIntersect2D(const double* segment, const double* triangle)
{
    for (int end = 0; end < 2; ++end) {
        const char where = ClassifyPointTriangle2D(segment + 2 * end, triangle);
        if (where == '1' || where == 'r') {
            return '1';
        }
    }
    // Edges (a, b), (b, c) and (c, a); the last one is copied to be
    // contiguous.
    const double ca[4] = {triangle[4], triangle[5], triangle[0], triangle[1]};
    if (SegSegIntersect2D(segment, triangle) == '1' || SegSegIntersect2D(segment, triangle + 2) == '1' ||
        SegSegIntersect2D(segment, ca) == '1') {
        return '1';
    }
    return '0';
}

}  // namespace meshaudit
