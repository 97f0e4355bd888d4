// Point/segment/triangle classification in the plane: random grid
// configurations (full of collinear and touching cases) against an integer
// brute force (degenerate triangles included), and by hand NaN. The exact
// sides of inexact decimals are the predicates' own tests.
#include "geometry/Classify2D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>

namespace meshaudit {
namespace {

// Every orientation with a NaN is 0: a NaN point looks like a boundary
// point, and a NaN corner like a degenerate triangle ('?').
TEST(ClassifyPointTriangle2D, NaNInputs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double t[6] = {0, 0, 4, 0, 0, 4};
    const double nanPoint[2] = {nan, 1};
    EXPECT_EQ(ClassifyPointTriangle2D(nanPoint, t), 'r');
    const double nanCorner[6] = {0, 0, nan, 0, 0, 4};
    const double p[2] = {1, 1};
    EXPECT_EQ(ClassifyPointTriangle2D(p, nanCorner), '?');
}

// ---- Random grid configurations against integer brute force ---------------

using Int = int64_t;

// Sign of (a - o) x (b - o): +1 when b is left of o->a.
int Side(const Int* o, const Int* a, const Int* b)
{
    const Int v = (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
    return (v > 0) - (v < 0);
}

// r collinear with p-q: within the closed bounding box of p-q.
bool WithinBox(const Int* p, const Int* q, const Int* r)
{
    return std::min(p[0], q[0]) <= r[0] && r[0] <= std::max(p[0], q[0]) &&
           std::min(p[1], q[1]) <= r[1] && r[1] <= std::max(p[1], q[1]);
}

bool SegmentsMeet(const Int* p1, const Int* p2, const Int* p3, const Int* p4)
{
    const int d1 = Side(p3, p4, p1);
    const int d2 = Side(p3, p4, p2);
    const int d3 = Side(p1, p2, p3);
    const int d4 = Side(p1, p2, p4);
    if (d1 * d2 < 0 && d3 * d4 < 0) {
        return true;
    }
    return (d1 == 0 && WithinBox(p3, p4, p1)) || (d2 == 0 && WithinBox(p3, p4, p2)) ||
           (d3 == 0 && WithinBox(p1, p2, p3)) || (d4 == 0 && WithinBox(p1, p2, p4));
}

// ClassifyPointSegment2D by its definition: the side of the line, else the
// ends, else the place along the segment ('<' beyond s0, '>' beyond s1)
// compared in x, or in y for a vertical one; a zero-length segment puts
// every point on its line and so orders them by y.
char PointSegment(const Int* p, const Int* s0, const Int* s1)
{
    const int side = Side(s0, s1, p);
    if (side != 0) {
        return side > 0 ? '+' : '-';
    }
    if (p[0] == s0[0] && p[1] == s0[1]) {
        return 'a';
    }
    if (p[0] == s1[0] && p[1] == s1[1]) {
        return 'b';
    }
    const int k = s0[0] != s1[0] ? 0 : 1;
    if (s0[k] <= s1[k]) {
        return p[k] < s0[k] ? '<' : (p[k] > s1[k] ? '>' : '1');
    }
    return p[k] > s0[k] ? '<' : (p[k] < s1[k] ? '>' : '1');
}

// 1 inside, 0 on the boundary, -1 outside a non-degenerate triangle.
int PointInTriangle(const Int* p, const Int* a, const Int* b, const Int* c)
{
    const int o = Side(a, b, c);
    const int s[3] = {o * Side(a, b, p), o * Side(b, c, p), o * Side(c, a, p)};
    if (s[0] < 0 || s[1] < 0 || s[2] < 0) {
        return -1;
    }
    return (s[0] == 0 || s[1] == 0 || s[2] == 0) ? 0 : 1;
}

// Points on a small integer grid (full of collinear and touching cases), as
// doubles scaled and shifted by powers of two (exact), so that the
// predicates work on non-trivial magnitudes.
TEST(Classify2D, RandomGridConfigurationsMatchBruteForce)
{
    std::mt19937_64 rng(4242);
    int boundary = 0;
    int degenerateHits = 0;
    std::map<char, int> segmentAnswers;
    for (int i = 0; i < 40000; ++i) {
        const int exponent = static_cast<int>(rng() % 60) - 30;
        const double shift = std::ldexp(static_cast<double>(rng() % 64), exponent + 3);
        Int p[10];
        double d[10];
        for (int k = 0; k < 10; ++k) {
            p[k] = static_cast<Int>(rng() % 6) - 1;
            d[k] = std::ldexp(static_cast<double>(p[k]), exponent) + shift;
        }
        if (i % 2 == 0) {
            const char where = PointSegment(p + 8, p, p + 2);
            ASSERT_EQ(ClassifyPointSegment2D(d + 8, d), where) << i;
            ++segmentAnswers[where];
            // Zero-length segments classify by y only (see above).
            if ((p[0] != p[2] || p[1] != p[3]) && (p[4] != p[6] || p[5] != p[7])) {
                ASSERT_EQ(SegSegIntersect2D(d, d + 4), SegmentsMeet(p, p + 2, p + 4, p + 6) ? '1' : '0') << i;
            }
            continue;
        }
        const Int* a = p;
        const Int* b = p + 2;
        const Int* c = p + 4;
        const bool edgesMeet = SegmentsMeet(p + 6, p + 8, a, b) || SegmentsMeet(p + 6, p + 8, b, c) ||
                               SegmentsMeet(p + 6, p + 8, c, a);
        if (Side(a, b, c) == 0) {
            // Degenerate: no point inside, a segment decided by the edges
            // (exactly so only when no edge or segment has zero length).
            ASSERT_EQ(ClassifyPointTriangle2D(d + 6, d), '?') << i;
            const bool distinct = (p[0] != p[2] || p[1] != p[3]) && (p[2] != p[4] || p[3] != p[5]) &&
                                  (p[4] != p[0] || p[5] != p[1]) && (p[6] != p[8] || p[7] != p[9]);
            ASSERT_TRUE(!distinct || SegTriIntersect2D(d + 6, d) == (edgesMeet ? '1' : '0')) << i;
            degenerateHits += distinct && edgesMeet;
            continue;
        }
        const int where = PointInTriangle(p + 6, a, b, c);
        ASSERT_EQ(ClassifyPointTriangle2D(d + 6, d), where > 0 ? '1' : (where == 0 ? 'r' : '0')) << i;
        boundary += where == 0;
        const bool meets = where >= 0 || PointInTriangle(p + 8, a, b, c) >= 0 || edgesMeet;
        ASSERT_EQ(SegTriIntersect2D(d + 6, d), meets ? '1' : '0') << i;
    }
    EXPECT_GT(boundary, 100);
    EXPECT_GT(degenerateHits, 100);
    for (const char answer : {'+', '-', 'a', 'b', '<', '>', '1'}) {
        EXPECT_GT(segmentAnswers[answer], 100) << answer;
    }
}

}  // namespace
}  // namespace meshaudit
