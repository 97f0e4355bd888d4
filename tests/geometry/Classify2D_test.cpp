// Point/segment/triangle classification in the plane: every answer of the
// classifications by hand, then random grid configurations (full of
// collinear and touching cases) against an integer brute force.
#include "geometry/Classify2D.h"
#include "geometry/ExactReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

// ---- ClassifyPointSegment2D -----------------------------------------------

struct PointSegmentCase {
    double s[4];
    double p[2];
    char expected;
    const char* what;
};

// '<' and '>' are beyond s0 and s1 along the segment (compared in x, or in y
// for a vertical one); a zero-length segment puts every point on its line.
TEST(ClassifyPointSegment2D, HandCases)
{
    const PointSegmentCase cases[] = {
        {{1, 1, 5, 1}, {3, 2}, '+', "left"},
        {{1, 1, 5, 1}, {3, 0}, '-', "right"},
        {{1, 1, 5, 1}, {1, 1}, 'a', "at s0"},
        {{1, 1, 5, 1}, {5, 1}, 'b', "at s1"},
        {{1, 1, 5, 1}, {-2, 1}, '<', "before s0"},
        {{1, 1, 5, 1}, {9, 1}, '>', "after s1"},
        {{1, 1, 5, 1}, {2.5, 1}, '1', "between"},
        {{5, 1, 1, 1}, {9, 1}, '<', "reversed: beyond s0"},
        {{5, 1, 1, 1}, {-2, 1}, '>', "reversed: beyond s1"},
        {{5, 1, 1, 1}, {3, 0}, '+', "reversed: left of -x"},
        {{2, 0, 2, 4}, {2, -1}, '<', "vertical up, below"},
        {{2, 0, 2, 4}, {2, 7}, '>', "vertical up, above"},
        {{2, 0, 2, 4}, {2, 3}, '1', "vertical up, inside"},
        {{2, 4, 2, 0}, {2, -1}, '>', "vertical down, below"},
        {{2, 4, 2, 0}, {2, 7}, '<', "vertical down, above"},
        {{2, 0, 2, 4}, {1, 2}, '+', "vertical up, west"},
        {{2, 4, 2, 0}, {1, 2}, '-', "vertical down, west"},
        {{0, 0, 2, 6}, {-1, -3}, '<', "sloped, before"},
        {{0, 0, 2, 6}, {3, 9}, '>', "sloped, after"},
        {{0, 0, 2, 6}, {1, 3}, '1', "sloped, inside"},
        {{1, 1, 1, 1}, {1, 1}, 'a', "zero length, same point"},
        {{1, 1, 1, 1}, {7, 0}, '<', "zero length, lower"},
        {{1, 1, 1, 1}, {-7, 2}, '>', "zero length, higher"},
        {{1, 1, 1, 1}, {7, 1}, '1', "zero length, level"},
    };
    for (const PointSegmentCase& c : cases) {
        EXPECT_EQ(ClassifyPointSegment2D(c.p, c.s), c.expected) << c.what;
    }
}

// Points a few ulps around the edge from (0.1, 0.1) to (0.7, 0.3), whose
// decimal coordinates are not exactly representable: the exact side of the
// edge line decides, the third corner lying well above it.
TEST(ClassifyPointTriangle2D, UlpsAcrossAnEdgeAreDecidedExactly)
{
    const double t[6] = {0.1, 0.1, 0.7, 0.3, 0.2, 0.9};
    int seen[3] = {0, 0, 0};
    for (int ulps = -4; ulps <= 4; ++ulps) {
        const double p[2] = {0.4, testing::NudgeUlps(0.2, ulps)};
        const int side = testing::ExactOrient2DSign(t, t + 2, p);
        const char expected = side > 0 ? '1' : (side == 0 ? 'r' : '0');
        EXPECT_EQ(ClassifyPointTriangle2D(p, t), expected) << ulps;
        ++seen[side + 1];
    }
    EXPECT_GT(seen[0], 0);  // the probes straddle the edge
    EXPECT_GT(seen[2], 0);
}

// Every orientation with a NaN is 0: a NaN point looks like a boundary
// point, and a NaN corner like a degenerate triangle ('?'). A segment against
// a degenerate triangle is decided by its edges.
TEST(ClassifyPointTriangle2D, DegenerateOrNaNInputs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double t[6] = {0, 0, 4, 0, 0, 4};
    const double nanPoint[2] = {nan, 1};
    EXPECT_EQ(ClassifyPointTriangle2D(nanPoint, t), 'r');
    const double collinear[6] = {0, 0, 2, 2, 4, 4};
    const double repeated[6] = {1, 2, 1, 2, 5, 0};
    const double nanCorner[6] = {0, 0, nan, 0, 0, 4};
    const double p[2] = {1, 1};
    for (const double* bad : {collinear, repeated, nanCorner}) {
        EXPECT_EQ(ClassifyPointTriangle2D(p, bad), '?');
    }
    const double crossing[4] = {0, 4, 4, 0};
    const double apart[4] = {0, 1, 3, 4};
    const double overlapping[4] = {3, 3, 6, 6};
    EXPECT_EQ(SegTriIntersect2D(crossing, collinear), '1');
    EXPECT_EQ(SegTriIntersect2D(apart, collinear), '0');
    EXPECT_EQ(SegTriIntersect2D(overlapping, collinear), '1');
}

// ---- Random grid configurations against integer brute force ---------------

using Int = int64_t;

Int Cross(const Int* o, const Int* a, const Int* b)
{
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

int Sign(Int v)
{
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
    const int d1 = Sign(Cross(p3, p4, p1));
    const int d2 = Sign(Cross(p3, p4, p2));
    const int d3 = Sign(Cross(p1, p2, p3));
    const int d4 = Sign(Cross(p1, p2, p4));
    if (d1 * d2 < 0 && d3 * d4 < 0) {
        return true;
    }
    return (d1 == 0 && WithinBox(p3, p4, p1)) || (d2 == 0 && WithinBox(p3, p4, p2)) ||
           (d3 == 0 && WithinBox(p1, p2, p3)) || (d4 == 0 && WithinBox(p1, p2, p4));
}

// 1 inside, 0 on the boundary, -1 outside a non-degenerate triangle.
int PointInTriangle(const Int* p, const Int* a, const Int* b, const Int* c)
{
    const int o = Sign(Cross(a, b, c));
    const int s[3] = {o * Sign(Cross(a, b, p)), o * Sign(Cross(b, c, p)), o * Sign(Cross(c, a, p))};
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
    int segmentHits = 0;
    int inside = 0;
    int boundary = 0;
    int triangleHits = 0;
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
            // Zero-length segments classify by y only (see above).
            if ((p[0] != p[2] || p[1] != p[3]) && (p[4] != p[6] || p[5] != p[7])) {
                const bool meets = SegmentsMeet(p, p + 2, p + 4, p + 6);
                ASSERT_EQ(SegSegIntersect2D(d, d + 4), meets ? '1' : '0') << i;
                segmentHits += meets;
            }
            continue;
        }
        const Int* a = p;
        const Int* b = p + 2;
        const Int* c = p + 4;
        if (Cross(a, b, c) == 0) {
            continue;
        }
        const int where = PointInTriangle(p + 6, a, b, c);
        ASSERT_EQ(ClassifyPointTriangle2D(d + 6, d), where > 0 ? '1' : (where == 0 ? 'r' : '0')) << i;
        inside += where > 0;
        boundary += where == 0;
        const bool meets = where >= 0 || PointInTriangle(p + 8, a, b, c) >= 0 ||
                           SegmentsMeet(p + 6, p + 8, a, b) || SegmentsMeet(p + 6, p + 8, b, c) ||
                           SegmentsMeet(p + 6, p + 8, c, a);
        ASSERT_EQ(SegTriIntersect2D(d + 6, d), meets ? '1' : '0') << i;
        triangleHits += meets;
    }
    EXPECT_GT(segmentHits, 1000);
    EXPECT_GT(inside, 100);
    EXPECT_GT(boundary, 100);
    EXPECT_GT(triangleHits, 1000);
}

}  // namespace
}  // namespace meshaudit
